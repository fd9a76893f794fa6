#include "hidden_log.h"

#include <array>
#include <system_error>
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

// Closes `file`: the earlier failure when there was one, else the close's own.
std::optional<link::Failure> closed(std::FILE* file, std::optional<link::Failure> earlier) {
  const bool closedWell = std::fclose(file) == 0;
  if (!closedWell && !earlier) return lastFileFailure();
  return earlier;
}

}  // namespace

HiddenLog::~HiddenLog() { closeFile(); }

void HiddenLog::startRun() {
  closeFile();
  runFileStarted_ = false;
}

std::optional<link::Failure> HiddenLog::closeFile() {
  if (file_ == nullptr) return std::nullopt;
  std::optional<link::Failure> flushed = synced(file_) ? std::nullopt : std::optional(lastFileFailure());
  return closed(std::exchange(file_, nullptr), std::move(flushed));
}

std::optional<link::Failure> HiddenLog::openRunFile(const std::filesystem::path& file) {
  if (file_ != nullptr) return std::nullopt;
  file_ = openFile(file, runFileStarted_ ? kAppend : kStartAnew);
  if (file_ == nullptr) return lastFileFailure();
  runFileStarted_ = true;
  return std::nullopt;
}

// The file holds only whole lines before each write, so its offset then is where a
// failed line is cut back to.
std::optional<link::Failure> HiddenLog::writeLine(const std::filesystem::path& file, const std::string& text) {
  if (std::optional<link::Failure> failure = openRunFile(file)) return failure;
  const std::string line = link::toAnsiText(text) + kLineEnd;
  const int64_t lineStart = offsetOf(file_);
  const bool written = lineStart >= 0 && std::fwrite(line.data(), 1, line.size(), file_) == line.size() &&
                       synced(file_);
  if (written) return std::nullopt;
  link::Failure failure = lastFileFailure();
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

std::optional<link::Failure> HiddenLog::WriteLogLine(const std::filesystem::path& file, bool limitedByCount,
                                                    const std::string& timeText, const link::WeightReading& reading,
                                                    char decimalSeparator) {
  if (logFirstLine_) {
    if (!limitedByCount) {
      if (std::optional<link::Failure> failure = writeLine(file, kBlankFirstLine)) return failure;
    }
    logFirstLine_ = false;
  }
  const int lineNumber = logLineCount_ + 1;
  std::optional<link::Failure> failure = writeLine(file, logLineText(lineNumber, timeText, reading, decimalSeparator));
  if (!failure) logLineCount_ = lineNumber;
  return failure;
}

std::optional<link::Failure> HiddenLog::SaveLog(const std::filesystem::path& file) {
  if (runFileStarted_) {
    if (std::optional<link::Failure> failure = openRunFile(file)) return failure;
    return closeFile();
  }
  std::FILE* empty = openFile(file, kStartAnew);
  if (empty == nullptr) return lastFileFailure();
  return closed(empty, std::nullopt);
}

std::optional<link::Failure> HiddenLog::writeNoBalance(const std::filesystem::path& file) const {
  if (runFileStarted_) return link::failureOf(std::make_error_code(std::errc::file_exists));
  std::FILE* out = openFile(file, kStartAnew);
  if (out == nullptr) return lastFileFailure();
  const bool written = std::fwrite(kNoBalance.data(), 1, kNoBalance.size(), out) == kNoBalance.size();
  return closed(out, written ? std::nullopt : std::optional(lastFileFailure()));
}

}  // namespace tarvelo::reports
