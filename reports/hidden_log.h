#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

#include "link/failure.h"
#include "link/weight_reading.h"

namespace tarvelo::reports {

// The hidden-mode log: one numbered line per tick with a reading, each followed by
// CR LF, in the system's 8-bit encoding (the ANSI code page on Windows). Lines are written through to the file as they are logged, so closing the
// program any way, a crash or a power cut loses nothing; the file of a finished run
// holds exactly the run's lines. The numbering goes on across the runs of a process,
// and its very first line, when the run is not limited by a number of lines, follows
// a line holding one blank.
//
// A run's file is started anew (truncated) only by its first line. Once it holds
// lines of the run it is never cut short again: when it had to be closed (SaveLog, a
// failed write), later lines of the same run are appended to it, so a reading that
// comes late still lands next to the ones before it.
// A line reaches the file whole or not at all: a write that fails part way (a full
// disk) is cut back to the end of the line before, and the line keeps its number for
// the next attempt. A write that fails gives the system's failure of the step that
// failed, taken right after it.
class HiddenLog {
 public:
  HiddenLog() = default;
  ~HiddenLog();
  HiddenLog(const HiddenLog&) = delete;
  HiddenLog& operator=(const HiddenLog&) = delete;

  // A new run: its first line starts the file anew.
  void startRun();
  // Logs one reading at `timeText` into `file`; fails when the file cannot be written,
  // and then the file holds the whole lines before it and nothing of this one.
  std::optional<link::Failure> WriteLogLine(const std::filesystem::path& file, bool limitedByCount,
                                            const std::string& timeText, const link::WeightReading& reading,
                                            char decimalSeparator);
  // Ends the run's file: it then holds exactly the run's lines (none: an empty file).
  // Fails when the file cannot be written.
  std::optional<link::Failure> SaveLog(const std::filesystem::path& file);
  // The file of a hidden run that found no balance: the 19 characters and a zero byte.
  // Fails (EEXIST), writing nothing, once the run has started its file with a line.
  std::optional<link::Failure> writeNoBalance(const std::filesystem::path& file) const;

  int logLineCount() const { return logLineCount_; }

 private:
  std::optional<link::Failure> openRunFile(const std::filesystem::path& file);
  std::optional<link::Failure> writeLine(const std::filesystem::path& file, const std::string& text);
  void dropUnfinishedLine(int64_t lineStart);
  std::optional<link::Failure> closeFile();

  int logLineCount_ = 0;
  bool logFirstLine_ = true;
  bool runFileStarted_ = false;  // the run's file was truncated at its first line
  std::FILE* file_ = nullptr;    // the run's file, open from its first line
};

}  // namespace tarvelo::reports
