// What every settings store does, run against the store of this platform: the
// settings file on POSIX systems, the registry on Windows.
#include "settings/settings_store.h"
#include "settings/stored_protocol_memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/support/settings_sandbox.h"
#include "tests/settings/settings_store_checks.h"

namespace tarvelo::settings {
namespace {

using namespace store_checks;

class SettingsStoreContract : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(sandbox_.ready()) << "no place of its own for the settings"; }

  const testing::SettingsSandbox sandbox_;
};

TEST_F(SettingsStoreContract, FirstRunCreatesTheKeyButNotTheSubkey) {
  auto store = makeSettingsStore();
  EXPECT_FALSE(store->open(kExe));
  expectDefaults(*store);
  EXPECT_FALSE(sandbox_.keyExists(kExe));

  EXPECT_TRUE(store->create(kExe));
  EXPECT_TRUE(sandbox_.keyExists(kExe));
  expectDefaults(*store);
  EXPECT_FALSE(sandbox_.subkeyExists(kExe));

  store->WriteFlag("StabCB", 1);
  EXPECT_TRUE(sandbox_.subkeyExists(kExe));
  EXPECT_TRUE(makeSettingsStore()->open(kExe));
  EXPECT_TRUE(store->create(kExe)) << "creating an existing key opens it";
  EXPECT_EQ(store->ReadFlag("StabCB", 0), 1);
}

TEST_F(SettingsStoreContract, ClosedStoreReadsDefaultsAndWritesNothing) {
  auto store = createdStore();
  store->WriteNumber("N", 1);
  store->close();
  EXPECT_EQ(store->ReadNumber("N", kNumberDefault), kNumberDefault);
  store->WriteNumber("N", 2);
  ASSERT_TRUE(store->open(kExe));
  EXPECT_EQ(store->ReadNumber("N", kNumberDefault), 1);
}

TEST_F(SettingsStoreContract, ValuesSurviveARestart) {
  const std::vector<std::pair<std::string, uint8_t>> flags = {
      {"HideProfile", 0}, {"StabCB", 1}, {"FCLB(0)", 255}};
  const std::vector<std::pair<std::string, int32_t>> numbers = {
      {"SizeOfMassive", 100},
      {"COM", 0},
      {"Negative", -42},
      {"Smallest", std::numeric_limits<int32_t>::min()},
      {"Largest", std::numeric_limits<int32_t>::max()}};
  std::string longCyrillic;
  for (int i = 0; i < 1000; ++i) longCyrillic += "ж";
  const std::vector<std::pair<std::string, std::string>> texts = {
      {"eUnit", "Мышь"},
      {"ePerson", "Иванов И.И."},
      {"Empty", ""},
      {"Blanks", "  two in front, one behind "},
      {"Controls", "tab\there\nnew line\r\\back\\slash\\"},
      {"Escape lookalikes", "\\t \\n \\x41 \\"},
      {"1000 characters", longCyrillic},
      {"name with\ttab and\nnew line", "value"}};

  // Each value is written over a different one first, so the later write must win.
  auto writer = createdStore();
  for (const auto& [name, value] : flags) {
    writer->WriteFlag(name, static_cast<uint8_t>(value ^ 1));
    writer->WriteFlag(name, value);
  }
  for (const auto& [name, value] : numbers) {
    writer->WriteNumber(name, value ^ 1);
    writer->WriteNumber(name, value);
  }
  for (const auto& [name, value] : texts) {
    writer->WriteText(name, value + "x");
    writer->WriteText(name, value);
  }
  writer->close();

  auto reader = makeSettingsStore();
  ASSERT_TRUE(reader->open(kExe));
  for (const auto& [name, value] : flags) {
    EXPECT_EQ(reader->ReadFlag(name, static_cast<uint8_t>(value ^ 1)), value) << name;
  }
  for (const auto& [name, value] : numbers) {
    EXPECT_EQ(reader->ReadNumber(name, value ^ 1), value) << name;
  }
  for (const auto& [name, value] : texts) {
    EXPECT_EQ(reader->ReadText(name, value + "x"), value) << name;
  }
}

TEST_F(SettingsStoreContract, EachExecutableNameHasItsOwnSettings) {
  auto first = createdStore("Tarvelo.exe");
  auto second = createdStore("Tarvelo copy.exe");
  first->WriteNumber("COM", 3);
  EXPECT_EQ(second->ReadNumber("COM", 0), 0);
  second->WriteNumber("COM", 5);
  EXPECT_EQ(first->ReadNumber("COM", 0), 3);
  EXPECT_EQ(second->ReadNumber("COM", 0), 5);
  EXPECT_FALSE(makeSettingsStore()->open("tarvelo"));
  EXPECT_FALSE(makeSettingsStore()->create("")) << "an empty name is no key";
}

TEST_F(SettingsStoreContract, AnotherKindThanStoredGivesTheDefault) {
  auto store = createdStore();
  store->WriteFlag("F", 1);
  store->WriteNumber("N", 1);
  store->WriteText("T", "1");
  for (const std::string name : {"F", "N", "T"}) {
    EXPECT_EQ(store->ReadFlag(name, kFlagDefault), name == "F" ? 1 : kFlagDefault) << name;
    EXPECT_EQ(store->ReadNumber(name, kNumberDefault), name == "N" ? 1 : kNumberDefault) << name;
    EXPECT_EQ(store->ReadText(name, kTextDefault), name == "T" ? "1" : kTextDefault) << name;
  }
}

TEST_F(SettingsStoreContract, TwoWritersAtOnceLoseNoValue) {
  constexpr int kValuesEach = 40;
  const auto writeMany = [](const std::string& prefix) {
    auto store = createdStore();
    for (int i = 0; i < kValuesEach; ++i) store->WriteNumber(prefix + std::to_string(i), i);
  };
  std::thread window(writeMany, "W");
  std::thread acquisition(writeMany, "A");
  window.join();
  acquisition.join();

  auto store = createdStore();
  for (int i = 0; i < kValuesEach; ++i) {
    EXPECT_EQ(store->ReadNumber("W" + std::to_string(i), kNumberDefault), i);
    EXPECT_EQ(store->ReadNumber("A" + std::to_string(i), kNumberDefault), i);
  }
}

// The protocol found last on a port, as the next run and the next program start see it.
TEST_F(SettingsStoreContract, ProtocolMemoryOutlivesTheProgramPerPortAndIgnoresUnusableValues) {
  StoredProtocolMemory(makeSettingsStore(), kExe).remember(3, link::ProtocolB);
  StoredProtocolMemory(makeSettingsStore(), kExe).remember(4, link::ProtocolTsk);

  StoredProtocolMemory nextStart(makeSettingsStore(), kExe);
  EXPECT_EQ(nextStart.recall(3), link::ProtocolB);
  EXPECT_EQ(nextStart.recall(4), link::ProtocolTsk);
  EXPECT_EQ(nextStart.recall(5), std::nullopt);
  EXPECT_EQ(StoredProtocolMemory(makeSettingsStore(), "other").recall(3), std::nullopt)
      << "kept under the program's own key";

  auto store = createdStore();
  store->WriteNumber("ProtocolCOM6", 3);
  store->WriteNumber("ProtocolCOM7", -1);
  store->WriteText("ProtocolCOM8", "1");
  StoredProtocolMemory damaged(makeSettingsStore(), kExe);
  for (const int port : {6, 7, 8}) EXPECT_EQ(damaged.recall(port), std::nullopt) << "COM" << port;
}

}  // namespace
}  // namespace tarvelo::settings
