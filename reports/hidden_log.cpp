#include "hidden_log.h"

#include <array>
#include <cerrno>
#include <utility>

#include "file_descriptor.h"
#include "link/ansi_text.h"
#include "log_line.h"
#include "open_file.h"

namespace tarvelo::reports {

namespace {

constexpr const char* kLineEnd = "\r\n";
constexpr const char* kBlankFirstLine = " ";
constexpr const char* kStartAnew = "wb";
constexpr const char* kAppend = "ab";
constexpr std::array<char, 20> kNoBalance{"no balance detected"};  // with its zero byte

bool synced(std::FILE* file) { return std::fflush(file) == 0 && syncDescriptor(fileno(file)) == 0; }

// The error of the call that just failed.
LogWriteResult failedCall() { return {lastFileError()}; }

// Closes `file`: the earlier failure when there was one, else the close's own.
LogWriteResult closed(std::FILE* file, LogWriteResult earlier) {
  const bool closedWell = std::fclose(file) == 0;
  if (!closedWell && earlier) return failedCall();
  return earlier;
}

}  // namespace

HiddenLog::~HiddenLog() { closeFile(); }

void HiddenLog::startRun() {
  closeFile();
  runFileStarted_ = false;
}

LogWriteResult HiddenLog::closeFile() {
  if (file_ == nullptr) return {};
  const LogWriteResult flushed = synced(file_) ? LogWriteResult{} : failedCall();
  return closed(std::exchange(file_, nullptr), flushed);
}

LogWriteResult HiddenLog::openRunFile(const std::filesystem::path& file) {
  if (file_ != nullptr) return {};
  file_ = openFile(file, runFileStarted_ ? kAppend : kStartAnew);
  if (file_ == nullptr) return failedCall();
  runFileStarted_ = true;
  return {};
}

// The file holds only whole lines before each write, so its offset then is where a
// failed line is cut back to.
LogWriteResult HiddenLog::writeLine(const std::filesystem::path& file, const std::string& text) {
  if (LogWriteResult opened = openRunFile(file); !opened) return opened;
  const std::string line = link::toAnsiText(text) + kLineEnd;
  const int64_t lineStart = offsetOf(file_);
  const bool written = lineStart >= 0 && std::fwrite(line.data(), 1, line.size(), file_) == line.size() &&
                       synced(file_);
  if (written) return {};
  const LogWriteResult failure = failedCall();
  dropUnfinishedLine(lineStart);
  return failure;
}

// The stream is closed before the cut, so nothing it still buffers can land after it;
// a duplicate of its descriptor outlives it to make the cut.
void HiddenLog::dropUnfinishedLine(int64_t lineStart) {
  const int descriptor = duplicateDescriptor(fileno(file_));
  closeFile();
  if (descriptor < 0) return;
  if (lineStart >= 0 && cutDescriptor(descriptor, lineStart) == 0) syncDescriptor(descriptor);
  closeDescriptor(descriptor);
}

LogWriteResult HiddenLog::WriteLogLine(const std::filesystem::path& file, bool limitedByCount,
                                      const std::string& timeText, const link::WeightReading& reading,
                                      char decimalSeparator) {
  if (logFirstLine_) {
    if (!limitedByCount) {
      if (LogWriteResult blank = writeLine(file, kBlankFirstLine); !blank) return blank;
    }
    logFirstLine_ = false;
  }
  const int lineNumber = logLineCount_ + 1;
  LogWriteResult written = writeLine(file, logLineText(lineNumber, timeText, reading, decimalSeparator));
  if (written) logLineCount_ = lineNumber;
  return written;
}

LogWriteResult HiddenLog::SaveLog(const std::filesystem::path& file) {
  if (runFileStarted_) {
    if (LogWriteResult opened = openRunFile(file); !opened) return opened;
    return closeFile();
  }
  std::FILE* empty = openFile(file, kStartAnew);
  if (empty == nullptr) return failedCall();
  return closed(empty, {});
}

LogWriteResult HiddenLog::writeNoBalance(const std::filesystem::path& file) const {
  if (runFileStarted_) return {std::make_error_code(std::errc::file_exists)};
  std::FILE* out = openFile(file, kStartAnew);
  if (out == nullptr) return failedCall();
  const bool written = std::fwrite(kNoBalance.data(), 1, kNoBalance.size(), out) == kNoBalance.size();
  return closed(out, written ? LogWriteResult{} : failedCall());
}

}  // namespace tarvelo::reports
