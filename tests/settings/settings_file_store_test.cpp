// What only the settings file does: its format, damaged files, modes, the writers'
// lock. What every settings store does is in tests/settings/settings_store_test.cpp.
#include "settings/settings_store.h"
#include "settings/stored_protocol_memory.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include "tests/support/settings_sandbox.h"
#include "tests/settings/settings_store_checks.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/unprivileged.h"
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace tarvelo::settings {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

using namespace store_checks;

std::string fileContent(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const fs::path& file, const std::string& content) {
  std::ofstream(file, std::ios::binary) << content;
}

std::vector<fs::path> filesIn(const fs::path& dir) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(dir)) files.push_back(entry.path());
  return files;
}

using testing::ScopedEnv;

// Each test has a configuration folder of its own, removed when the test ends.
class SettingsStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(sandbox_.ready()) << "no temporary folder"; }

  fs::path keyDir(const std::string& exe = kExe) const {
    return configHome_ / "Korvane" / "Tarvelo" / exe;
  }
  fs::path subkeyFile() const { return keyDir() / "Version_U1.0.0"; }

  const testing::SettingsSandbox sandbox_;
  const fs::path configHome_ = sandbox_.configHome();
};

TEST_F(SettingsStoreTest, FileFormatIsOneEscapedValueALineSortedByName) {
  auto store = createdStore();
  store->WriteText("ePerson", "Иванов\tИ.\\И.\n\x01");
  store->WriteNumber("COM", -2);
  store->WriteFlag("StabCB", 1);
  store->WriteFlag("a\tb", 0);
  EXPECT_EQ(fileContent(subkeyFile()),
            "COM\tnumber\t-2\n"
            "StabCB\tflag\t1\n"
            "a\\tb\tflag\t0\n"
            "ePerson\ttext\tИванов\\tИ.\\\\И.\\n\\x01\n");
}

TEST_F(SettingsStoreTest, NameThatIsNotOneFolderIsNoKey) {
  for (const std::string& bad : {""s, "."s, ".."s, "../Tarvelo.exe"s, "a/b"s, "nul\0"s}) {
    auto store = makeSettingsStore();
    EXPECT_FALSE(store->create(bad)) << bad;
    EXPECT_FALSE(store->open(bad)) << bad;
  }
}

TEST_F(SettingsStoreTest, ConfigFolderFallsBackToHome) {
  const fs::path home = configHome_ / "home";
  const ScopedEnv homeEnv("HOME", home.string());
  const std::vector<std::optional<std::string>> unusable = {std::nullopt, "", "relative"};
  for (const auto& xdg : unusable) {
    const ScopedEnv xdgEnv("XDG_CONFIG_HOME", xdg);
    auto store = makeSettingsStore();
    EXPECT_TRUE(store->create(kExe));
    EXPECT_TRUE(fs::is_directory(home / ".config" / "Korvane" / "Tarvelo" / kExe))
        << xdg.value_or("(unset)");
    fs::remove_all(home);
  }
}

struct DamagedFile {
  const char* legend;
  std::string content;
  uint8_t flag;
  int32_t number;
  std::string text;
  // The file after writing "Z" = 1: what could be read, now clean.
  std::string repaired;
};

