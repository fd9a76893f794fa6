#include "tests/support/postgres_cluster.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

namespace tarvelo::testing {

namespace {

namespace fs = std::filesystem;

constexpr char kBin[] = "/usr/lib/postgresql/15/bin/";
constexpr char kPsql[] = "/usr/bin/psql";
constexpr char kRunAs[] = "/usr/sbin/runuser";
constexpr uid_t kNobody = 65534;
constexpr gid_t kNogroup = 65534;

// A port nobody listens on now, as the system hands one out.
int freePort() {
  const int probe = socket(AF_INET, SOCK_STREAM, 0);
  const int port = bindLoopback(probe);
  close(probe);
  return port;
}

std::string said(const ProgramResult& result) { return result.out + result.err; }

// The server's own files belong to the user it runs as.
bool owned(const fs::path& path) { return geteuid() != 0 || chown(path.c_str(), kNobody, kNogroup) == 0; }

}  // namespace

int bindLoopback(int fd) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
    return 0;
  return ntohs(address.sin_port);
}

PostgresCluster::PostgresCluster() : port_(freePort()) {
  std::string pattern = (fs::temp_directory_path() / "tarvelo-postgres-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    failure_ = "no temporary folder";
    return;
  }
  folder_ = pattern;
  const fs::path passwordFile = folder_ / "password";
  std::ofstream(passwordFile) << kSuperuserPassword << "\n";
  if (!owned(folder_) || !owned(passwordFile)) failure_ = "chown failed";
  const ProgramResult made =
      asOwner({std::string(kBin) + "initdb", "--pgdata", (folder_ / "data").string(), "--username", kSuperuser,
               "--pwfile", passwordFile.string(), "--auth-local=trust", "--auth-host=scram-sha-256", "--encoding=UTF8",
               "--locale=C.UTF-8", "--lc-messages=ru_RU.UTF-8", "--no-sync"});
  if (made.status != 0) {
    failure_ = "initdb: " + said(made);
  } else {
    keepPassword(kSuperuser, kSuperuserPassword);
    start();
  }
}

PostgresCluster::~PostgresCluster() {
  if (!folder_.empty()) {
    stop();
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }
}

std::string PostgresCluster::connection(const std::string& user, const std::string& password,
                                        const std::string& database) const {
  return "host=127.0.0.1 port=" + std::to_string(port_) + " dbname=" + database + " user=" + user +
         (password.empty() ? "" : " password=" + password);
}

void PostgresCluster::keepPassword(const std::string& user, const std::string& password) const {
  const fs::path file = folder_ / "pgpass";
  std::ofstream(file, std::ios::app) << "127.0.0.1:" << port_ << ":*:" << user << ":" << password << "\n";
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);  // libpq reads no other
  setenv("PGPASSFILE", file.c_str(), 1);
}

bool PostgresCluster::start() {
  const ProgramResult started = asOwner(
      {std::string(kBin) + "pg_ctl", "--pgdata", (folder_ / "data").string(), "--log", (folder_ / "log").string(),
       "--wait", "-o",
       "-c listen_addresses=127.0.0.1 -p " + std::to_string(port_) + " -k " + folder_.string() + " -c fsync=off",
       "start"});
  if (started.status != 0) failure_ = "pg_ctl start: " + said(started);
  return started.status == 0;
}

bool PostgresCluster::stop() {
  return asOwner({std::string(kBin) + "pg_ctl", "--pgdata", (folder_ / "data").string(), "--mode=fast", "--wait",
                  "stop"})
             .status == 0;
}

ProgramResult PostgresCluster::psql(const std::string& connection, const std::string& sql) const {
  return runProgram({kPsql, "--no-psqlrc", "-v", "ON_ERROR_STOP=1", "-At", "-d", connection, "-c", sql});
}

ProgramResult PostgresCluster::asOwner(std::vector<std::string> argv) const {
  // The server refuses to run as root.
  if (geteuid() == 0) argv.insert(argv.begin(), {kRunAs, "-u", "nobody", "--"});
  return runProgram(argv);
}

}  // namespace tarvelo::testing
