#include "tools/journal/list_commands.h"

#include <QDateTime>
#include <cstdio>
#include <map>

#include "journal/journal_place.h"
#include "link/utf8_path.h"
#include "session/list_import.h"
#include "tools/journal/exit_codes.h"

namespace tarvelo::tools {

namespace {

struct ListOptions {
  std::filesystem::path file;
  std::filesystem::path journal = journal::defaultJournalPath();
  bool check = false;
  bool clearEmpty = false;
};

std::filesystem::path pathOf(const QString& text) { return std::filesystem::path(text.toStdU16String()); }

// The options after "list import"; why they are wrong.
std::variant<ListOptions, std::string> optionsOf(const QStringList& arguments) {
  constexpr qsizetype kFirstOption = 4;  // program, "list", "import", the file
  if (arguments.size() < 3 || arguments[2] != "import") return std::string("после list нужно действие import");
  if (arguments.size() < kFirstOption || arguments[3].startsWith("--")) return std::string("list import: нужен файл списка");
  ListOptions options;
  options.file = pathOf(arguments[3]);
  for (qsizetype i = kFirstOption; i < arguments.size(); ++i) {
    if (arguments[i] == "--check") {
      options.check = true;
    } else if (arguments[i] == "--clear-empty") {
      options.clearEmpty = true;
    } else if (arguments[i] == "--journal" && i + 1 < arguments.size()) {
      options.journal = pathOf(arguments[++i]);
    } else {
      return "неизвестный или неполный аргумент «" + arguments[i].toStdString() + "»";
    }
  }
  return options;
}

void printChanges(const session::ListImport& prepared) {
  std::map<int, std::string> lines;  // what each line of the file does, in the file's order
  for (const journal::PlannedAnimal& planned : prepared.plan.animals) {
    std::string said = (planned.added ? "добавлено " : "изменено ") + planned.animal.number;
    for (size_t i = 0; i < planned.changes.size(); ++i) {
      const journal::FieldChange& change = planned.changes[i];
      said += (i == 0 ? ": " : "; ") + change.field + " «" + change.before + "» → «" + change.after + "»";
    }
    lines[planned.line] = said;
  }
  for (const journal::RefusedLine& refused : prepared.imported.refused) lines[refused.line] = "не принята: " + refused.reason;
  for (const auto& [line, said] : lines) std::printf("строка %d: %s\n", line, said.c_str());
  const journal::ImportPlan& plan = prepared.plan;
  std::printf("Прочитано: %s. Добавлено: %zu, изменено: %zu, без изменений: %zu, не принято строк: %zu.\n",
              prepared.imported.source.c_str(), plan.added, plan.changed, plan.unchanged,
              prepared.imported.refused.size());
  std::string unread;
  for (const std::string& heading : prepared.imported.unread) unread += (unread.empty() ? "«" : ", «") + heading + "»";
  if (!unread.empty()) std::printf("Не читаются столбцы: %s.\n", unread.c_str());
}

}  // namespace

int listCommand(const QStringList& arguments) {
  const auto parsed = optionsOf(arguments);
  if (const auto* error = std::get_if<std::string>(&parsed)) {
    std::fprintf(stderr, "tarvelo-journal: %s\n", error->c_str());
    return kExitBadUsage;
  }
  const ListOptions& options = std::get<ListOptions>(parsed);
  const session::ListImport prepared = session::prepareListImport(options.file, options.journal, options.clearEmpty);
  if (prepared.error) {
    std::fprintf(stderr, "Список «%s» не прочитан: %s\n", link::utf8Text(options.file).c_str(), prepared.error->c_str());
    return prepared.imported.error ? kExitListUnreadable : kExitUnreadable;
  }
  printChanges(prepared);
  if (!prepared.imported.refused.empty()) {
    std::fprintf(stderr, "В списке есть строки с ошибками: журнал не изменен.\n");
    return kExitLinesRefused;
  }
  if (options.check) return 0;
  const session::JournalContext context{qEnvironmentVariable("USER", qEnvironmentVariable("USERNAME")).toStdString(), {}};
  if (const auto failure = session::writeListImport(prepared.imported, options.journal, options.clearEmpty, context,
                                                    QDateTime::currentDateTime())) {
    std::fprintf(stderr, "Журнал «%s» не изменен: %s\n", link::utf8Text(options.journal).c_str(), failure->c_str());
    return kExitNotWritten;
  }
  return 0;
}

}  // namespace tarvelo::tools