TEST_F(SettingsStoreTest, DamagedFileGivesDefaultsAndAWriteRepairsIt) {
  const std::string kOnlyZ = "Z\tflag\t1\n";
  const std::vector<DamagedFile> cases = {
      {"empty", "", kFlagDefault, kNumberDefault, kTextDefault, kOnlyZ},
      {"garbage lines", "garbage\nF flag 1\n\t\t\n\n", kFlagDefault, kNumberDefault, kTextDefault,
       kOnlyZ},
      {"binary junk", "\0\xff\x01\tflag\t\x80\n\x7f\0\n\xd0\tnumber\t1\0\n"s, kFlagDefault,
       kNumberDefault, kTextDefault, kOnlyZ},
      {"unknown kinds", "F\tbool\t1\nN\tFLAG\t4\nT\tstring\tx\n", kFlagDefault, kNumberDefault,
       kTextDefault, kOnlyZ},
      {"flag out of range", "F\tflag\t300\nF\tflag\t-1\nF\tflag\t\nF\tflag\t1.0\n", kFlagDefault,
       kNumberDefault, kTextDefault, kOnlyZ},
      {"flag 7 is kept for the caller", "F\tflag\t7\n", 7, kNumberDefault, kTextDefault,
       "F\tflag\t7\n" + kOnlyZ},
      {"bad numbers",
       "N\tnumber\t2147483648\nN\tnumber\t-2147483649\nN\tnumber\t12abc\nN\tnumber\t 12\n"
       "N\tnumber\t+12\nN\tnumber\t0x10\nN\tnumber\t\n",
       kFlagDefault, kNumberDefault, kTextDefault, kOnlyZ},
      {"cut-off last line", "F\tflag\t1\nN\tnumber\t42\nT\ttext\tab", 1, 42, kTextDefault,
       "F\tflag\t1\nN\tnumber\t42\n" + kOnlyZ},
      {"missing fields", "F\tflag\nN\t42\nT\n", kFlagDefault, kNumberDefault, kTextDefault, kOnlyZ},
      {"extra field", "F\tflag\t1\t2\nT\ttext\ta\tb\n", kFlagDefault, kNumberDefault, kTextDefault,
       kOnlyZ},
      {"bad escapes",
       "T\ttext\ta\\q\nT\ttext\ta\\\nT\ttext\t\\x4\nT\ttext\t\\xZZ\nT\ttext\t\\x-1\n", kFlagDefault,
       kNumberDefault, kTextDefault, kOnlyZ},
      {"raw control byte in a text", "T\ttext\ta\x01z\nT\ttext\ta\rz\n", kFlagDefault,
       kNumberDefault, kTextDefault, kOnlyZ},
      {"good lines among junk", "junk\nF\tflag\t1\n\x01\x02\nN\tnumber\t-7\nT\ttext\tok\n", 1, -7,
       "ok", "F\tflag\t1\nN\tnumber\t-7\nT\ttext\tok\n" + kOnlyZ},
      {"Windows line ends", "F\tflag\t1\r\nN\tnumber\t-7\r\nT\ttext\tok\r\n", 1, -7, "ok",
       "F\tflag\t1\nN\tnumber\t-7\nT\ttext\tok\n" + kOnlyZ},
      {"the last of two lines wins", "N\tnumber\t1\nN\tnumber\t2\n", kFlagDefault, 2, kTextDefault,
       "N\tnumber\t2\n" + kOnlyZ},
  };
  for (const DamagedFile& c : cases) {
    SCOPED_TRACE(c.legend);
    auto store = createdStore();
    writeFile(subkeyFile(), c.content);
    EXPECT_EQ(store->ReadFlag("F", kFlagDefault), c.flag);
    EXPECT_EQ(store->ReadNumber("N", kNumberDefault), c.number);
    EXPECT_EQ(store->ReadText("T", kTextDefault), c.text);
    store->WriteFlag("Z", 1);
    EXPECT_EQ(fileContent(subkeyFile()), c.repaired);
  }
}

TEST_F(SettingsStoreTest, SubkeyThatIsNoFileIsLeftAlone) {
  const std::vector<std::pair<const char*, int (*)(const char*)>> cases = {
      {"directory", [](const char* path) { return mkdir(path, S_IRWXU); }},
      {"named pipe", [](const char* path) { return mkfifo(path, S_IRWXU); }},
  };
  for (const auto& [legend, make] : cases) {
    SCOPED_TRACE(legend);
    auto store = createdStore();
    ASSERT_EQ(make(subkeyFile().c_str()), 0);
    expectDefaults(*store);
    store->WriteFlag("F", 1);
    EXPECT_EQ(store->ReadFlag("F", kFlagDefault), kFlagDefault);
    EXPECT_EQ(filesIn(keyDir()), std::vector<fs::path>{subkeyFile()}) << "no temporary file";
    fs::remove(subkeyFile());
  }
}

