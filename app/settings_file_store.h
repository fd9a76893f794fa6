#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "app/settings_store.h"

namespace tarvelo::app {

// The settings as files: the key of an executable is the folder
// $XDG_CONFIG_HOME/Korvane/Tarvelo/<executable file name>/ (default ~/.config/...),
// the subkey is the file Version_U1.0.0 inside it. The file is UTF-8 text, one value
// a line, sorted by name:
//
//   name <TAB> kind <TAB> value <LF>
//
// kind is "flag" (value 0..255), "number" (decimal, -2147483648..2147483647) or "text".
// Names and texts are escaped: \\ \t \n \r and \xHH for the other control bytes.
// A line that cannot be read as a whole (unknown kind, bad number, bad escape, raw control
// byte, missing newline at the end of the file) is ignored, and the next write drops it;
// a carriage return before the newline is allowed; of two lines with one name the later
// counts. Every write replaces the file by a complete new one (temporary file, fsync,
// rename); a file that exists but cannot be read (not a regular file, no permission) is
// left alone.
class SettingsFileStore final : public SettingsStore {
 public:
  bool open(const std::string& executableFileName) override;
  bool create(const std::string& executableFileName) override;
  void close() override;

  uint8_t ReadFlag(const std::string& name, uint8_t defaultValue) const override;
  int32_t ReadNumber(const std::string& name, int32_t defaultValue) const override;
  std::string ReadText(const std::string& name, const std::string& defaultValue) const override;

  void WriteFlag(const std::string& name, uint8_t value) override;
  void WriteNumber(const std::string& name, int32_t value) override;
  void WriteText(const std::string& name, const std::string& value) override;

 private:
  std::optional<std::filesystem::path> keyDir_;
};

}  // namespace tarvelo::app
