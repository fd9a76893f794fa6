#include "tests/support/settings_sandbox.h"

#include <windows.h>

#include <string>

#include "settings/settings_store.h"

namespace tarvelo::testing {

namespace {

// Below the real current user's key; one per test process.
std::string sandboxPath() {
  return "SOFTWARE\\Korvane\\TarveloTests\\" + std::to_string(GetCurrentProcessId());
}

std::string keyPath(const std::string& executableFileName) {
  return std::string(settings::kSettingsKeyPath) + "\\" + executableFileName;
}

bool exists(void* root, const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(static_cast<HKEY>(root), path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

}  // namespace

SettingsSandbox::SettingsSandbox() {
  HKEY root = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, sandboxPath().c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, &root, nullptr) != ERROR_SUCCESS) {
    return;
  }
  root_ = root;
  // Every use of HKEY_CURRENT_USER in this process now lands in the sandbox.
  ready_ = RegOverridePredefKey(HKEY_CURRENT_USER, root) == ERROR_SUCCESS;
}

SettingsSandbox::~SettingsSandbox() {
  if (root_ == nullptr) return;
  RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
  RegCloseKey(static_cast<HKEY>(root_));
  RegDeleteTreeA(HKEY_CURRENT_USER, sandboxPath().c_str());
}

bool SettingsSandbox::keyExists(const std::string& executableFileName) const {
  return exists(root_, keyPath(executableFileName));
}

bool SettingsSandbox::subkeyExists(const std::string& executableFileName) const {
  return exists(root_, keyPath(executableFileName) + "\\" + std::string(settings::kSettingsSubkey));
}

}  // namespace tarvelo::testing
