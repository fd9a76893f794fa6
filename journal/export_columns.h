#pragma once

#include <array>
#include <string>

#include "journal/journal_record.h"

namespace tarvelo::journal {

// As a Russian spreadsheet program reads it: ";" between fields, the decimal comma and
// Russian headings. For a LIMS: "," and ".", and plain headings.
enum class ExportStyle { Russian, CLocale };

// The columns of an exported result, in order; the five marked numbers are numbers in a
// sheet, the rest text.
enum ExportColumn {
  RecordColumn,  // number
  UtcColumn,
  LocalColumn,
  PersonColumn,
  ProtocolColumn,
  ObjectColumn,
  MassColumn,  // number
  UnitColumn,
  DeviationColumn,  // number
  CountColumn,      // number
  BalanceColumn,
  AnimalColumn,  // the animal's number, its cage, group and colony's fields when it was weighed
  CageColumn,
  GroupColumn,
  StrainColumn,
  GenotypeColumn,
  StudyColumn,
  EarMarkColumn,
  AgeColumn,  // number: days from its birth to the weighing's local date
  kExportColumns
};

using ExportRow = std::array<std::string, kExportColumns>;

const ExportRow& exportHeadings(ExportStyle style);
// The heading of the last column of an export of several stations' results.
const std::string& stationHeading(ExportStyle style);

// Whether the column holds a number: the record, the mass, the deviation, the count and the age.
bool isNumberColumn(int column);

// The result's fields as the grid showed them (masses with the decimal comma).
ExportRow exportFields(const JournalRecord& result);

}  // namespace tarvelo::journal
