#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace tarvelo::testing {

// Where the settings of one test live, removed when the test ends: on Windows a registry
// key of its own that stands in for HKEY_CURRENT_USER, elsewhere a configuration folder
// of its own. The program's real settings are never touched.
class SettingsSandbox {
 public:
  SettingsSandbox();
  ~SettingsSandbox();
  SettingsSandbox(const SettingsSandbox&) = delete;
  SettingsSandbox& operator=(const SettingsSandbox&) = delete;

  bool ready() const { return ready_; }
  // Whether the key of an executable, and the subkey that holds its values, exist.
  bool keyExists(const std::string& executableFileName) const;
  bool subkeyExists(const std::string& executableFileName) const;

#ifndef _WIN32
  const std::filesystem::path& configHome() const { return configHome_; }
#endif

 private:
  bool ready_ = false;
#ifdef _WIN32
  void* root_ = nullptr;
#else
  std::filesystem::path configHome_;
  std::optional<std::string> oldConfigHome_;
#endif
};

#ifndef _WIN32
// An environment variable set for the life of this object, then put back as it was.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::optional<std::string>& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};
#endif

}  // namespace tarvelo::testing
