#include "tests/support/settings_sandbox.h"

#include <cstdlib>
#include <system_error>

namespace tarvelo::testing {

namespace fs = std::filesystem;

namespace {

void setEnv(const char* name, const std::optional<std::string>& value) {
  if (value) {
    setenv(name, value->c_str(), 1);
  } else {
    unsetenv(name);
  }
}

std::optional<std::string> getEnv(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

constexpr const char* kConfigHomeVariable = "XDG_CONFIG_HOME";

fs::path keyDir(const fs::path& configHome, const std::string& executableFileName) {
  return configHome / "Korvane" / "Tarvelo" / executableFileName;
}

}  // namespace

ScopedEnv::ScopedEnv(const char* name, const std::optional<std::string>& value)
    : name_(name), old_(getEnv(name)) {
  setEnv(name, value);
}

ScopedEnv::~ScopedEnv() { setEnv(name_, old_); }

SettingsSandbox::SettingsSandbox() : oldConfigHome_(getEnv(kConfigHomeVariable)) {
  std::string pattern = (fs::temp_directory_path() / "tarvelo-settings-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) return;
  configHome_ = pattern;
  setEnv(kConfigHomeVariable, configHome_.string());
  ready_ = true;
}

SettingsSandbox::~SettingsSandbox() {
  setEnv(kConfigHomeVariable, oldConfigHome_);
  if (!ready_) return;
  std::error_code ignored;
  // A test may have left a folder without permissions.
  for (fs::recursive_directory_iterator entry(configHome_, ignored), end; !ignored && entry != end;
       entry.increment(ignored)) {
    if (entry->is_directory(ignored)) fs::permissions(entry->path(), fs::perms::owner_all, ignored);
  }
  fs::remove_all(configHome_, ignored);
}

bool SettingsSandbox::keyExists(const std::string& executableFileName) const {
  return fs::is_directory(keyDir(configHome_, executableFileName));
}

bool SettingsSandbox::subkeyExists(const std::string& executableFileName) const {
  return fs::is_regular_file(keyDir(configHome_, executableFileName) / "Version_U1.0.0");
}

}  // namespace tarvelo::testing
