#include "tag_reader.h"

#include <optional>
#include <utility>

#include "port_backend.h"
#include "ralvo_com_a.h"
#include "stop_aware_clock.h"
#include "tag_number.h"

namespace tarvelo::link {

namespace {

// Far more than any reader puts in a tag line; a longer line holds no tag.
constexpr std::size_t kMaxLineBytes = 80;
constexpr uint8_t kCr = '\r';
constexpr uint8_t kLf = '\n';

// One line as it came, without its CR or LF. A line in which a byte came with a line
// error (a digit may have changed) or that grew too long is spoiled: it holds no tag.
struct GatheredLine {
  std::string text;
  bool spoiled = false;
};

class LineGatherer {
 public:
  // The line that `byte` ends, when it ends one with anything in it.
  std::optional<GatheredLine> take(uint8_t byte, bool lineError) {
    if (byte == kCr || byte == kLf) {
      if (line_.text.empty() && !line_.spoiled) return std::nullopt;
      return std::exchange(line_, {});
    }
    line_.spoiled = line_.spoiled || lineError || line_.text.size() == kMaxLineBytes;
    if (line_.text.size() < kMaxLineBytes) line_.text += static_cast<char>(byte);
    return std::nullopt;
  }

  void clear() { line_ = {}; }

 private:
  GatheredLine line_;
};

}  // namespace

TagReader::TagReader(int port, uint32_t baud, TagReaderEvents events)
    : port_(port), baud_(baud), events_(std::move(events)) {}

TagReader::~TagReader() { stop(); }

void TagReader::start() {
  stop();
  reported_.reset();
  thread_ = std::thread(&TagReader::run, this);
}

void TagReader::stop() {
  if (!thread_.joinable()) return;
  stop_.raise();
  thread_.join();
  stop_.clear();
}

void TagReader::run() {
  StopAwareClock clock(stop_);
  RalvoComA com(makeSystemPort(&stop_), clock);
  LineGatherer lines;
  bool wasOpen = false;  // once read, a port that fails again means the reader went away
  while (!stop_.raised()) {
    if (!com.isOpen()) {
      if (const std::optional<Failure> failure = com.Open(port_, baud_, kParityNone)) {
        com.Close();  // one that refused the settings is still open
        report(wasOpen ? TagReaderStatus{TagReaderState::Lost, {}}
                       : TagReaderStatus{TagReaderState::CannotOpen, failure->message});
        stop_.waitMs(kTagReaderSearchIntervalMs);
        continue;
      }
      wasOpen = true;
      lines.clear();
      report({TagReaderState::Reading, {}});
    }
    uint8_t byte = 0;
    const int result = com.Read(&byte, 1);
    if (result == ReadOk || result == ReadLineError) {
      if (std::optional<GatheredLine> line = lines.take(byte, result == ReadLineError)) {
        deliver(line->text, line->spoiled);
      }
    } else if (com.deviceGone()) {
      com.Close();
      report({TagReaderState::Lost, {}});
      stop_.waitMs(kTagReaderSearchIntervalMs);
    }
  }
}

void TagReader::report(const TagReaderStatus& status) {
  if (reported_ == status) return;
  reported_ = status;
  if (events_.status) events_.status(status);
}

void TagReader::deliver(const std::string& line, bool spoiled) {
  const auto time = std::chrono::steady_clock::now();
  std::optional<std::string> number = spoiled ? std::nullopt : tagNumber(line);
  if (number) {
    if (events_.tag) events_.tag({std::move(*number), time});
  } else if (events_.otherLine) {
    events_.otherLine(line);
  }
}

}  // namespace tarvelo::link
