// What only the registry store does: the registry types and sizes of its values and the
// ANSI code page of its texts.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "settings/settings_store.h"
#include "tests/support/settings_sandbox.h"

namespace tarvelo::settings {
namespace {

using namespace std::string_literals;

const std::string kExe = "Tarvelo.exe";
const std::string kSubkeyPath = "SOFTWARE\\Korvane\\Tarvelo\\Tarvelo.exe\\Version_U1.0.0";
constexpr uint8_t kFlagDefault = 9;
constexpr int32_t kNumberDefault = -5;
const std::string kTextDefault = "default";
constexpr UINT kRussianCodePage = 1251;

struct RawValue {
  DWORD type = REG_NONE;
  std::string bytes;
  bool operator==(const RawValue&) const = default;
};

std::ostream& operator<<(std::ostream& out, const RawValue& value) {
  out << "type " << value.type << ",";
  for (const char c : value.bytes) out << ' ' << std::hex << (static_cast<unsigned>(c) & 0xFF);
  return out;
}

class SettingsRegistryStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sandbox_.ready()) << "no registry key of its own";
    ASSERT_TRUE(store_->create(kExe));
  }

  static std::optional<RawValue> rawValue(const std::string& name) {
    HKEY subkey = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSubkeyPath.c_str(), 0, KEY_READ, &subkey) != ERROR_SUCCESS) {
      return std::nullopt;
    }
    RawValue value;
    std::vector<BYTE> data(1024);
    auto size = static_cast<DWORD>(data.size());
    const LSTATUS status = RegQueryValueExA(subkey, name.c_str(), nullptr, &value.type, data.data(), &size);
    RegCloseKey(subkey);
    if (status != ERROR_SUCCESS) return std::nullopt;
    value.bytes.assign(data.begin(), data.begin() + size);
    return value;
  }

  static void writeRaw(const std::string& name, const RawValue& value) {
    HKEY subkey = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kSubkeyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &subkey, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(subkey, name.c_str(), 0, value.type, reinterpret_cast<const BYTE*>(value.bytes.data()),
                   static_cast<DWORD>(value.bytes.size()));
    RegCloseKey(subkey);
  }

  const testing::SettingsSandbox sandbox_;
  const std::unique_ptr<SettingsStore> store_ = makeSettingsStore();
};

TEST_F(SettingsRegistryStoreTest, FlagsAreOneBinaryByteNumbersDwordsTextsExpandableStrings) {
  store_->WriteFlag("StabCB", 1);
  store_->WriteNumber("COM", -2);
  store_->WriteText("SpeedWorkFileName", "RS232.txt");
  store_->WriteText("ePerson", "");
  EXPECT_EQ(rawValue("StabCB"), (RawValue{REG_BINARY, "\x01"}));
  EXPECT_EQ(rawValue("COM"), (RawValue{REG_DWORD, "\xFE\xFF\xFF\xFF"}));
  EXPECT_EQ(rawValue("SpeedWorkFileName"), (RawValue{REG_EXPAND_SZ, "RS232.txt\0"s}));
  EXPECT_EQ(rawValue("ePerson"), (RawValue{REG_EXPAND_SZ, "\0"s}));
}

TEST_F(SettingsRegistryStoreTest, TextsAreInTheAnsiCodePage) {
  if (GetACP() != kRussianCodePage) GTEST_SKIP() << "needs a Russian system (code page 1251)";
  store_->WriteText("eUnit", "Мышь");
  EXPECT_EQ(rawValue("eUnit"), (RawValue{REG_EXPAND_SZ, "\xCC\xFB\xF8\xFC\0"s}));
  writeRaw("ePerson", {REG_SZ, "\xC8\xE2\xE0\xED\xEE\xE2\0"s});
  EXPECT_EQ(store_->ReadText("ePerson", kTextDefault), "Иванов");
}

TEST_F(SettingsRegistryStoreTest, ValueOfAnotherTypeOrSizeGivesTheDefault) {
  struct Case {
    const char* legend;
    RawValue stored;
  };
  const std::vector<Case> cases = {
      {"4 bytes", {REG_BINARY, "\x01\0\0\0"s}},
      {"no byte", {REG_BINARY, ""}},
      {"DWORD", {REG_DWORD, "\x01\0\0\0"s}},
      {"2 bytes of a DWORD", {REG_DWORD, "\x01\0"s}},
      {"64-bit number", {REG_QWORD, "\x01\0\0\0\0\0\0\0"s}},
      {"multi-string", {REG_MULTI_SZ, "1\0\0"s}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.legend);
    writeRaw("V", c.stored);
    const bool isFlag = c.stored == RawValue{REG_BINARY, "\x01"};
    const bool isNumber = c.stored.type == REG_DWORD && c.stored.bytes.size() == 4;
    EXPECT_EQ(store_->ReadFlag("V", kFlagDefault), isFlag ? 1 : kFlagDefault);
    EXPECT_EQ(store_->ReadNumber("V", kNumberDefault), isNumber ? 1 : kNumberDefault);
    EXPECT_EQ(store_->ReadText("V", kTextDefault), kTextDefault);
  }
}

TEST_F(SettingsRegistryStoreTest, TextIsReadUpToItsFirstZeroAndNotExpanded) {
  writeRaw("T", {REG_EXPAND_SZ, "%PATH%\0after"s});
  EXPECT_EQ(store_->ReadText("T", kTextDefault), "%PATH%");
  writeRaw("T", {REG_SZ, "no zero at the end"});
  EXPECT_EQ(store_->ReadText("T", kTextDefault), "no zero at the end");
}

TEST_F(SettingsRegistryStoreTest, NameThatIsNotOneKeyIsNoKey) {
  for (const std::string& bad : {"a\\b"s, "nul\0"s}) {
    auto store = makeSettingsStore();
    EXPECT_FALSE(store->create(bad)) << bad;
    EXPECT_FALSE(store->open(bad)) << bad;
  }
}

}  // namespace
}  // namespace tarvelo::settings
