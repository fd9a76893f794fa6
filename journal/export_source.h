#pragma once

#include <functional>
#include <optional>
#include <string>

#include "journal/journal.h"
#include "link/failure.h"

namespace tarvelo::journal {

// Takes one exported result and the station it came from (empty for this station's own).
using ResultVisitor = std::function<void(const JournalRecord& result, const std::string& station)>;

// Where an export's results come from: this station's journal, or the lab's server.
struct ExportSource {
  // Hands every result to the visitor, in order; why it could not read them all.
  std::function<std::optional<link::Failure>(const ResultVisitor& take)> forEachResult;
  // Printed at the end of a Russian export, once the results are read; none when empty.
  std::function<std::string()> head;
  bool byStation = false;  // a last column names the station of each result
};

// The standing results of `journal` the filter takes, its head at the end.
ExportSource journalSource(const Journal& journal, const RecordFilter& filter);

}  // namespace tarvelo::journal
