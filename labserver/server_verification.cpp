#include "labserver/server_verification.h"

#include "labserver/lab_records.h"

namespace tarvelo::labserver {

namespace {

constexpr int kReadBatch = 5000;

std::optional<LabFailure> verifyStation(LabConnection& connection, StationCheck& check) {
  std::string previous;
  std::vector<journal::JournalRecord> batch;
  do {
    if (auto failure = stationRecords(connection, check.station, check.records, kReadBatch, batch)) return failure;
    for (const journal::JournalRecord& record : batch) {
      const bool follows = record.id == check.records + 1 && journal::chainHash(previous, record) == record.hash;
      if (!follows) {
        check.firstBroken = check.records + 1;
        return std::nullopt;
      }
      previous = record.hash;
      check.records = record.id;
    }
  } while (!batch.empty());
  return std::nullopt;
}

}  // namespace

std::optional<LabFailure> verifyStations(LabConnection& connection, std::vector<StationCheck>& checks) {
  std::vector<std::string> names;
  if (auto failure = stations(connection, names)) return failure;
  checks.clear();
  for (const std::string& name : names) {
    StationCheck& check = checks.emplace_back();
    check.station = name;
    if (auto failure = verifyStation(connection, check)) return failure;
  }
  return std::nullopt;
}

}  // namespace tarvelo::labserver
