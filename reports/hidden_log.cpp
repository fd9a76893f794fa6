#include "hidden_log.h"

#include <unistd.h>

#include <array>

#include "log_line.h"

namespace tarvelo::reports {

namespace {

constexpr const char* kLineEnd = "\r\n";
constexpr const char* kBlankFirstLine = " ";
constexpr std::array<char, 20> kNoBalance{"no balance detected"};  // with its zero byte

bool synced(std::FILE* file) { return std::fflush(file) == 0 && fsync(fileno(file)) == 0; }

}  // namespace

HiddenLog::~HiddenLog() { closeFile(); }

void HiddenLog::startRun() { closeFile(); }

bool HiddenLog::closeFile() {
  if (file_ == nullptr) return true;
  const bool ok = synced(file_);
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  return ok && closed;
}

bool HiddenLog::writeThrough(const std::filesystem::path& file, const std::string& line) {
  if (file_ == nullptr) file_ = std::fopen(file.c_str(), "wb");
  if (file_ == nullptr) return false;
  return std::fputs(line.c_str(), file_) >= 0 && std::fputs(kLineEnd, file_) >= 0 && synced(file_);
}

bool HiddenLog::WriteLogLine(const std::filesystem::path& file, bool limitedByCount, const std::string& timeText,
                             const link::WeightReading& reading, char decimalSeparator) {
  if (logFirstLine_) {
    if (!limitedByCount && !writeThrough(file, kBlankFirstLine)) return false;
    logFirstLine_ = false;
  }
  ++logLineCount_;
  return writeThrough(file, logLineText(logLineCount_, timeText, reading, decimalSeparator));
}

bool HiddenLog::SaveLog(const std::filesystem::path& file) {
  if (file_ != nullptr) return closeFile();
  std::FILE* empty = std::fopen(file.c_str(), "wb");
  return empty != nullptr && std::fclose(empty) == 0;
}

bool HiddenLog::writeNoBalance(const std::filesystem::path& file) {
  std::FILE* out = std::fopen(file.c_str(), "wb");
  if (out == nullptr) return false;
  const bool written = std::fwrite(kNoBalance.data(), 1, kNoBalance.size(), out) == kNoBalance.size();
  return std::fclose(out) == 0 && written;
}

}  // namespace tarvelo::reports
