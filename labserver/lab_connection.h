#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "labserver/lab_failure.h"

struct pg_conn;

namespace tarvelo::labserver {

// Why `connection` is not to be kept or given on a command line: it carries a password. The
// Russian text names the line of PostgreSQL's password file to write instead; none when the
// string holds no password.
std::optional<std::string> passwordRefusal(const std::string& connection);

// A query's rows as text; a NULL is an empty text.
using LabRows = std::vector<std::vector<std::string>>;

// What a connection is for: a station's or a reader's work, where no statement may take
// long, or an administrator's, where setting up a journal of millions of records may.
enum class LabUse { Station, Administration };

// One connection to the lab's PostgreSQL server, given a libpq connection string or
// "service=NAME". Whatever that string says, the connection reads the lab journal's schema
// in UTF-8 with exact numbers, keeps TCP alive, and never waits without a limit: a
// connection that cannot be made gives up after a few seconds, a statement that waits on a
// lock or runs too long is ended by the server, and one the server does not answer at all
// is given up here, the connection closed. When `stop` becomes true (from any thread), what
// is under way is cancelled within a tenth of a second and the connection closed.
class LabConnection {
 public:
  static std::unique_ptr<LabConnection> open(const std::string& connection, LabFailure& failure,
                                             LabUse use = LabUse::Station, const std::atomic<bool>* stop = nullptr);
  ~LabConnection();
  LabConnection(const LabConnection&) = delete;
  LabConnection& operator=(const LabConnection&) = delete;

  // Runs `sql` with its `$1`… parameters as text (none for an empty optional); the rows it
  // returns, or the failure.
  std::optional<LabFailure> run(const std::string& sql, const std::vector<std::optional<std::string>>& parameters = {},
                                LabRows* rows = nullptr);
  // Runs statements with no parameters and no rows, several at once.
  std::optional<LabFailure> script(const std::string& sql);
  // Whether the connection still stands (false once the server went away or was given up).
  bool alive() const;
  // Whether the link is encrypted, and whether the server's certificate was checked.
  bool encrypted() const;
  bool serverVerified() const;
  // `password` of `user` as the server stores it (a SCRAM verifier); none on a failure.
  std::optional<std::string> passwordVerifier(const std::string& user, const std::string& password);
  std::string lastError() const;

 private:
  LabConnection(pg_conn* connection, LabUse use, const std::atomic<bool>* stop)
      : connection_(connection), use_(use), stop_(stop) {}
  // Waits for the result of what was sent, within the connection's limits.
  std::optional<LabFailure> finish(LabRows* rows);
  std::optional<LabFailure> givenUp(const std::string& why);

  pg_conn* connection_;
  LabUse use_;
  const std::atomic<bool>* stop_;
  bool broken_ = false;
};

}  // namespace tarvelo::labserver
