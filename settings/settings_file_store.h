#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "settings/settings_store.h"

namespace tarvelo::settings {

class SettingsFileCache;

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
// rename) readable by its owner alone (the owner's bits of the old file's mode, or for a
// new file 0600 less the umask), since it may name the lab's server and login; a file
// that exists but cannot be read (not a regular file, no permission) is left alone.
// A write also removes the temporary files of writers that were killed while writing.
//
// Between open or create and close a store keeps the values it read or wrote and reads
// the file again only when it was replaced or changed, so a long file is not parsed once
// for every value. Reads therefore change the store: one object serves one thread at a time.
class SettingsFileStore final : public SettingsStore {
 public:
  SettingsFileStore();
  ~SettingsFileStore() override;

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
  std::unique_ptr<SettingsFileCache> cache_;
};

}  // namespace tarvelo::settings
