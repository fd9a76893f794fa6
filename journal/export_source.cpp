#include "journal/export_source.h"

namespace tarvelo::journal {

ExportSource journalSource(const Journal& journal, const RecordFilter& filter) {
  const auto forEach = [&journal, filter](const ResultVisitor& take) -> std::optional<link::Failure> {
    try {
      journal.forEachStandingResult(filter, [&take](const JournalRecord& result) { take(result, {}); });
    } catch (const ReadError& error) {
      // An export that stops short is no export.
      return link::Failure{error.failure().code, std::string("журнал не прочитан: ") + error.what()};
    }
    return std::nullopt;
  };
  return {forEach, [&journal] { return printedHead(journal.head()); }};
}

}  // namespace tarvelo::journal
