#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "labserver/lab_failure.h"

struct pg_conn;
struct pg_result;

namespace tarvelo::labserver {

// A query's rows as text; a NULL is an empty text.
using LabRows = std::vector<std::vector<std::string>>;

// One connection to the lab's PostgreSQL server, given a libpq connection string or
// "service=NAME". A connection that cannot be made gives up after a few seconds; so does a
// query whose server went away.
class LabConnection {
 public:
  static std::unique_ptr<LabConnection> open(const std::string& connection, LabFailure& failure);
  ~LabConnection();
  LabConnection(const LabConnection&) = delete;
  LabConnection& operator=(const LabConnection&) = delete;

  // Runs `sql` with its `$1`… parameters as text (none for an empty optional); the rows it
  // returns, or the failure.
  std::optional<LabFailure> run(const std::string& sql, const std::vector<std::optional<std::string>>& parameters = {},
                                LabRows* rows = nullptr);
  // Runs statements with no parameters and no rows, several at once.
  std::optional<LabFailure> script(const std::string& sql);
  // Whether the connection still stands (false once the server went away).
  bool alive() const;

 private:
  explicit LabConnection(pg_conn* connection) : connection_(connection) {}
  pg_conn* connection_;
};

}  // namespace tarvelo::labserver
