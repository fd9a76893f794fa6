#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "link/port_backend.h"
#include "tests/support/fake_clock.h"

namespace tarvelo::testing {

// What a scripted balance holds: bytes waiting to be read, bytes written, and the
// answers it gives. Shared by every port object a driver makes, like one device.
struct ScriptedLine {
  std::deque<uint8_t> incoming;
  std::vector<uint8_t> written;
  // Called with every write; may append answers to `incoming`.
  std::function<void(const uint8_t* bytes, int n, ScriptedLine& line)> onWrite;
  // Line error flags reported after the next transfer.
  uint32_t pendingErrors = 0;
  bool openFails = false;
  bool configureFails = false;
  int opens = 0;
  uint32_t lastBaud = 0;
  uint8_t lastParity = 0;

  void feed(std::initializer_list<uint8_t> bytes) { incoming.insert(incoming.end(), bytes); }
  void feed(const std::vector<uint8_t>& bytes) { incoming.insert(incoming.end(), bytes.begin(), bytes.end()); }
};

// A port back end over a ScriptedLine. A read that finds too few bytes spends the
// whole time-out on the fake clock, as a silent real line would.
class ScriptedPort final : public link::PortBackend {
 public:
  ScriptedPort(ScriptedLine& line, FakeClock& clock) : line_(line), clock_(clock) {}

  std::optional<link::Failure> open(int) override {
    if (line_.openFails) return link::Failure{};
    ++line_.opens;
    open_ = true;
    return std::nullopt;
  }
  std::optional<link::Failure> configure(uint32_t baud, uint8_t parity) override {
    line_.lastBaud = baud;
    line_.lastParity = parity;
    if (line_.configureFails) return link::Failure{};
    return std::nullopt;
  }
  std::optional<link::Failure> close() override {
    open_ = false;
    return std::nullopt;
  }
  bool isOpen() const override { return open_; }
  int read(uint8_t* buffer, int n) override {
    int moved = 0;
    while (moved < n && !line_.incoming.empty()) {
      buffer[moved++] = line_.incoming.front();
      line_.incoming.pop_front();
    }
    if (moved < n) clock_.advance(static_cast<uint32_t>(link::kTotalTimeoutConstantMs + n));
    return moved;
  }
  int write(const uint8_t* buffer, int n) override {
    line_.written.insert(line_.written.end(), buffer, buffer + n);
    if (line_.onWrite) line_.onWrite(buffer, n, line_);
    return n;
  }
  uint32_t takeLineErrors() override { return std::exchange(line_.pendingErrors, 0); }

 private:
  ScriptedLine& line_;
  FakeClock& clock_;
  bool open_ = false;
};

inline std::unique_ptr<link::PortBackend> scriptedPort(ScriptedLine& line, FakeClock& clock) {
  return std::make_unique<ScriptedPort>(line, clock);
}

}  // namespace tarvelo::testing
