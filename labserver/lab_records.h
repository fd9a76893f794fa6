#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "journal/journal_head.h"
#include "journal/journal_record.h"
#include "labserver/lab_connection.h"

namespace tarvelo::labserver {

// The columns a station gives a record on the server, and their values for `record` after
// a record whose hash is `previous`, in that order.
inline constexpr char kSentColumns[] =
    "station, id, previous, hash, kind, utc, local, person, protocol, object, mass, grams, deviation, unit, count, "
    "trace, balance, subject, chain, animal, cage, grp, sex, born, note, strain, genotype, study, ear_mark";
std::vector<std::optional<std::string>> sentValues(const std::string& station, const std::string& previous,
                                                   const journal::JournalRecord& record);

// The station's newest record on the server; record 0 when it has none.
std::optional<LabFailure> stationHead(LabConnection& connection, const std::string& station, journal::Head& head);

// The hash the server holds for the station's record `id`; empty when it holds none.
std::optional<LabFailure> hashOnServer(LabConnection& connection, const std::string& station, std::int64_t id,
                                       std::string& hash);

// Adds the records, in order, the first after a record whose hash is `previous`, all in one
// transaction: either the server takes them all (a record it already holds counts as
// taken) or none.
std::optional<LabFailure> addRecords(LabConnection& connection, const std::string& station, std::string previous,
                                     const std::vector<journal::JournalRecord>& records);

// At most `count` of the station's records after record `id`, in order, as the station
// sent them.
std::optional<LabFailure> stationRecords(LabConnection& connection, const std::string& station, std::int64_t id,
                                         int count, std::vector<journal::JournalRecord>& records);

// The columns a record is read back from, each prefixed with `table.`, and the record of a
// row of them from cell `first` on.
std::string recordColumns(const std::string& table);
journal::JournalRecord recordOf(const std::vector<std::string>& row, size_t first = 0);

// A number and grams as the server writes them (an empty text is no grams).
std::int64_t integerOf(const std::string& text);
std::optional<double> gramsOf(const std::string& text);

// Every station with a record on the server, by name.
std::optional<LabFailure> stations(LabConnection& connection, std::vector<std::string>& names);

}  // namespace tarvelo::labserver
