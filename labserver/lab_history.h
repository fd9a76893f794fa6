#pragma once

#include <optional>
#include <string>

#include "journal/export_source.h"
#include "labserver/lab_connection.h"

namespace tarvelo::labserver {

// Which of the lab's results to read: every station's or one's, one animal's, those of
// local dates from `fromDate` to `toDate` ("2026-12-07"), both included.
struct LabFilter {
  std::optional<std::string> station;
  std::optional<std::string> animal;
  std::optional<std::string> fromDate;
  std::optional<std::string> toDate;
};

// The lab's standing results the filter takes (those no removal of their station names),
// each under the name its grid calls it by now, station by station in each station's
// order, read a batch at a time; a last column names the station.
journal::ExportSource labSource(LabConnection& connection, const LabFilter& filter);

}  // namespace tarvelo::labserver
