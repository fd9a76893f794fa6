#pragma once

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "link/clock.h"
#include "link/ralvo_com_a.h"

// What both port back ends must do, checked the same way on each: on a pseudo-terminal
// here, on a COM port of the Wine prefix under Wine.
namespace tarvelo::testing {

inline link::RalvoComA systemPort(const link::StopSignal* stop = nullptr,
                                  link::PortOpenReport report = {}) {
  return link::RalvoComA(link::makeSystemPort(stop, std::move(report)), link::systemClock());
}

template <typename F>
std::chrono::milliseconds timed(F&& f) {
  const auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               start);
}

// An open port on a silent line: a read of one byte ends after about a second
// (`oneByteAtLeast`), a read of eight a millisecond a byte later, neither much later.
inline void expectSilentLineTimesOut(link::RalvoComA& port,
                                     std::chrono::milliseconds oneByteAtLeast) {
  using namespace std::chrono_literals;
  constexpr auto kEightBytesLimit = 3000ms;
  constexpr auto kSevenMoreBytes = 7ms;
  std::array<uint8_t, 8> buffer{};
  int result = 0;
  const auto oneByte = timed([&] { result = port.Read(buffer.data(), 1); });
  EXPECT_EQ(result, link::ReadTimedOut);
  EXPECT_GE(oneByte, oneByteAtLeast);
  const auto eightBytes = timed([&] { result = port.Read(buffer.data(), 8); });
  EXPECT_EQ(result, link::ReadTimedOut);
  EXPECT_GE(eightBytes, oneByteAtLeast + kSevenMoreBytes);
  EXPECT_LT(eightBytes, kEightBytesLimit);
}

// A port one program holds is refused to a second, which hears why and which device it
// tried, and opens it once the first lets go.
inline void expectHeldPortRefusedUntilReleased(int com, uint32_t baud, const std::string& device) {
  std::vector<link::PortOpenFailure> failures;
  link::RalvoComA first = systemPort();
  link::RalvoComA second =
      systemPort(nullptr, [&failures](const link::PortOpenFailure& f) { failures.push_back(f); });
  ASSERT_FALSE(first.Open(com, baud, link::kParityEven));
  EXPECT_TRUE(second.Open(com, baud, link::kParityEven));
  EXPECT_FALSE(second.isOpen());
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0].error, link::PortOpenError::InUse);
  EXPECT_EQ(failures[0].device, device);
  EXPECT_FALSE(first.Close());
  EXPECT_FALSE(second.Open(com, baud, link::kParityEven));
}

}  // namespace tarvelo::testing