TEST_F(SettingsStoreTest, StoreThatCannotBeCreatedReadsDefaultsAndWritesNothing) {
  const std::vector<std::pair<const char*, fs::path>> cases = {
      {"file in place of the vendor folder", configHome_ / "Korvane"},
      {"file in place of the key folder", keyDir()},
  };
  for (const auto& [legend, blocked] : cases) {
    SCOPED_TRACE(legend);
    fs::create_directories(blocked.parent_path());
    writeFile(blocked, "not a folder");
    auto store = makeSettingsStore();
    EXPECT_FALSE(store->create(kExe));
    EXPECT_FALSE(store->open(kExe));
    store->WriteFlag("F", 1);
    expectDefaults(*store);
    EXPECT_EQ(fileContent(blocked), "not a folder");
    fs::remove_all(configHome_ / "Korvane");
  }
}

TEST_F(SettingsStoreTest, KeyFolderGoneAfterCreateMakesWritesDoNothing) {
  auto store = createdStore();
  fs::remove(keyDir());
  store->WriteFlag("F", 1);
  expectDefaults(*store);
  EXPECT_FALSE(fs::exists(keyDir())) << "a removed key is not made again";
  writeFile(keyDir(), "not a folder");
  store->WriteFlag("F", 1);
  expectDefaults(*store);
  EXPECT_EQ(fileContent(keyDir()), "not a folder");
}

TEST_F(SettingsStoreTest, WithoutPermissionWritesDoNothing) {
  auto store = createdStore();
  store->WriteFlag("F", 1);
  const std::string before = fileContent(subkeyFile());
  // Root may read anything: as root the files become nobody's, who then tries.
  if (geteuid() == 0) {
    for (const auto& entry : fs::recursive_directory_iterator(configHome_)) {
      ASSERT_EQ(lchown(entry.path().c_str(), testing_support::kNobody, testing_support::kNobody), 0);
    }
    ASSERT_EQ(chown(configHome_.c_str(), testing_support::kNobody, testing_support::kNobody), 0);
  }
  EXPECT_TRUE(testing_support::holdsForAnUnprivilegedUser([&] {
    fs::permissions(subkeyFile(), fs::perms::none);
    const bool unreadableGivesDefaults = store->ReadFlag("F", kFlagDefault) == kFlagDefault;
    store->WriteNumber("N", 1);
    fs::permissions(subkeyFile(), fs::perms::owner_read);
    const bool unreadableIsNotReplaced = fileContent(subkeyFile()) == before;

    fs::permissions(keyDir(), fs::perms::owner_read | fs::perms::owner_exec);
    store->WriteNumber("N", 1);
    const bool readOnlyFolderKeepsTheFile =
        store->ReadFlag("F", kFlagDefault) == 1 && store->ReadNumber("N", kNumberDefault) == kNumberDefault;
    fs::permissions(keyDir(), fs::perms::owner_all);
    return unreadableGivesDefaults && unreadableIsNotReplaced && readOnlyFolderKeepsTheFile;
  }));
}

using testing::FileSizeLimit;

TEST_F(SettingsStoreTest, WriteFailingHalfWayKeepsTheOldFile) {
  constexpr rlim_t kLimitBytes = rlim_t{64} * 1024;
  auto store = createdStore();
  store->WriteText("T", "old");
  {
    const FileSizeLimit limit(kLimitBytes);
    store->WriteText("T", std::string(2 * kLimitBytes, 'x'));
  }
  EXPECT_EQ(fileContent(subkeyFile()), "T\ttext\told\n");
  EXPECT_EQ(filesIn(keyDir()), std::vector<fs::path>{subkeyFile()}) << "no temporary file";
  EXPECT_EQ(store->ReadText("T", kTextDefault), "old") << "the failed value is not read back";
}

TEST_F(SettingsStoreTest, WriteReplacesTheWholeFileAndLeavesNoTemporaryFile) {
  auto store = createdStore();
  store->WriteText("T", "first");
  const fs::path oldVersion = keyDir() / "old";
  fs::create_hard_link(subkeyFile(), oldVersion);
  store->WriteText("T", "second");
  EXPECT_EQ(fileContent(oldVersion), "T\ttext\tfirst\n") << "the old file was written in place";
  fs::remove(oldVersion);

  for (int i = 0; i < 5; ++i) store->WriteNumber("N" + std::to_string(i), i);
  EXPECT_EQ(filesIn(keyDir()), std::vector<fs::path>{subkeyFile()});
}

