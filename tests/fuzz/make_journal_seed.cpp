// Writes a small weighing journal by the journal's own writer, a seed for fuzz_journal_file:
//   make_journal_seed FILE
#include <cstdio>

#include "journal/journal.h"

using namespace tarvelo::journal;

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  tarvelo::link::Failure failure;
  const auto journal = Journal::open(argv[1], failure);
  if (!journal) return std::fprintf(stderr, "%s\n", failure.message.c_str()), 1;
  const auto record = [](const char* kind, const char* object, double grams, std::int64_t subject) {
    JournalRecord r{
        .kind = kind, .utc = "2026-12-07T09:05:07.000Z", .local = "2026-12-07 12:05:07"};
    r.object = object;
    r.animal = object[0] == '9' ? object : "";
    r.grams = grams;
    r.mass = std::to_string(grams);
    r.subject = subject;
    return r;
  };
  for (JournalRecord r :
       {record(kAnimal, "985000001234567", 25.5, 0), record(kResult, "985000001234567", 24.1, 0),
        record(kResult, "Мышь 2", 30, 0), record(kResult, "Мышь 3", 31, 0),
        record(kRemoval, "Мышь 2", 30, 3), record(kRename, "Мышь 2", 31, 4),
        record(kReference, "985000001234567", 24.1, 2)}) {
    if (const auto failed = journal->append(r))
      return std::fprintf(stderr, "%s\n", failed->message.c_str()), 1;
  }
  return 0;
}
