#include <cstdlib>

#include "input_file.h"
#include "journal/journal.h"

using namespace tarvelo::journal;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  OpenError error;
  const auto journal =
      Journal::openForReading(tarvelo::fuzz::writeInput("journal.sqlite", data, size), error);
  if (!journal) return 0;
  try {
    const Verification verified = journal->verify();
    const std::vector<JournalRecord> records = journal->records();
    // The check walks the records the reader reads, in the same order.
    if (verified.records != static_cast<std::int64_t>(records.size())) std::abort();
    if (!records.empty() &&
        (verified.head.record != records.back().id || verified.head.hash != records.back().hash))
      std::abort();
    // In a journal that passes the check, each standing result is one weighing of one object.
    std::int64_t weighings = 0;
    for (const ObjectSummary& object : journal->objects()) weighings += object.weighings;
    const auto standing = static_cast<std::int64_t>(journal->standingResults().size());
    if (!verified.firstBroken && weighings != standing) std::abort();
    journal->head();
  } catch (const ReadError&) {
    // A damaged page: the reader says so, which is all it may do.
  }
  return 0;
}
