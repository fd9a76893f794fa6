// tarvelo-read: finds the balance on a COM port and prints its readings, one line
// each, in the hidden-mode log format. The first thing to run to check the cable.
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <tuple>
#include <variant>

#include "settings/stored_protocol_memory.h"
#include "tools/console/utf8_console.h"
#include "link/acquisition_thread.h"
#include "link/balance_identity.h"
#include "link/clock.h"
#include "link/diagnostics.h"
#include "link/no_balance_watch.h"
#include "reports/local_time.h"
#include "reports/log_line.h"
#include "tools/read/options.h"

namespace {

using namespace tarvelo;

constexpr uint32_t kConsumerPauseMs = 20;
constexpr int kExitBadUsage = 1;
constexpr int kExitNoBalance = 2;
constexpr int kExitBalanceFellSilent = 3;
constexpr int kExitOutputFailed = 4;
// The extra stability check is off here: readings are printed as the balance sends them.
constexpr float kStabilityWindowS = 10.0f;
constexpr double kStabilityMaxChange = 0.1;

constexpr std::string_view kHelp =
    "Использование: tarvelo-read --com N [--count K] [--seconds S] [--limit S] [--identity]\n"
    "\n"
    "Находит весы на COM-порту N (любого из трех протоколов, которые знает программа)\n"
    "и печатает по строке на показание: номер, время, масса, единица, стабильность —\n"
    "через табуляцию. Запускайте ее первой, чтобы проверить кабель и порт.\n"
    "\n"
    "  --com N      номер COM-порта, от 1 до 255 (в Linux — устройство, на которое\n"
    "               указывает ~/.config/Korvane/Tarvelo/ports/COMN, иначе /dev/ttyS<N-1>)\n"
    "  --count K    остановиться после K показаний\n"
    "  --seconds S  остановиться через S секунд\n"
    "  --limit S    прекратить, если S секунд нет ни одного показания (по умолчанию 15)\n"
    "  --identity   в конце напечатать строку весов (модель и заводской номер)\n"
    "\n"
    "В стандартном выводе только строки показаний и строка весов; почему порт\n"
    "не открывается, и собственные сообщения весов — в стандартном потоке ошибок.\n"
    "\n"
    "Код выхода: 0 — показания пришли и все выведены; 1 — неверные аргументы;\n"
    "2 — весы не обнаружены; 3 — весы замолчали после нескольких показаний;\n"
    "4 — стандартный вывод не принимает запись.\n";

volatile std::sig_atomic_t interrupted = 0;

void onSignal(int) { interrupted = 1; }

// The device path as tried, with the device a COM link points to.
std::string devicePathText(const std::string& device) {
  std::error_code ec;
  const auto target = std::filesystem::read_symlink(device, ec);
  return ec ? device : device + " -> " + target.string();
}

std::string openFailureText(const link::PortOpenFailure& failure) {
  const std::string com = "COM" + std::to_string(failure.portNumber) + ": ";
  const std::string path = devicePathText(failure.device);
  switch (failure.error) {
    case link::PortOpenError::NoSuchDevice:
      return com + "не открывается " + path + ": нет такого устройства";
    case link::PortOpenError::AccessDenied:
      return com + "не открывается " + path +
             ": нет доступа; добавьте пользователя в группу dialout "
             "(sudo adduser $USER dialout) и войдите в систему заново";
    case link::PortOpenError::InUse:
      return com + path + " занят другой программой";
    case link::PortOpenError::NotASerialPort:
      return com + path + " — не последовательный порт";
    case link::PortOpenError::Other:
      break;
  }
  return com + "не открывается " + path + ": " + failure.message;
}

// Says on standard error why the port cannot be opened, once for each cause, while
// the search keeps retrying. Called on the acquisition thread only.
link::PortOpenReport reportEachCauseOnce() {
  auto reported = std::make_shared<std::set<std::tuple<link::PortOpenError, int, std::string>>>();
  return [reported](const link::PortOpenFailure& failure) {
    if (!reported->emplace(failure.error, failure.code, failure.device).second) return;
    std::fprintf(stderr, "%s\n", openFailureText(failure).c_str());
    std::fflush(stderr);
  };
}

std::string timeOfDay() {
  const std::tm local = reports::localTime(std::time(nullptr));
  char text[16];
  std::strftime(text, sizeof text, "%H:%M:%S", &local);
  return text;
}

// Writes one line to standard output at once; gives the errno of the call that failed.
std::optional<int> writeLine(const std::string& line) {
  if (std::fputs(line.c_str(), stdout) == EOF || std::fputc('\n', stdout) == EOF ||
      std::fflush(stdout) == EOF) {
    return errno;
  }
  return std::nullopt;
}

// Says on standard error why the run ended badly, if it did, and gives the exit status.
int exitStatus(long printed, bool fellSilent, std::optional<int> outputError) {
  if (outputError) {
    std::fprintf(stderr, "стандартный вывод не принимает запись: %s\n",
                 std::generic_category().message(*outputError).c_str());
    return kExitOutputFailed;
  }
  // Whatever ended the wait, a run without a reading found no balance.
  if (printed == 0) {
    std::fputs("весы не обнаружены\n", stderr);
    return kExitNoBalance;
  }
  if (fellSilent) {
    std::fputs("весы замолчали\n", stderr);
    return kExitBalanceFellSilent;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Every line is UTF-8, the help and the messages as well as the readings.
  const console::Utf8Console console;
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) == "--help") {
      std::fputs(kHelp.data(), stdout);
      return 0;
    }
  }
  const auto parsed = read::parseOptions(argc, argv);
  if (const auto* error = std::get_if<read::UsageError>(&parsed)) {
    std::fprintf(stderr, "tarvelo-read: %s\n\n%s", error->text.c_str(), kHelp.data());
    return kExitBadUsage;
  }
  const read::Options* options = &std::get<read::Options>(parsed);
  std::setlocale(LC_ALL, "");
  const char decimalSeparator = *std::localeconv()->decimal_point;
  std::signal(SIGINT, onSignal);
  std::signal(SIGTERM, onSignal);

  // Standard output carries only readings, so it can be piped.
  link::setDiagnosticStream(stderr);
  settings::StoredProtocolMemory memory(settings::makeSettingsStore(), std::string(settings::kProgramFileName));
  link::Clock& clock = link::systemClock();
  link::ReadingHandoff handoff;
  link::AcquisitionThread thread(handoff, link::balanceOnSerialPort(&memory, reportEachCauseOnce()),
                                 clock);
  thread.start(options->port, kStabilityWindowS, kStabilityMaxChange);

  const uint32_t runStart = clock.tickCount();
  const auto secondsRunning = [&] { return (clock.tickCount() - runStart) / 1000.0; };
  link::NoBalanceWatch silence(clock, static_cast<uint32_t>(options->limitSeconds * 1000.0));
  link::WeightReading reading;
  long printed = 0;
  bool fellSilent = false;
  std::optional<int> outputError;
  while (interrupted == 0 && !outputError && (options->count == 0 || printed < options->count) &&
         (options->seconds == 0 || secondsRunning() < options->seconds)) {
    clock.sleepMs(kConsumerPauseMs);
    if (handoff.takeReading(reading)) {
      handoff.readingDone();
      silence.signOfLife();
      ++printed;
      outputError = writeLine(
          reports::logLineText(static_cast<int>(printed), timeOfDay(), reading, decimalSeparator));
    } else if (silence.expired()) {
      fellSilent = true;
      break;
    }
  }
  thread.stopAndJoin();
  if (options->identity && printed > 0 && !fellSilent && !outputError) {
    outputError = writeLine(link::balanceIdentityText(reading));
  }
  return exitStatus(printed, fellSilent, outputError);
}
