#include "labserver/lab_connection.h"

// A build without the PostgreSQL client: no connection is ever made, and the user is told.
namespace tarvelo::labserver {

std::unique_ptr<LabConnection> LabConnection::open(const std::string&, LabFailure& failure) {
  failure = {LabProblem::Unreachable, "эта сборка программы не умеет подключаться к серверу лаборатории"};
  return nullptr;
}

LabConnection::~LabConnection() = default;

std::optional<LabFailure> LabConnection::run(const std::string&, const std::vector<std::optional<std::string>>&,
                                             LabRows*) {
  return LabFailure{};
}

std::optional<LabFailure> LabConnection::script(const std::string&) { return LabFailure{}; }

bool LabConnection::alive() const { return false; }

}  // namespace tarvelo::labserver
