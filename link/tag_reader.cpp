#include "tag_reader.h"

#include <optional>
#include <utility>

#include "port_backend.h"
#include "ralvo_com_a.h"
#include "stop_aware_clock.h"
#include "tag_line.h"
#include "tag_number.h"

namespace tarvelo::link {

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
  TagLineGatherer lines;
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