TEST_F(SettingsStoreTest, ProtocolMemoryServesTheNextRunWhenTheStoreCannotBeWritten) {
  fs::create_directories(keyDir().parent_path());
  writeFile(keyDir(), "not a folder");
  StoredProtocolMemory memory(makeSettingsStore(), kExe);

  memory.remember(2, link::ProtocolBm);
  EXPECT_EQ(memory.recall(2), link::ProtocolBm);
  EXPECT_EQ(fileContent(keyDir()), "not a folder");
}

// The permission bits of a file in octal, as ls and chmod show them.
std::string modeOf(const fs::path& file) {
  struct stat info {};
  if (stat(file.c_str(), &info) != 0) return "none";
  std::ostringstream octal;
  octal << std::oct << (info.st_mode & (S_IRWXU | S_IRWXG | S_IRWXO));
  return octal.str();
}

// The process's umask set for the life of this object, then put back as it was.
class ScopedUmask {
 public:
  explicit ScopedUmask(mode_t mask) : old_(umask(mask)) {}
  ~ScopedUmask() { umask(old_); }
  ScopedUmask(const ScopedUmask&) = delete;
  ScopedUmask& operator=(const ScopedUmask&) = delete;

 private:
  mode_t old_;
};

TEST_F(SettingsStoreTest, WriteLeavesTheFileToItsOwnerAlone) {  // it may name the lab's server and login
  auto store = createdStore();
  store->WriteFlag("F", 1);
  for (const auto& [mode, written] : {std::pair{fs::perms(0640), "600"}, {fs::perms(0604), "600"},
                                      {fs::perms(0444), "400"}}) {
    fs::permissions(subkeyFile(), mode);
    store->WriteNumber("N", 1);
    EXPECT_EQ(modeOf(subkeyFile()), written);
  }
}

TEST_F(SettingsStoreTest, NewFileIsTheOwnersWithinTheUsersMask) {
  // Umask and the mode it leaves; each case writes in a key named after the mode.
  const std::vector<std::pair<mode_t, std::string>> cases = {{022, "600"}, {0222, "400"}};
  for (const auto& [mask, mode] : cases) {
    SCOPED_TRACE(mode);
    const ScopedUmask userMask(mask);
    createdStore(mode)->WriteFlag("F", 1);
    EXPECT_EQ(modeOf(keyDir(mode) / "Version_U1.0.0"), mode);
  }
}

TEST_F(SettingsStoreTest, WriteRemovesTheTemporaryFilesOfAKilledWriter) {
  const std::vector<std::string> stray = {"Version_U1.0.0.a1B2c3", "Version_U1.0.0.ZZZZZZ"};
  const std::vector<std::string> others = {"Version_U1.0.0.bak", "Version_U1.0.0-a1B2c3",
                                           "Version_U1.0.0.a1-2_3", "Version_U1.0.0.a1B2c3d",
                                           "Other.a1B2c3"};
  const std::string kFolderLikeATemporaryFile = "Version_U1.0.0.d1r3ct";
  auto store = createdStore();
  for (const auto& name : stray) writeFile(keyDir() / name, "T\ttext\thalf");
  for (const auto& name : others) writeFile(keyDir() / name, "kept");
  fs::create_directory(keyDir() / kFolderLikeATemporaryFile);

  store->WriteFlag("F", 1);
  for (const auto& name : stray) EXPECT_FALSE(fs::exists(keyDir() / name)) << name;
  for (const auto& name : others) EXPECT_EQ(fileContent(keyDir() / name), "kept") << name;
  EXPECT_TRUE(fs::is_directory(keyDir() / kFolderLikeATemporaryFile));
  EXPECT_EQ(fileContent(subkeyFile()), "F\tflag\t1\n");

  writeFile(keyDir() / stray.front(), "F\tflag\t0\n");
  store->WriteNumber("N", 2);
  EXPECT_FALSE(fs::exists(keyDir() / stray.front()));
  EXPECT_EQ(fileContent(subkeyFile()), "F\tflag\t1\nN\tnumber\t2\n");
}

