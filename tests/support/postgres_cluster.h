#pragma once

#include <filesystem>
#include <string>

#include "tests/support/simulator_process.h"

namespace tarvelo::testing {

// Binds the TCP socket `fd` to 127.0.0.1 on a port the system hands out; that port, or 0.
int bindLoopback(int fd);

// A PostgreSQL 15 cluster of the test's own: made with initdb in a temporary folder, as an
// unprivileged user (nobody when the test runs as root), listening on 127.0.0.1 on a free
// port, and removed with this object. Logins by TCP need a password; the superuser's is
// kSuperuserPassword.
class PostgresCluster {
 public:
  static constexpr char kSuperuser[] = "postgres";
  static constexpr char kSuperuserPassword[] = "лаборатория";

  PostgresCluster();
  ~PostgresCluster();
  PostgresCluster(const PostgresCluster&) = delete;
  PostgresCluster& operator=(const PostgresCluster&) = delete;

  const std::string& failure() const { return failure_; }  // what initdb or pg_ctl said; empty
  int port() const { return port_; }

  // A libpq connection string for `user` to `database` on this cluster, with `password`, or
  // with none for the password file (PGPASSFILE, set for this process and its children),
  // which holds the superuser's and those kept.
  std::string connection(const std::string& user, const std::string& password = {},
                         const std::string& database = "postgres") const;
  std::string superuserConnection() const { return connection(kSuperuser); }
  void keepPassword(const std::string& user, const std::string& password) const;

  // Stops the server (fast: connections are cut) and starts it again on the same port.
  bool stop();
  bool start();

  // Runs `sql` with psql over `connection`, stopping at the first error.
  ProgramResult psql(const std::string& connection, const std::string& sql) const;

 private:
  ProgramResult asOwner(std::vector<std::string> argv) const;

  std::filesystem::path folder_;
  int port_ = 0;
  std::string failure_;
};

}  // namespace tarvelo::testing
