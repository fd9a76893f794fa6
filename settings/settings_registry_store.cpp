#include "settings/settings_registry_store.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <string_view>
#include <vector>

#include "link/ansi_text.h"

namespace tarvelo::settings {

namespace {

constexpr DWORD kFlagBytes = 1;
constexpr DWORD kNumberBytes = 4;
constexpr char kKeySeparator = '\\';
// A NUL would cut the name short; a backslash would make it a path of keys.
constexpr std::string_view kNotInKeyName{"\\\0", 2};

HKEY handleOf(void* key) { return static_cast<HKEY>(key); }

// The subkey, opened for reading or, with `create`, for writing and created when missing.
std::optional<HKEY> openSubkey(void* key, bool create) {
  if (key == nullptr) return std::nullopt;
  HKEY subkey = nullptr;
  const LSTATUS status =
      create ? RegCreateKeyExA(handleOf(key), std::string(kSettingsSubkey).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                               KEY_ALL_ACCESS, nullptr, &subkey, nullptr)
             : RegOpenKeyExA(handleOf(key), std::string(kSettingsSubkey).c_str(), 0, KEY_READ, &subkey);
  if (status != ERROR_SUCCESS) return std::nullopt;
  return subkey;
}

// The value's bytes when it has one of the `types`; nothing when it is absent, of
// another type, or the subkey cannot be opened.
std::optional<std::vector<BYTE>> readValue(void* key, const std::string& name,
                                           std::initializer_list<DWORD> types) {
  const auto subkey = openSubkey(key, false);
  if (!subkey) return std::nullopt;
  const std::string ansiName = link::toAnsiText(name);
  std::optional<std::vector<BYTE>> bytes;
  DWORD type = 0;
  DWORD size = 0;
  LSTATUS status = RegQueryValueExA(*subkey, ansiName.c_str(), nullptr, &type, nullptr, &size);
  // The value may grow between asking its size and reading it: ask again.
  while (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
    std::vector<BYTE> data(size);
    status = RegQueryValueExA(*subkey, ansiName.c_str(), nullptr, &type, data.data(), &size);
    if (status == ERROR_SUCCESS) {
      data.resize(size);
      if (std::find(types.begin(), types.end(), type) != types.end()) bytes = std::move(data);
      break;
    }
  }
  RegCloseKey(*subkey);
  return bytes;
}

void writeValue(void* key, const std::string& name, DWORD type, const void* data, DWORD size) {
  const auto subkey = openSubkey(key, true);
  if (!subkey) return;
  RegSetValueExA(*subkey, link::toAnsiText(name).c_str(), 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(*subkey);
}

bool isKeyName(const std::string& name) {
  return !name.empty() && name.find_first_of(kNotInKeyName) == std::string::npos;
}

std::string keyPathOf(const std::string& executableFileName) {
  return std::string(kSettingsKeyPath) + kKeySeparator + link::toAnsiText(executableFileName);
}

}  // namespace

SettingsRegistryStore::~SettingsRegistryStore() { close(); }

bool SettingsRegistryStore::open(const std::string& executableFileName) {
  close();
  if (!isKeyName(executableFileName)) return false;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPathOf(executableFileName).c_str(), 0, KEY_ALL_ACCESS,
                    &key) != ERROR_SUCCESS) {
    return false;
  }
  key_ = key;
  return true;
}

bool SettingsRegistryStore::create(const std::string& executableFileName) {
  close();
  if (!isKeyName(executableFileName)) return false;
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, keyPathOf(executableFileName).c_str(), 0, nullptr,
                      REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  key_ = key;
  return true;
}

void SettingsRegistryStore::close() {
  if (key_ != nullptr) RegCloseKey(handleOf(key_));
  key_ = nullptr;
}

uint8_t SettingsRegistryStore::ReadFlag(const std::string& name, uint8_t defaultValue) const {
  const auto bytes = readValue(key_, name, {REG_BINARY});
  return bytes && bytes->size() == kFlagBytes ? bytes->front() : defaultValue;
}

int32_t SettingsRegistryStore::ReadNumber(const std::string& name, int32_t defaultValue) const {
  const auto bytes = readValue(key_, name, {REG_DWORD});
  if (!bytes || bytes->size() != kNumberBytes) return defaultValue;
  DWORD value = 0;
  std::memcpy(&value, bytes->data(), kNumberBytes);
  return static_cast<int32_t>(value);
}

std::string SettingsRegistryStore::ReadText(const std::string& name,
                                            const std::string& defaultValue) const {
  // Environment variables in a text are not expanded.
  const auto bytes = readValue(key_, name, {REG_EXPAND_SZ, REG_SZ});
  if (!bytes) return defaultValue;
  const auto end = std::find(bytes->begin(), bytes->end(), BYTE{0});
  return link::fromAnsiText(std::string(bytes->begin(), end));
}

void SettingsRegistryStore::WriteFlag(const std::string& name, uint8_t value) {
  writeValue(key_, name, REG_BINARY, &value, kFlagBytes);
}

void SettingsRegistryStore::WriteNumber(const std::string& name, int32_t value) {
  const auto dword = static_cast<DWORD>(value);
  writeValue(key_, name, REG_DWORD, &dword, kNumberBytes);
}

void SettingsRegistryStore::WriteText(const std::string& name, const std::string& value) {
  const std::string ansi = link::toAnsiText(value);
  // With its terminating zero.
  writeValue(key_, name, REG_EXPAND_SZ, ansi.c_str(), static_cast<DWORD>(ansi.size() + 1));
}

std::unique_ptr<SettingsStore> makeSettingsStore() { return std::make_unique<SettingsRegistryStore>(); }

}  // namespace tarvelo::settings
