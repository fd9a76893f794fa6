#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "settings/settings_store.h"

// What the settings suites share: a store of the platform with its key created, and the
// check that nothing was stored under the usual test names.
namespace tarvelo::settings::store_checks {

inline const std::string kExe = "Tarvelo.exe";
inline constexpr uint8_t kFlagDefault = 9;
inline constexpr int32_t kNumberDefault = -5;
inline const std::string kTextDefault = "default";

inline std::unique_ptr<SettingsStore> createdStore(const std::string& exe = kExe) {
  auto store = makeSettingsStore();
  EXPECT_TRUE(store->create(exe));
  return store;
}

inline void expectDefaults(const SettingsStore& store) {
  EXPECT_EQ(store.ReadFlag("F", kFlagDefault), kFlagDefault);
  EXPECT_EQ(store.ReadNumber("N", kNumberDefault), kNumberDefault);
  EXPECT_EQ(store.ReadText("T", kTextDefault), kTextDefault);
}

}  // namespace tarvelo::settings::store_checks
