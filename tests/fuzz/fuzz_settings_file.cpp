#include <cstdlib>
#include <cstring>
#include <string>

#include "input_file.h"
#include "settings/settings_file_store.h"

using namespace tarvelo;

namespace {

constexpr char kKey[] = "fuzz";
constexpr char kName[] = "name";  // read as each kind; the fuzzer finds it in the files
constexpr char kWritten[] = "written";
constexpr char kText[] = "a\tb\\c\n\x01\x7F";  // every kind of escape
constexpr uint8_t kFlagDefault = 7;
constexpr int32_t kNumberDefault = -7;
// The store reads the file written where the fuzz input goes.
constexpr char kCheckLine[] = "name\tnumber\t42\n";
constexpr int32_t kCheckNumber = 42;

const std::filesystem::path kFile =
    std::filesystem::path("Korvane/Tarvelo") / kKey / settings::kSettingsSubkey;

struct Values {
  uint8_t flag;
  int32_t number;
  std::string text;
  bool operator==(const Values&) const = default;
};

Values valuesOf(const settings::SettingsFileStore& store, const std::string& name) {
  return {store.ReadFlag(name, kFlagDefault), store.ReadNumber(name, kNumberDefault),
          store.ReadText(name, "-")};
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("XDG_CONFIG_HOME", fuzz::scratchFolder().c_str(), 1);
  settings::SettingsFileStore store;
  if (!store.create(kKey)) std::abort();
  fuzz::writeInput(kFile, reinterpret_cast<const uint8_t*>(kCheckLine), std::strlen(kCheckLine));
  if (store.ReadNumber(kName, 0) != kCheckNumber) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::writeInput(kFile, data, size);
  settings::SettingsFileStore store;
  if (!store.open(kKey)) std::abort();
  const Values read = valuesOf(store, kName);
  // A write keeps every value that could be read, and its own reads back as written.
  store.WriteText(kWritten, kText);
  settings::SettingsFileStore again;
  if (!again.open(kKey)) std::abort();
  if (valuesOf(again, kName) != read || again.ReadText(kWritten, "") != kText) std::abort();
  return 0;
}
