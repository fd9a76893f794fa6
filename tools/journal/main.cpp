// tarvelo-journal: checks the weighing journal's chain and exports its results, which only
// reads the journal: checking a file never changes it; and imports a list of animals.
#include <QCoreApplication>
#include <QDate>
#include <QStringList>

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <variant>

#include "journal/csv_export.h"
#include "journal/export_file.h"
#include "journal/journal.h"
#include "journal/journal_place.h"
#include "journal/verification_text.h"
#include "labserver/lab_connection.h"
#include "link/utf8_path.h"
#include "tools/console/utf8_console.h"
#include "tools/journal/list_commands.h"
#include "tools/journal/server_commands.h"

namespace {

using namespace tarvelo;
using namespace tarvelo::tools;

constexpr char kDateFormat[] = "yyyy-MM-dd";
constexpr double kWholeShare = 100;

constexpr char kHelp[] =
    "tarvelo-journal verify [--journal ФАЙЛ] [--anchor N:ПОДПИСЬ] [--server СТРОКА [--station ИМЯ]]\n"
    "  проверяет цепочку подписей журнала взвешиваний и называет первую запись, которая с ней не сходится;\n"
    "  сверяет журнал с его последней записью, сохраненной в настройках пользователя, и с --anchor —\n"
    "  номером записи и подписью (не менее 16 знаков), переписанными из протокола или экспорта.\n"
    "  С --server (строка подключения libpq, например \"service=tarvelo\") проверяет цепочку каждой\n"
    "  станции на сервере лаборатории и сверяет журнал с записями станции --station (по умолчанию —\n"
    "  станции, с которой сервер связал вход) на сервере.\n"
    "tarvelo-journal export --server СТРОКА [--station ИМЯ] [--animal НОМЕР] [--from …] [--to …] [--out ФАЙЛ]\n"
    "  результаты всех станций (или одной) с сервера лаборатории в тех же видах, столбец «Станция» последним.\n"
    "tarvelo-journal server init --server СТРОКА\n"
    "  создает на сервере журнал лаборатории (схема tarvelo) и роли tarvelo_owner, tarvelo_station\n"
    "  и tarvelo_reader; журнал, созданный раньше, переносится со всеми записями.\n"
    "tarvelo-journal server add-station ИМЯ [--login ВХОД] [--password-file ФАЙЛ] --server СТРОКА\n"
    "  связывает вход (по умолчанию — ИМЯ; создается, если его нет) со станцией ИМЯ: с этого входа\n"
    "  сервер принимает только записи этой станции. Пароль — первая строка файла, или задайте его\n"
    "  сами (psql: \\password ВХОД).\n"
    "tarvelo-journal server remove-station ИМЯ --server СТРОКА\n"
    "  вход станции больше не добавляет записей; принятые остаются.\n"
    "tarvelo-journal server rename-station ИМЯ НОВОЕ --server СТРОКА\n"
    "  станция зовется по-новому: ее вход, принятые записи и сводки лаборатории берут новое имя,\n"
    "  журнал станции продолжается одной цепочкой.\n"
    "tarvelo-journal export [--journal ФАЙЛ] [--object ИМЯ | --animal НОМЕР] [--from ГГГГ-ММ-ДД] [--to ГГГГ-ММ-ДД]\n"
    "                       [--weights | --growth [--warning %] [--limit %]] [--c-locale] [--out ФАЙЛ [--force]]\n"
    "  результаты (без удаленных) в CSV: \";\" и десятичная запятая, с --c-locale \",\" и точка;\n"
    "  в файл с именем на .xlsx — листом книги, массы в нем числами. Существующий файл\n"
    "  заменяется только с --force. С --weights — взвешивания животных с номерами в CSV для\n"
    "  программ учета колонии: номер, дата, время, масса в граммах. С --growth — рост животных\n"
    "  листом .xlsx (нужен --out ФАЙЛ.xlsx): строка на животное, столбец на день, под массой — процент\n"
    "  исходного веса; дни ниже --warning (85 %) и --limit (80 %) выделены цветом; --warning выше --limit.\n"
    "tarvelo-journal --help (-h)\n"
    "  эта справка.\n"
    "tarvelo-journal list import ФАЙЛ [--journal ФАЙЛ] [--check] [--clear-empty]\n"
    "  вносит в список животных журнала список из CSV или .xlsx, как «Импорт…» в окне «Список животных»,\n"
    "  и пишет, что дает каждая строка: добавлено, изменено (поле «было» → «стало») или почему не принята.\n"
    "  Строка с ошибкой — и журнал не меняется вовсе. С --check журнал не меняется никогда. Пустая ячейка\n"
    "  сохраненного значения не стирает, с --clear-empty — стирает.\n"
    "Журнал по умолчанию — журнал программы Tarvelo этого пользователя. Журнал только читается,\n"
    "кроме list import.\n"
    "Код выхода: 0 — готово; 1 — неверные аргументы; 2 — журнала нет; 3 — цепочка нарушена,\n"
    "журнал укорочен или переписан; 4 — файл не записан; 5 — журнал не прочитан;\n"
    "6 — файл не журнал взвешиваний; 7 — сервер лаборатории недоступен;\n"
    "8 — у объекта --object или животного --animal нет записей в журнале; 9 — в списке животных\n"
    "есть строки с ошибками (журнал не изменен); 10 — файл списка не прочитан.\n";

struct Command {
  std::string action;
  std::string station;  // server add-station, remove-station, rename-station: the station named
  std::string newName;  // server rename-station: the station's new name
  std::map<std::string, std::string> values;  // --name value
  bool cLocale = false;
  bool force = false;
  bool weights = false;  // the animals' weighings in the long form
  bool growth = false;   // the animals' growth sheet
};

struct UsageError {
  std::string text;
};

bool takesValue(const std::string& name) {
  return name == "--journal" || name == "--object" || name == "--animal" || name == "--from" || name == "--to" || name == "--out" ||
         name == "--anchor" || name == "--warning" || name == "--limit" || name == "--server" ||
         name == "--station" || name == "--login" || name == "--password-file";
}

std::filesystem::path pathOf(const std::string& utf8Text) {
  return std::filesystem::path(QString::fromStdString(utf8Text).toStdU16String());
}

// The arguments as the system gives them in Unicode, as UTF-8.
std::variant<Command, UsageError> parse(const QStringList& arguments) {
  if (arguments.size() < 2) return UsageError{"не задано действие"};
  Command command{arguments[1].toStdString(), {}, {}, {}, false, false, false, false};
  qsizetype first = 2;
  if (command.action == "server") {
    const QString action = arguments.size() > 2 ? arguments[2] : QString();
    if (action != "init" && action != "add-station" && action != "remove-station" && action != "rename-station")
      return UsageError{"после server нужно действие init, add-station, remove-station или rename-station"};
    command.action = "server " + action.toStdString();
    first = 3;
    if (action != "init") {
      if (arguments.size() < 4 || arguments[3].startsWith("--"))
        return UsageError{command.action + ": нужно имя станции"};
      command.station = arguments[3].toStdString();
      first = 4;
    }
    if (action == "rename-station") {
      if (arguments.size() < 5 || arguments[4].startsWith("--"))
        return UsageError{command.action + ": нужно новое имя станции"};
      command.newName = arguments[4].toStdString();
      first = 5;
    }
  } else if (command.action != "verify" && command.action != "export") {
    return UsageError{"неизвестное действие «" + command.action + "»"};
  }
  for (qsizetype i = first; i < arguments.size(); ++i) {
    const std::string name = arguments[i].toStdString();
    if (name == "--c-locale") {
      command.cLocale = true;
    } else if (name == "--weights") {
      command.weights = true;
    } else if (name == "--growth") {
      command.growth = true;
    } else if (name == "--force") {
      command.force = true;
    } else if (takesValue(name) && i + 1 < arguments.size()) {
      command.values[name] = arguments[++i].toStdString();
    } else {
      return UsageError{"неизвестный или неполный аргумент «" + name + "»"};
    }
  }
  if (command.weights && command.growth) return UsageError{"--weights и --growth вместе не задаются"};
  if (command.growth && !command.values.contains("--out")) return UsageError{"--growth пишет лист .xlsx: нужен --out ФАЙЛ"};
  if (command.growth && !journal::isSheetFile(pathOf(command.values["--out"])))
    return UsageError{"--growth пишет только лист .xlsx: имя файла --out должно кончаться на .xlsx"};
  if ((command.weights || command.growth) && command.values.contains("--server"))
    return UsageError{"--weights и --growth читают только журнал этой станции, без --server"};
  if (command.values.contains("--server") && command.values.contains("--object"))
    return UsageError{"--object называет объект этой станции: на сервере выберите --animal"};
  if (command.action.starts_with("server ") && !command.values.contains("--server"))
    return UsageError{command.action + ": нужен --server СТРОКА"};
  return command;
}

std::optional<std::string> valueOf(const Command& command, const std::string& name) {
  const auto found = command.values.find(name);
  return found != command.values.end() ? std::optional(found->second) : std::nullopt;
}

// The date of `name`, a real one written ГГГГ-ММ-ДД; the reason when it is not.
std::variant<std::optional<QDate>, UsageError> dateOf(const Command& command, const std::string& name) {
  const auto text = valueOf(command, name);
  if (!text) return std::optional<QDate>();
  const QDate date = QDate::fromString(QString::fromStdString(*text), kDateFormat);
  if (!date.isValid()) return UsageError{name + " «" + *text + "»: нужна дата в виде ГГГГ-ММ-ДД, например 2026-12-07"};
  return std::optional(date);
}

std::variant<journal::RecordFilter, UsageError> filterOf(const Command& command) {
  const auto from = dateOf(command, "--from");
  const auto to = dateOf(command, "--to");
  for (const auto* date : {&from, &to}) {
    if (const auto* error = std::get_if<UsageError>(date)) return *error;
  }
  const auto start = std::get<std::optional<QDate>>(from);
  const auto end = std::get<std::optional<QDate>>(to);
  if (start && end && *start > *end) return UsageError{"--from позже --to: в таком периоде нет ни одного дня"};
  const auto text = [](const std::optional<QDate>& date) {
    return date ? std::optional(date->toString(kDateFormat).toStdString()) : std::nullopt;
  };
  return journal::RecordFilter{valueOf(command, "--object"), text(start), text(end), valueOf(command, "--animal")};
}

// The share of `name` in per cent, above 0 and at most 100; the reason when it is not.
std::variant<double, UsageError> shareOf(const Command& command, const std::string& name, double byDefault) {
  const auto text = valueOf(command, name);
  if (!text) return byDefault;
  double share = 0;
  const char* end = text->data() + text->size();
  const auto [stop, error] = std::from_chars(text->data(), end, share);
  if (error != std::errc{} || stop != end || !(share > 0 && share <= kWholeShare))
    return UsageError{name + " «" + *text + "»: нужен процент больше 0 и не больше 100, например 85"};
  return share;
}

std::variant<journal::AlertShares, UsageError> sharesOf(const Command& command) {
  const auto warning = shareOf(command, "--warning", journal::kDefaultWarningShare);
  const auto limit = shareOf(command, "--limit", journal::kDefaultLimitShare);
  for (const auto* share : {&warning, &limit}) {
    if (const auto* error = std::get_if<UsageError>(share)) return *error;
  }
  const journal::AlertShares shares{std::get<double>(warning), std::get<double>(limit)};
  // A weight below the limit is marked as the limit: a warning at or below it never shows.
  if (!journal::warningAboveLimit(shares))
    return UsageError{QString("--warning %1 не выше --limit %2: предупреждение нужно выше предела, например 85 и 80")
                          .arg(shares.warning)
                          .arg(shares.limit)
                          .toStdString()};
  return shares;
}

// Why `file` may not be written: something that is not a regular file, or a file that
// is there without --force.
std::optional<std::string> refusedTarget(const std::filesystem::path& file, bool force) {
  std::error_code error;
  const auto status = std::filesystem::status(file, error);
  if (!std::filesystem::exists(status)) return std::nullopt;
  if (!std::filesystem::is_regular_file(status)) return "это не обычный файл, он не заменяется";
  if (!force) return "такой файл уже есть; --force заменит его";
  return std::nullopt;
}

int verify(const journal::Journal& journal, const Command& command) {
  std::vector<journal::Head> anchors;
  if (const auto stored = journal::storedHead(journal.path())) anchors.push_back(*stored);
  if (const auto given = valueOf(command, "--anchor")) {
    const auto anchor = journal::parseAnchor(*given);
    if (!anchor) {
      std::fprintf(stderr, "--anchor «%s»: нужен номер записи и подпись, например 42:%s\n%s", given->c_str(),
                   std::string(journal::kShownHashDigits, '0').c_str(), kHelp);
      return kExitBadUsage;
    }
    anchors.push_back(*anchor);
  }
  const journal::Verification result = journal.verify(anchors);
  std::printf("%s\n", journal::verificationText(result).c_str());
  return journal::holds(result) ? 0 : kExitChainBroken;
}

int exportResults(const journal::Journal& journal, const Command& command) {
  const auto filter = filterOf(command);
  if (const auto* error = std::get_if<UsageError>(&filter)) {
    std::fprintf(stderr, "tarvelo-journal: %s\n", error->text.c_str());
    return kExitBadUsage;
  }
  const auto shares = sharesOf(command);
  if (const auto* error = std::get_if<UsageError>(&shares)) {
    std::fprintf(stderr, "tarvelo-journal: %s\n", error->text.c_str());
    return kExitBadUsage;
  }
  const auto style = command.cLocale ? journal::ExportStyle::CLocale : journal::ExportStyle::Russian;
  const auto& records = std::get<journal::RecordFilter>(filter);
  if (const auto named = records.object ? records.object : records.animal) {
    if (journal.objects({records.object, {}, {}, records.animal}).empty()) {
      std::fprintf(stderr, "tarvelo-journal: нет записей %s «%s»\n", records.object ? "объекта" : "животного",
                   named->c_str());
      return kExitNoRecords;
    }
  }
  const auto out = valueOf(command, "--out");
  if (!out) {
    console::binaryStandardOutput();  // the CSV's own line ends, untranslated
    const auto failure = command.weights ? journal::writeAnimalWeightsCsv(journal, records, style, stdout)
                                         : journal::writeCsv(journal, records, style, stdout);
    if (failure) std::fprintf(stderr, "Результаты не выведены: %s\n", failure->message.c_str());
    return failure ? kExitNotWritten : 0;
  }
  const std::filesystem::path file = pathOf(*out);
  std::optional<std::string> failure = refusedTarget(file, command.force);
  if (!failure) {
    const auto refused =
        command.weights  ? journal::exportAnimalWeights(journal, records, style, file)
        : command.growth ? journal::exportGrowth(journal, records, style, std::get<journal::AlertShares>(shares), file)
                         : journal::exportResults(journal, records, style, file);
    if (refused) failure = refused->message;
  }
  if (failure) {
    std::fprintf(stderr, "Файл «%s» не записан: %s\n", out->c_str(), failure->c_str());
    return kExitNotWritten;
  }
  return 0;
}

// The lab's results from the server: no journal of this station is read.
int exportFromServer(const std::string& server, const Command& command) {
  const auto filter = filterOf(command);
  if (const auto* error = std::get_if<UsageError>(&filter)) {
    std::fprintf(stderr, "tarvelo-journal: %s\n", error->text.c_str());
    return kExitBadUsage;
  }
  const auto out = valueOf(command, "--out");
  const std::filesystem::path file = out ? pathOf(*out) : std::filesystem::path();
  if (const auto refused = out ? refusedTarget(file, command.force) : std::nullopt) {
    std::fprintf(stderr, "Файл «%s» не записан: %s\n", out->c_str(), refused->c_str());
    return kExitNotWritten;
  }
  const auto style = command.cLocale ? journal::ExportStyle::CLocale : journal::ExportStyle::Russian;
  return exportServer(server, std::get<journal::RecordFilter>(filter), valueOf(command, "--station"), style, file);
}

int run(const Command& command) {
  const auto server = valueOf(command, "--server");
  // A command line is seen by every user of the computer, and kept in shell histories.
  if (const auto refusal = server ? labserver::passwordRefusal(*server) : std::nullopt) {
    std::fprintf(stderr, "tarvelo-journal: --server: %s\n", refusal->c_str());
    return kExitBadUsage;
  }
  if (command.action == "server init") return initServer(*server);
  if (command.action == "server add-station") {
    const auto passwordFile = valueOf(command, "--password-file");
    return addStationOnServer(*server, command.station, valueOf(command, "--login").value_or(command.station),
                              passwordFile ? std::optional(pathOf(*passwordFile)) : std::nullopt);
  }
  if (command.action == "server remove-station") return removeStationOnServer(*server, command.station);
  if (command.action == "server rename-station") return renameStationOnServer(*server, command.station, command.newName);
  if (server && command.action == "export") return exportFromServer(*server, command);
  const auto given = valueOf(command, "--journal");
  const std::filesystem::path path = given ? pathOf(*given) : journal::defaultJournalPath();
  std::error_code error;
  const bool exists = std::filesystem::exists(path, error);
  const std::optional<std::string> station = valueOf(command, "--station");
  // The lab's copy is checked without a journal here, as on the study director's computer.
  if (server && command.action == "verify" && !exists && !given) return verifyServer(*server, nullptr, station);
  if (!exists) {
    std::fprintf(stderr, "Журнала «%s» нет.\n", link::utf8Text(path).c_str());
    return kExitNoJournal;
  }
  journal::OpenError failure;
  const auto journal = journal::Journal::openForReading(path, failure);
  if (!journal) {
    std::fprintf(stderr, failure.notAJournal ? "«%s» — не журнал взвешиваний: %s\n" : "Журнал «%s» не открыт: %s\n",
                 link::utf8Text(path).c_str(), failure.message.c_str());
    return failure.notAJournal ? kExitNotAJournal : kExitUnreadable;
  }
  try {
    if (server && command.action == "verify") return verifyServer(*server, journal.get(), station);
    return command.action == "verify" ? verify(*journal, command) : exportResults(*journal, command);
  } catch (const journal::ReadError& unread) {
    std::fprintf(stderr, "Журнал «%s» не прочитан до конца: %s. Его проверка и экспорт недействительны.\n",
                 link::utf8Text(path).c_str(), unread.what());
    return kExitUnreadable;
  }
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  const console::Utf8Console console;
  if (const QStringList given = QCoreApplication::arguments(); given.size() == 2 && (given[1] == "--help" || given[1] == "-h")) {
    std::fputs(kHelp, stdout);
    return 0;
  }
  if (const QStringList given = QCoreApplication::arguments(); given.size() > 1 && given[1] == "list")
    return tools::listCommand(given);
  const auto command = parse(QCoreApplication::arguments());
  if (const auto* error = std::get_if<UsageError>(&command)) {
    std::fprintf(stderr, "tarvelo-journal: %s\n\n%s", error->text.c_str(), kHelp);
    return kExitBadUsage;
  }
  return run(std::get<Command>(command));
}