// A writer of another process holds the key's lock while its temporary file exists.
TEST_F(SettingsStoreTest, TemporaryFileOfAWriterStillWritingIsKept) {
  constexpr auto kTimeToReachTheLock = std::chrono::milliseconds(200);
  const fs::path temp = keyDir() / "Version_U1.0.0.Wr1t1n";
  auto store = createdStore();
  const int dir = open(keyDir().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(dir, 0);
  ASSERT_EQ(flock(dir, LOCK_EX), 0);
  writeFile(temp, "T\ttext\tother\n");

  std::thread writer([&store] { store->WriteFlag("F", 1); });
  std::this_thread::sleep_for(kTimeToReachTheLock);
  EXPECT_TRUE(fs::exists(temp)) << "removed while its writer held the lock";
  std::error_code ec;
  fs::rename(temp, subkeyFile(), ec);
  close(dir);
  writer.join();

  EXPECT_EQ(store->ReadText("T", kTextDefault), "other");
  EXPECT_EQ(store->ReadFlag("F", kFlagDefault), 1);
  EXPECT_EQ(filesIn(keyDir()), std::vector<fs::path>{subkeyFile()});
}

// A store keeps what it read; it must still see every change made since by others.
TEST_F(SettingsStoreTest, OpenStoreReadsWhatOthersChanged) {
  auto reader = createdStore();
  auto writer = createdStore();
  writer->WriteNumber("N", 1);
  EXPECT_EQ(reader->ReadNumber("N", kNumberDefault), 1);

  writer->WriteNumber("N", 2);
  EXPECT_EQ(reader->ReadNumber("N", kNumberDefault), 2) << "replaced by a file of the same size";

  writeFile(subkeyFile(), "N\tnumber\t-33\n");
  EXPECT_EQ(reader->ReadNumber("N", kNumberDefault), -33) << "changed in place";

  reader->WriteFlag("F", 1);
  EXPECT_EQ(writer->ReadNumber("N", kNumberDefault), -33) << "lost by the reader's write";
  EXPECT_EQ(writer->ReadFlag("F", kFlagDefault), 1);

  fs::remove(subkeyFile());
  expectDefaults(*reader);
  writer->WriteNumber("N", 4);
  EXPECT_EQ(reader->ReadNumber("N", kNumberDefault), 4);
  EXPECT_EQ(reader->ReadFlag("F", kFlagDefault), kFlagDefault);
}

TEST_F(SettingsStoreTest, LongTextWithEveryEscapeIsKeptWhole) {
  constexpr size_t kCharacters = 100'000;
  constexpr size_t kAsciiCharacters = 128;
  // Every ASCII byte (the control bytes, backslash and DEL among them), then a letter of
  // two bytes, over and over.
  std::string text;
  for (size_t i = 0; i < kCharacters; ++i) {
    const size_t code = i % (kAsciiCharacters + 1);
    text += code < kAsciiCharacters ? std::string(1, static_cast<char>(code)) : "ж";
  }
  const auto firstDifference = [&text](const std::string& read) {
    return std::mismatch(text.begin(), text.end(), read.begin(), read.end()).first - text.begin();
  };

  auto writer = createdStore();
  writer->WriteText("Long", text);
  writer->WriteNumber("Later", 1);
  const std::string written = writer->ReadText("Long", kTextDefault);
  EXPECT_TRUE(written == text) << "differs from character " << firstDifference(written);

  auto reader = makeSettingsStore();
  ASSERT_TRUE(reader->open(kExe));
  const std::string read = reader->ReadText("Long", kTextDefault);
  EXPECT_TRUE(read == text) << read.size() << " bytes read of " << text.size()
                            << ", differs from character " << firstDifference(read);
  EXPECT_EQ(reader->ReadNumber("Later", kNumberDefault), 1);
  const std::string content = fileContent(subkeyFile());
  EXPECT_EQ(std::count(content.begin(), content.end(), '\n'), 2) << "one line a value";
}

}  // namespace
}  // namespace tarvelo::settings
