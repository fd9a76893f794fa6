#pragma once

#include <cstdint>
#include <string>

#include "settings/settings_store.h"

namespace tarvelo::settings {

// The settings in the current user's registry: the key of an executable is
// HKEY_CURRENT_USER\SOFTWARE\Korvane\Tarvelo\<executable file name>, every value lives in
// its subkey Version_U1.0.0. A flag is a REG_BINARY of 1 byte, a number a REG_DWORD, a
// text a REG_EXPAND_SZ in the ANSI code page (Windows-1251 on a Russian system) with its
// terminating zero; a text is read whole, whatever its length, and up to its first zero.
// A value of another registry type or size than its kind gives the default.
class SettingsRegistryStore final : public SettingsStore {
 public:
  SettingsRegistryStore() = default;
  ~SettingsRegistryStore() override;
  SettingsRegistryStore(const SettingsRegistryStore&) = delete;
  SettingsRegistryStore& operator=(const SettingsRegistryStore&) = delete;

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
  // The open key (an HKEY), or nothing.
  void* key_ = nullptr;
};

}  // namespace tarvelo::settings
