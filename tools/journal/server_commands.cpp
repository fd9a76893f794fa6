#include "tools/journal/server_commands.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "journal/csv_export.h"
#include "journal/export_file.h"
#include "labserver/lab_history.h"
#include "labserver/lab_schema.h"
#include "link/utf8_path.h"
#include "tools/console/utf8_console.h"
#include "labserver/server_verification.h"
#include "labserver/station_sender.h"

namespace tarvelo::tools {

namespace {

std::unique_ptr<labserver::LabConnection> connect(const std::string& connection) {
  labserver::LabFailure failure;
  auto made = labserver::LabConnection::open(connection, failure);
  if (!made) std::fprintf(stderr, "Сервер лаборатории: %s\n", failure.text.c_str());
  return made;
}

int failed(const labserver::LabFailure& failure) {
  std::fprintf(stderr, "Сервер лаборатории: %s\n", failure.text.c_str());
  return kExitNoServer;
}

}  // namespace

int initServer(const std::string& connection) {
  const auto server = connect(connection);
  if (!server) return kExitNoServer;
  if (const auto failure = labserver::initLabServer(*server)) return failed(*failure);
  std::printf(
      "Журнал лаборатории на сервере готов. Станциям дайте роль %s (только добавлять и читать записи),\n"
      "читателям — роль %s, например: CREATE ROLE komnata1 LOGIN PASSWORD '…' IN ROLE %s;\n",
      labserver::kStationRole, labserver::kReaderRole, labserver::kStationRole);
  return 0;
}

int exportServer(const std::string& connection, const journal::RecordFilter& filter, std::optional<std::string> station,
                 journal::ExportStyle style, const std::filesystem::path& out) {
  const auto server = connect(connection);
  if (!server) return kExitNoServer;
  const labserver::LabFilter lab{std::move(station), filter.animal, filter.fromDate, filter.toDate};
  const journal::ExportSource source = labserver::labSource(*server, lab);
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

int verifyServer(const std::string& connection, const journal::Journal* local, const std::string& station) {
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
