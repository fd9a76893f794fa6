// Writes the protocol of a batch of three weighings to <folder>/протоколы/П-17_3.xlsx, a
// Cyrillic path, for the Linux side to read back (check_workbook.py).
#include <clocale>
#include <cstdio>
#include <filesystem>

#include "reports/spreadsheet_protocol.h"
#include "reports/xlsx_protocol_writer.h"
#include "tests/support/weighed_batch.h"

int main(int argc, char** argv) {
  using namespace tarvelo;
  if (argc != 2) {
    std::fputs("usage: write_workbook FOLDER\n", stderr);
    return 2;
  }
  // The system's locale, as a program that formats for the user sets it: numbers inside
  // the file must keep their point all the same.
  std::setlocale(LC_ALL, "");
  const weighing::MeasurementStore store = testing_support::weighedBatch(3);
  const std::filesystem::path file = std::filesystem::path(argv[1]) / u8"протоколы" / u8"П-17_3.xlsx";
  const std::optional<link::Failure> failure = reports::writeXlsxProtocol(
      reports::BuildSpreadsheetProtocol({store.sgRes, store.sgTotal, "П-17/3", "Мышь", "Иванов И. И.", "4",
                                         "07.12.2026", "BM-600", 1234567}),
      file);
  if (failure) {
    std::fprintf(stderr, "%s\n", failure->message.c_str());
    return 1;
  }
  return 0;
}
