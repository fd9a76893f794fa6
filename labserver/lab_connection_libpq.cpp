#include "labserver/lab_connection.h"

#include <libpq-fe.h>

#include <charconv>
#include <string_view>

namespace tarvelo::labserver {

namespace {

// Given before the user's own string, so that a value written there wins.
constexpr char kConnectSeconds[] = "5";
constexpr char kUnansweredMs[] = "10000";  // sent data not acknowledged: the server is gone
constexpr char kApplication[] = "tarvelo";

// Errors the server raises: a missing table, a right not granted, and the lab journal's
// own refusal of a record that does not continue its station's chain.
constexpr std::string_view kUndefinedTable = "42P01";
constexpr std::string_view kNoPrivilege = "42501";
constexpr std::string_view kChainRefused = "TV001";

std::string trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

std::string errorOf(const pg_conn* connection) { return trimmed(PQerrorMessage(connection)); }

std::string field(const PGresult* result, int code) {
  const char* text = PQresultErrorField(result, code);
  return text != nullptr ? text : "";
}

LabFailure queryFailure(const PGresult* result, const pg_conn* connection) {
  const std::string state = field(result, PG_DIAG_SQLSTATE);
  const std::string said = result != nullptr ? trimmed(PQresultErrorMessage(result)) : errorOf(connection);
  if (state == kChainRefused) {
    const std::string detail = field(result, PG_DIAG_MESSAGE_DETAIL);
    std::int64_t record = 0;
    std::from_chars(detail.data(), detail.data() + detail.size(), record);
    return chainMismatch(record);
  }
  if (state == kUndefinedTable)
    return {LabProblem::NoLabJournal, "на сервере нет журнала лаборатории (tarvelo-journal server init): " + said};
  if (state == kNoPrivilege) return {LabProblem::NoPermission, "нет права на журнал лаборатории: " + said};
  return {LabProblem::Unreachable, "сервер лаборатории не ответил: " + said};
}

}  // namespace

std::unique_ptr<LabConnection> LabConnection::open(const std::string& connection, LabFailure& failure) {
  char* parseError = nullptr;
  PQconninfoOption* parsed = PQconninfoParse(connection.c_str(), &parseError);
  if (parsed == nullptr) {
    failure = {LabProblem::BadSettings,
               "строка подключения не разобрана: " + (parseError != nullptr ? trimmed(parseError) : std::string())};
    PQfreemem(parseError);
    return nullptr;
  }
  PQconninfoFree(parsed);
  const char* keys[] = {"connect_timeout", "tcp_user_timeout", "application_name", "dbname", nullptr};
  const char* values[] = {kConnectSeconds, kUnansweredMs, kApplication, connection.c_str(), nullptr};
  pg_conn* made = PQconnectdbParams(keys, values, 1);
  if (made != nullptr && PQstatus(made) == CONNECTION_OK) {
    // The server's notices ("already exists, skipping") are for nobody here.
    PQsetNoticeProcessor(made, [](void*, const char*) {}, nullptr);
    return std::unique_ptr<LabConnection>(new LabConnection(made));
  }
  failure = made != nullptr ? connectionFailure(errorOf(made), PQconnectionNeedsPassword(made) != 0)
                            : LabFailure{LabProblem::Unreachable, "нет памяти для подключения"};
  PQfinish(made);
  return nullptr;
}

LabConnection::~LabConnection() { PQfinish(connection_); }

std::optional<LabFailure> LabConnection::run(const std::string& sql,
                                             const std::vector<std::optional<std::string>>& parameters, LabRows* rows) {
  std::vector<const char*> values;
  for (const auto& parameter : parameters) values.push_back(parameter ? parameter->c_str() : nullptr);
  PGresult* result = PQexecParams(connection_, sql.c_str(), static_cast<int>(values.size()), nullptr, values.data(),
                                  nullptr, nullptr, 0);
  const ExecStatusType status = PQresultStatus(result);
  std::optional<LabFailure> failure;
  if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
    failure = queryFailure(result, connection_);
  } else if (rows != nullptr) {
    rows->clear();
    for (int row = 0; row < PQntuples(result); ++row) {
      std::vector<std::string>& cells = rows->emplace_back();
      for (int column = 0; column < PQnfields(result); ++column) cells.emplace_back(PQgetvalue(result, row, column));
    }
  }
  PQclear(result);
  return failure;
}

std::optional<LabFailure> LabConnection::script(const std::string& sql) {
  PGresult* result = PQexec(connection_, sql.c_str());
  const ExecStatusType status = PQresultStatus(result);
  std::optional<LabFailure> failure;
  if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) failure = queryFailure(result, connection_);
  PQclear(result);
  return failure;
}

bool LabConnection::alive() const { return PQstatus(connection_) == CONNECTION_OK; }

}  // namespace tarvelo::labserver
