#include "labserver/station_sender.h"

#include "labserver/lab_records.h"

namespace tarvelo::labserver {

namespace {

// The journal's hash of record `id`; empty when it has none.
std::string localHash(const journal::Journal& journal, std::int64_t id) {
  const std::vector<journal::JournalRecord> records = journal.recordsAfter(id - 1, 1);
  return records.empty() || records.front().id != id ? std::string() : records.front().hash;
}

// Cuts the batch before its first record that the chain after `previous` does not prove:
// one whose fields were changed since its hash was made, or that does not follow.
std::optional<LabFailure> proven(std::vector<journal::JournalRecord>& batch, std::string previous, std::int64_t last) {
  for (size_t i = 0; i < batch.size(); ++i) {
    const journal::JournalRecord& record = batch[i];
    if (record.id != last + 1 || journal::chainHash(previous, record) != record.hash) {
      const std::int64_t id = last + 1;
      batch.resize(i);
      return unproven(id);
    }
    previous = record.hash;
    last = record.id;
  }
  return std::nullopt;
}

}  // namespace

std::optional<LabFailure> firstDifference(LabConnection& connection, const journal::Journal& journal,
                                          const std::string& station, std::optional<std::int64_t>& record) {
  journal::Head server;
  if (auto failure = stationHead(connection, station, server)) return failure;
  record.reset();
  const std::int64_t local = journal.head().record;
  const std::int64_t shared = std::min(local, server.record);
  // Each hash covers every record before it: the copies agree up to some record and
  // differ from the next on, which halving finds.
  std::int64_t agree = 0;
  std::int64_t differ = shared + 1;
  while (differ - agree > 1) {
    const std::int64_t middle = agree + (differ - agree) / 2;
    std::string held;
    if (auto failure = hashOnServer(connection, station, middle, held)) return failure;
    (held == localHash(journal, middle) ? agree : differ) = middle;
  }
  if (differ <= shared || local < server.record) record = differ;
  return std::nullopt;
}

SendResult sendPending(LabConnection& connection, const journal::Journal& journal, const std::string& station,
                       const std::function<bool(std::int64_t waiting)>& progress) {
  SendResult result;
  journal::Head server;
  if ((result.failure = stationHead(connection, station, server))) return result;
  const journal::Head local = journal.head();
  if (server.record > local.record || localHash(journal, server.record) != server.hash) {
    std::optional<std::int64_t> record;
    if ((result.failure = firstDifference(connection, journal, station, record))) return result;
    if (record) result.failure = chainMismatch(*record);
    result.waiting = local.record - std::min(local.record, server.record);
    if (result.failure) return result;
  }
  std::string previous = server.hash;
  std::int64_t last = server.record;
  while (true) {
    std::vector<journal::JournalRecord> batch = journal.recordsAfter(last, kSendBatch);
    result.waiting = journal.head().record - last;
    std::optional<LabFailure> unprovenRecord = proven(batch, previous, last);
    if (batch.empty()) {
      result.failure = unprovenRecord;
      return result;
    }
    if ((result.failure = addRecords(connection, station, previous, batch))) {
      if (result.failure->problem == LabProblem::RecordRefused && result.failure->record > last + 1) {
        // The records before the refused one go; the refusal is said.
        batch.resize(static_cast<size_t>(result.failure->record - last - 1));
        if (!addRecords(connection, station, previous, batch)) {
          result.sent += static_cast<std::int64_t>(batch.size());
          result.waiting -= static_cast<std::int64_t>(batch.size());
        }
      }
      if (result.failure->problem != LabProblem::ChainMismatch) return result;
      std::optional<std::int64_t> record;
      if (auto failure = firstDifference(connection, journal, station, record)) result.failure = failure;
      else if (record) result.failure = chainMismatch(*record);
      return result;
    }
    result.sent += static_cast<std::int64_t>(batch.size());
    previous = batch.back().hash;
    last = batch.back().id;
    if (unprovenRecord) {
      result.waiting = journal.head().record - last;
      result.failure = unprovenRecord;
      return result;
    }
    if (progress && !progress(journal.head().record - last)) {
      result.waiting = journal.head().record - last;
      return result;
    }
  }
}

}  // namespace tarvelo::labserver
