#include <algorithm>
#include <cstdlib>

#include "labserver/lab_records.h"

using namespace tarvelo;

constexpr char kCellEnd = '\0';  // a server's text never holds one
const size_t kRecordCells = std::ranges::count(tarvelo::labserver::recordColumns("r"), ',') + 1;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A row of the record's cells as the server gives them, a NUL after each.
  std::vector<std::string> row(1);
  for (size_t i = 0; i < size && row.size() <= kRecordCells; ++i) {
    if (data[i] == kCellEnd) {
      row.emplace_back();
    } else {
      row.back() += static_cast<char>(data[i]);
    }
  }
  row.resize(kRecordCells);
  const journal::JournalRecord record = labserver::recordOf(row);
  if (record.hash != row[1] || record.earMark != row.back()) std::abort();
  // Sent again, a record read back is read back the same: station and previous hash left out.
  std::vector<std::optional<std::string>> sent = labserver::sentValues("station", "", record);
  sent.erase(sent.begin() + 2);
  sent.erase(sent.begin());
  std::vector<std::string> again;
  for (const auto& cell : sent) again.push_back(cell.value_or(""));
  const journal::JournalRecord reread = labserver::recordOf(again);
  if (journal::canonicalText(reread) != journal::canonicalText(record) ||
      reread.hash != record.hash)
    std::abort();
  return 0;
}
