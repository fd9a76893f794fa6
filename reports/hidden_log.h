#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

#include "link/weight_reading.h"

namespace tarvelo::reports {

// The hidden-mode log: one numbered line per tick with a reading, each followed by
// CR LF. Lines are written through to the file as they are logged, so closing the
// program any way, a crash or a power cut loses nothing; the file of a finished run
// holds exactly the run's lines. The numbering goes on across the runs of a process,
// and its very first line, when the run is not limited by a number of lines, follows
// a line holding one blank.
class HiddenLog {
 public:
  HiddenLog() = default;
  ~HiddenLog();
  HiddenLog(const HiddenLog&) = delete;
  HiddenLog& operator=(const HiddenLog&) = delete;

  // A new run: its first line starts the file anew.
  void startRun();
  // Logs one reading at `timeText` into `file`; false when the file cannot be written.
  bool WriteLogLine(const std::filesystem::path& file, bool limitedByCount, const std::string& timeText,
                    const link::WeightReading& reading, char decimalSeparator);
  // Ends the run's file: it then holds exactly the run's lines (none: an empty file).
  // False when the file cannot be written.
  bool SaveLog(const std::filesystem::path& file);
  // The file of a hidden run that found no balance: the 19 characters and a zero byte.
  static bool writeNoBalance(const std::filesystem::path& file);

  int logLineCount() const { return logLineCount_; }

 private:
  bool writeThrough(const std::filesystem::path& file, const std::string& line);
  bool closeFile();

  int logLineCount_ = 0;
  bool logFirstLine_ = true;
  std::FILE* file_ = nullptr;  // the run's file, open from its first line
};

}  // namespace tarvelo::reports
