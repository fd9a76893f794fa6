#include "session/list_import.h"

#include "journal/animal_list.h"

namespace tarvelo::session {

namespace {

// The list the journal at `path` holds; none yet when there is no journal.
std::vector<journal::Animal> heldList(const std::filesystem::path& path) {
  journal::OpenError failure;
  const auto journal = journal::Journal::openForReading(path, failure, true);
  if (journal) return journal::animalList(*journal);
  std::error_code missing;
  if (!std::filesystem::exists(path, missing)) return {};
  throw journal::ReadError(failure);
}

}  // namespace

ListImport prepareListImport(const std::filesystem::path& file, const std::filesystem::path& journal, bool clearEmpty) {
  ListImport prepared{journal::importAnimalList(file), {}, {}};
  prepared.error = prepared.imported.error;
  if (prepared.error) return prepared;
  try {
    prepared.plan = journal::planImport(prepared.imported, heldList(journal), clearEmpty);
  } catch (const journal::ReadError& failure) {
    prepared.error = std::string("журнал не прочитан: ") + failure.what();
  }
  return prepared;
}

std::optional<std::string> writeListImport(const journal::ImportedList& imported, const std::filesystem::path& path,
                                           bool clearEmpty, const JournalContext& context, const QDateTime& now,
                                           const ListProgress& progress) {
  if (imported.error) return imported.error;
  if (!imported.refused.empty())
    return "в файле " + std::to_string(imported.refused.size()) + " строк с ошибками: список не изменен";
  link::Failure error;
  const auto journal = journal::Journal::open(path, error);
  if (!journal) return "журнал не открывается: " + error.message;
  std::vector<journal::JournalRecord> records;
  try {
    const journal::ImportPlan plan = journal::planImport(imported, journal::animalList(*journal), clearEmpty);
    records.reserve(plan.animals.size());
    for (const journal::PlannedAnimal& planned : plan.animals) records.push_back(animalRecord(planned.animal, context, now));
  } catch (const journal::ReadError& failure) {
    return std::string("журнал не прочитан: ") + failure.what();
  }
  const auto told = [&](size_t done) { return !progress || progress(done, records.size()); };
  if (const auto failure = journal->appendAll(records, told)) {
    if (failure->cancelled) return std::string("импорт отменен: список не изменен");
    return "список не записан в журнал: " + failure->message;
  }
  return std::nullopt;
}

}  // namespace tarvelo::session
