#include "tools/journal/server_commands.h"

#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <vector>

#include "journal/csv_export.h"
#include "journal/export_file.h"
#include "labserver/lab_history.h"
#include "labserver/lab_schema.h"
#include "labserver/lab_stations.h"
#include "link/utf8_path.h"
#include "tools/console/utf8_console.h"
#include "labserver/server_verification.h"
#include "labserver/station_sender.h"

namespace tarvelo::tools {

namespace {

// After the station's name in a row its chain on the server does not prove.
constexpr char kBrokenMark[] = " (цепочка нарушена)";

std::unique_ptr<labserver::LabConnection> connect(const std::string& connection,
                                                  labserver::LabUse use = labserver::LabUse::Station) {
  labserver::LabFailure failure;
  auto made = labserver::LabConnection::open(connection, failure, use);
  if (!made) std::fprintf(stderr, "Сервер лаборатории: %s\n", failure.text.c_str());
  return made;
}

int failed(const labserver::LabFailure& failure) {
  std::fprintf(stderr, "Сервер лаборатории: %s\n", failure.text.c_str());
  return kExitNoServer;
}

// The source with the rows of a station whose chain on the server breaks marked from the
// first broken record on, and said at the end of a Russian export.
journal::ExportSource markedByChains(journal::ExportSource source, const std::vector<labserver::StationCheck>& checks) {
  std::map<std::string, std::int64_t> broken;  // station: its first broken record
  std::string said;
  for (const labserver::StationCheck& check : checks) {
    if (!check.firstBroken) continue;
    broken[check.station] = *check.firstBroken;
    said += (said.empty() ? "Цепочка на сервере нарушена: " : "; ") + ("«" + check.station + "» с записи № ") +
            std::to_string(*check.firstBroken);
  }
  if (broken.empty()) return source;
  source.forEachResult = [read = source.forEachResult, broken](const journal::ResultVisitor& take) {
    return read([&](const journal::JournalRecord& result, const std::string& station) {
      const auto found = broken.find(station);
      take(result, found != broken.end() && result.id >= found->second ? station + kBrokenMark : station);
    });
  };
  source.head = [said] { return said + "."; };
  return source;
}

}  // namespace

int initServer(const std::string& connection) {
  const auto server = connect(connection, labserver::LabUse::Administration);
  if (!server) return kExitNoServer;
  if (const auto failure = labserver::initLabServer(*server)) return failed(*failure);
  std::printf(
      "Журнал лаборатории на сервере готов. Каждой станции дайте свой вход: tarvelo-journal server add-station ИМЯ\n"
      "(добавляет только записи этой станции); читателям — роль %s, например:\n"
      "CREATE ROLE direktor LOGIN IN ROLE %s;\n",
      labserver::kReaderRole, labserver::kReaderRole);
  return 0;
}

int addStationOnServer(const std::string& connection, const std::string& station, const std::string& login,
                       const std::optional<std::filesystem::path>& passwordFile) {
  std::optional<std::string> password;
  if (passwordFile) {
    std::ifstream file(*passwordFile);
    std::string line;
    if (!std::getline(file, line) || line.empty()) {
      std::fprintf(stderr, "Пароль не прочитан из «%s»: нужен файл, первая строка которого — пароль.\n",
                   link::utf8Text(*passwordFile).c_str());
      return kExitBadUsage;
    }
    if (line.back() == '\r') line.pop_back();
    password = line;
  }
  const auto server = connect(connection, labserver::LabUse::Administration);
  if (!server) return kExitNoServer;
  if (const auto failure = labserver::addStation(*server, station, login, password)) return failed(*failure);
  std::printf("Вход «%s» добавляет записи станции «%s».%s\n", login.c_str(), station.c_str(),
              password ? "" : " Задайте ему пароль, если его нет: psql, \\password.");
  return 0;
}

int removeStationOnServer(const std::string& connection, const std::string& station) {
  const auto server = connect(connection, labserver::LabUse::Administration);
  if (!server) return kExitNoServer;
  if (const auto failure = labserver::removeStation(*server, station)) return failed(*failure);
  std::printf("Станция «%s» больше не добавляет записей; принятые остаются на сервере.\n", station.c_str());
  return 0;
}

int renameStationOnServer(const std::string& connection, const std::string& from,
                          const std::string& to) {
  const auto server = connect(connection, labserver::LabUse::Administration);
  if (!server) return kExitNoServer;
  if (const auto failure = labserver::renameStation(*server, from, to)) return failed(*failure);
  std::printf("Станция «%s» теперь зовется «%s»; ее журнал продолжается.\n", from.c_str(),
              to.c_str());
  return 0;
}

int exportServer(const std::string& connection, const journal::RecordFilter& filter, std::optional<std::string> station,
                 journal::ExportStyle style, const std::filesystem::path& out) {
  const auto server = connect(connection);
  if (!server) return kExitNoServer;
  const labserver::LabFilter lab{std::move(station), filter.animal, filter.fromDate, filter.toDate};
  std::vector<labserver::StationCheck> checks;
  if (const auto failure = labserver::verifyStations(*server, checks)) return failed(*failure);
  const journal::ExportSource source = markedByChains(labserver::labSource(*server, lab), checks);
  if (out.empty()) {
    console::binaryStandardOutput();  // the CSV's own line ends, untranslated
    if (const auto failure = journal::writeCsv(source, style, stdout)) {
      std::fprintf(stderr, "Результаты не выведены: %s\n", failure->message.c_str());
      return kExitNotWritten;
    }
    return 0;
  }
  if (const auto failure = journal::exportResults(source, style, out)) {
    std::fprintf(stderr, "Файл «%s» не записан: %s\n", link::utf8Text(out).c_str(), failure->message.c_str());
    return kExitNotWritten;
  }
  return 0;
}

int verifyServer(const std::string& connection, const journal::Journal* local,
                 const std::optional<std::string>& given) {
  const auto server = connect(connection);
  if (!server) return kExitNoServer;
  std::vector<labserver::StationCheck> checks;
  if (const auto failure = labserver::verifyStations(*server, checks)) return failed(*failure);
  bool holds = true;
  for (const labserver::StationCheck& check : checks) {
    if (check.firstBroken) {
      holds = false;
      std::printf("Станция «%s»: цепочка на сервере нарушена с записи № %lld.\n", check.station.c_str(),
                  static_cast<long long>(*check.firstBroken));
    } else {
      std::printf("Станция «%s»: %lld записей, цепочка цела.\n", check.station.c_str(),
                  static_cast<long long>(check.records));
    }
  }
  if (checks.empty()) std::printf("На сервере нет записей ни одной станции.\n");
  if (local == nullptr) return holds ? 0 : kExitChainBroken;
  std::string station = given.value_or(std::string());
  if (!given) {
    if (const auto failure = labserver::boundStation(*server, station)) return failed(*failure);
    if (station.empty()) {
      std::fprintf(stderr, "Вход не связан ни с одной станцией: назовите ее, --station ИМЯ.\n");
      return kExitBadUsage;
    }
  }
  // Stored hashes agree also when a record was changed here after it was sent: the
  // journal's own chain is proved first.
  if (const auto broken = local->verify().firstBroken) {
    std::printf("Станция «%s»: журнал этой станции нарушен с записи № %lld; с сервером он не сверяется.\n",
                station.c_str(), static_cast<long long>(*broken));
    return kExitChainBroken;
  }
  std::optional<std::int64_t> record;
  if (const auto failure = labserver::firstDifference(*server, *local, station, record)) return failed(*failure);
  if (record) {
    std::printf("Станция «%s»: %s.\n", station.c_str(), labserver::chainMismatch(*record).text.c_str());
    return kExitChainBroken;
  }
  std::printf("Журнал этой станции («%s») совпадает с ее записями на сервере.\n", station.c_str());
  return holds ? 0 : kExitChainBroken;
}

}  // namespace tarvelo::tools
