#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tarvelo::settings {

// The settings key below the current user's hive; the executable's file name is appended.
inline constexpr std::string_view kSettingsKeyPath = "SOFTWARE\\Korvane\\Tarvelo";
// Every value lives in this subkey of the key; the first write creates it.
inline constexpr std::string_view kSettingsSubkey = "Version_U1.0.0";

// The program's stored options, kept per executable file name. The shape follows the
// registry: open or create the key once, then each read or write opens the subkey,
// moves one value and closes it again. Nothing is ever reported: a read that cannot
// be served gives its default, a write that cannot be done is skipped.
//
// A value has one kind: flag (1 byte), number (signed 32-bit) or text (UTF-8, any
// length). A value stored with another kind than the one asked for gives the default.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;

  // Opens the existing key of this executable; false when it is absent or cannot be opened.
  virtual bool open(const std::string& executableFileName) = 0;
  // Opens the key of this executable, creating it when absent; false when that fails.
  virtual bool create(const std::string& executableFileName) = 0;
  // After this, reads give their defaults and writes do nothing until the next open or create.
  virtual void close() = 0;

  virtual uint8_t ReadFlag(const std::string& name, uint8_t defaultValue) const = 0;
  virtual int32_t ReadNumber(const std::string& name, int32_t defaultValue) const = 0;
  virtual std::string ReadText(const std::string& name, const std::string& defaultValue) const = 0;

  virtual void WriteFlag(const std::string& name, uint8_t value) = 0;
  virtual void WriteNumber(const std::string& name, int32_t value) = 0;
  virtual void WriteText(const std::string& name, const std::string& value) = 0;
};

// The store of this platform, with no key open yet.
std::unique_ptr<SettingsStore> makeSettingsStore();

}  // namespace tarvelo::settings
