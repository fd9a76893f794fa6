#include "hidden_log.h"

#include <unistd.h>

#include <array>

#include "log_line.h"

namespace tarvelo::reports {

namespace {

constexpr const char* kLineEnd = "\r\n";
constexpr const char* kBlankFirstLine = " ";
constexpr const char* kStartAnew = "wb";
constexpr const char* kAppend = "ab";
constexpr std::array<char, 20> kNoBalance{"no balance detected"};  // with its zero byte

bool synced(std::FILE* file) { return std::fflush(file) == 0 && fsync(fileno(file)) == 0; }

}  // namespace

HiddenLog::~HiddenLog() { closeFile(); }

void HiddenLog::startRun() {
  closeFile();
  runFileStarted_ = false;
}

bool HiddenLog::closeFile() {
  if (file_ == nullptr) return true;
  const bool ok = synced(file_);
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  return ok && closed;
}

bool HiddenLog::openRunFile(const std::filesystem::path& file) {
  if (file_ != nullptr) return true;
  file_ = std::fopen(file.c_str(), runFileStarted_ ? kAppend : kStartAnew);
  if (file_ == nullptr) return false;
  runFileStarted_ = true;
  return true;
}

// The file holds only whole lines before each write, so its offset then is where a
// failed line is cut back to.
bool HiddenLog::writeLine(const std::filesystem::path& file, const std::string& text) {
  if (!openRunFile(file)) return false;
  const std::string line = text + kLineEnd;
  const off_t lineStart = ftello(file_);
  const bool written = lineStart >= 0 && std::fwrite(line.data(), 1, line.size(), file_) == line.size() &&
                       synced(file_);
  if (!written) dropUnfinishedLine(lineStart);
  return written;
}

// The stream is closed before the cut, so nothing it still buffers can land after it;
// a duplicate of its descriptor outlives it to make the cut.
void HiddenLog::dropUnfinishedLine(off_t lineStart) {
  const int descriptor = dup(fileno(file_));
  closeFile();
  if (descriptor < 0) return;
  if (lineStart >= 0 && ftruncate(descriptor, lineStart) == 0) fsync(descriptor);
  close(descriptor);
}

bool HiddenLog::WriteLogLine(const std::filesystem::path& file, bool limitedByCount, const std::string& timeText,
                             const link::WeightReading& reading, char decimalSeparator) {
  if (logFirstLine_) {
    if (!limitedByCount && !writeLine(file, kBlankFirstLine)) return false;
    logFirstLine_ = false;
  }
  const int lineNumber = logLineCount_ + 1;
  if (!writeLine(file, logLineText(lineNumber, timeText, reading, decimalSeparator))) return false;
  logLineCount_ = lineNumber;
  return true;
}

bool HiddenLog::SaveLog(const std::filesystem::path& file) {
  if (runFileStarted_) return openRunFile(file) && closeFile();
  std::FILE* empty = std::fopen(file.c_str(), kStartAnew);
  return empty != nullptr && std::fclose(empty) == 0;
}

bool HiddenLog::writeNoBalance(const std::filesystem::path& file) const {
  if (runFileStarted_) return false;
  std::FILE* out = std::fopen(file.c_str(), kStartAnew);
  if (out == nullptr) return false;
  const bool written = std::fwrite(kNoBalance.data(), 1, kNoBalance.size(), out) == kNoBalance.size();
  return std::fclose(out) == 0 && written;
}

}  // namespace tarvelo::reports
