// tarvelo-journal: checks the weighing journal's chain and exports its results.
#include <QCoreApplication>
#include <QStandardPaths>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <string>

#include "journal/csv_export.h"
#include "journal/export_file.h"
#include "journal/journal.h"
#include "tools/console/utf8_console.h"

namespace {

using namespace tarvelo;

constexpr int kExitBadUsage = 1;
constexpr int kExitNoJournal = 2;
constexpr int kExitChainBroken = 3;
constexpr int kExitNotWritten = 4;

constexpr char kHelp[] =
    "tarvelo-journal verify [--journal ФАЙЛ]\n"
    "  проверяет цепочку подписей журнала взвешиваний и называет первую запись, которая с ней не сходится.\n"
    "tarvelo-journal export [--journal ФАЙЛ] [--object ИМЯ] [--from ГГГГ-ММ-ДД] [--to ГГГГ-ММ-ДД]\n"
    "                       [--c-locale] [--out ФАЙЛ]\n"
    "  результаты (без удаленных) в CSV: \";\" и десятичная запятая, с --c-locale \",\" и точка;\n"
    "  в файл с именем на .xlsx — листом книги, массы в нем числами.\n"
    "Журнал по умолчанию — журнал программы Tarvelo этого пользователя.\n";

struct Command {
  std::string action;
  std::map<std::string, std::string> values;  // --name value
  bool cLocale = false;
};

std::optional<Command> parse(int argc, char** argv) {
  if (argc < 2) return std::nullopt;
  Command command{argv[1], {}, false};
  if (command.action != "verify" && command.action != "export") return std::nullopt;
  for (int i = 2; i < argc; ++i) {
    const std::string name = argv[i];
    if (name == "--c-locale") {
      command.cLocale = true;
    } else if ((name == "--journal" || name == "--object" || name == "--from" || name == "--to" || name == "--out") &&
               i + 1 < argc) {
      command.values[name] = argv[++i];
    } else {
      return std::nullopt;
    }
  }
  return command;
}

std::optional<std::string> valueOf(const Command& command, const std::string& name) {
  const auto found = command.values.find(name);
  return found != command.values.end() ? std::optional(found->second) : std::nullopt;
}

std::filesystem::path journalPath(const Command& command) {
  if (const auto given = valueOf(command, "--journal")) return std::filesystem::u8path(*given);
  // Where the program keeps it: its own data folder.
  QCoreApplication::setApplicationName("Tarvelo");
  return std::filesystem::path(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation).toStdU16String() +
                               u"/journal.sqlite");
}

int verify(const journal::Journal& journal) {
  const journal::Verification result = journal.verify();
  if (result.firstBroken) {
    std::printf("Цепочка журнала нарушена: запись № %lld не сходится со своей подписью (изменена она или запись "
                "перед ней). Проверено записей: %lld.\n",
                static_cast<long long>(*result.firstBroken), static_cast<long long>(result.records));
    return kExitChainBroken;
  }
  std::printf("Цепочка журнала цела. Записей: %lld.\n", static_cast<long long>(result.records));
  return 0;
}

int exportResults(const journal::Journal& journal, const Command& command) {
  const journal::RecordFilter filter{valueOf(command, "--object"), valueOf(command, "--from"),
                                     valueOf(command, "--to")};
  const auto style = command.cLocale ? journal::ExportStyle::CLocale : journal::ExportStyle::Russian;
  const std::vector<journal::JournalRecord> results = journal.standingResults(filter);
  const auto out = valueOf(command, "--out");
  if (!out) {
    const std::string csv = journal::csvOf(results, style);
    std::fwrite(csv.data(), 1, csv.size(), stdout);
    return 0;
  }
  const std::string failure = journal::exportResults(results, style, std::filesystem::u8path(*out));
  if (!failure.empty()) {
    std::fprintf(stderr, "Файл «%s» не записан: %s\n", out->c_str(), failure.c_str());
    return kExitNotWritten;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  const console::Utf8Console console;
  const std::optional<Command> command = parse(argc, argv);
  if (!command) {
    std::fputs(kHelp, stderr);
    return kExitBadUsage;
  }
  const std::filesystem::path path = journalPath(*command);
  if (!std::filesystem::exists(path)) {
    std::fprintf(stderr, "Журнала «%s» нет.\n", reinterpret_cast<const char*>(path.u8string().c_str()));
    return kExitNoJournal;
  }
  std::string error;
  const auto journal = journal::Journal::open(path, error);
  if (!journal) {
    std::fprintf(stderr, "Журнал «%s» не открыт: %s\n", reinterpret_cast<const char*>(path.u8string().c_str()),
                 error.c_str());
    return kExitNoJournal;
  }
  return command->action == "verify" ? verify(*journal) : exportResults(*journal, *command);
}
