#include "reports/protocol_file_name.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#ifndef _WIN32
#include <unistd.h>

#include "tests/support/unprivileged.h"
#endif

#include <filesystem>
#include <fstream>
#include <optional>

#include "reports/xlsx_protocol_writer.h"

namespace tarvelo::reports {
namespace {

namespace fs = std::filesystem;

const fs::path kProgramFolder = "/opt/tarvelo";
const fs::path kProtocols = kProgramFolder / u8"протоколы";

TEST(ProtocolFileName, DefaultNumberLiesInTheProtocolFolderAndIsSavedAsXlsx) {
  EXPECT_EQ(protocolFolder(kProgramFolder), kProtocols);
  EXPECT_EQ(protocolFileName(kProgramFolder, "ХХХХХХХХ"), kProtocols / u8"ХХХХХХХХ");
  EXPECT_EQ(defaultProtocolPath(kProtocols / "12.5"), kProtocols / "12.5.xlsx");
}

TEST(ProtocolFileName, ForbiddenCharactersBecomeUnderscoresAndNeverLeaveTheFolder) {
  struct Case {
    const char* legend;
    const char* number;
    const char* stem;
  };
  const Case cases[] = {
      {"parent and child", "../x", ".._x"},
      {"absolute", "/etc/passwd", "_etc_passwd"},
      {"every forbidden character", "a/b\\c:d*e?f\"g<h>i|j", "a_b_c_d_e_f_g_h_i_j"},
      {"control characters", "12\t3\n\x7f", "12_3__"},
      {"dots inside a name stay", "№ 7.1..2", "№ 7.1..2"},
      {"blanks around and dots at the end go", " \t17/3 . .\n", "17_3"},
      {"a device name gets an underscore", "CON", "CON_"},
      {"in any letter case", "lPt9", "lPt9_"},
      {"before any extension", "con.txt", "con_.txt"},
      {"numbered device", "COM1.2024", "COM1_.2024"},
      {"once its blanks and dots are gone", " aux. ", "aux_"},
      {"a longer name is no device", "CONSOLE", "CONSOLE"},
      {"devices are numbered 1 to 9", "COM10", "COM10"},
      {"there is no device 0", "LPT0", "LPT0"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(protocolFileStem(c.number), c.stem) << c.legend;
    const fs::path file = protocolFileName(kProgramFolder, c.number).value();
    EXPECT_EQ(file.parent_path(), kProtocols) << c.legend;
    EXPECT_EQ(defaultProtocolPath(file).lexically_normal().parent_path(), kProtocols) << c.legend;
  }
}

TEST(ProtocolFileName, NumberThatLeavesNoNameGivesNoFile) {
  for (const char* number : {"", " \t", ".", "..", " . . "})
    EXPECT_EQ(protocolFileName(kProgramFolder, number), std::nullopt) << '"' << number << '"';
}

TEST(ProtocolFileName, ChosenOldExtensionIsSavedAsXlsx) {
  const struct {
    const char* chosen;
    const char* saved;
  } cases[] = {
      {"/p/a.xls", "/p/a.xlsx"},
      {"/p/a.XLS", "/p/a.xlsx"},
      {"/p/a.xlsx", "/p/a.xlsx"},
      {"/p/a", "/p/a.xlsx"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(chosenProtocolPath(c.chosen), fs::path(c.saved)) << c.chosen;
}

class ProtocolFolder : public testing::Test {
 protected:
  void SetUp() override {
    fs::remove_all(program_);
    fs::create_directories(program_);
  }
  void TearDown() override {
    fs::permissions(program_ / u8"протоколы", fs::perms::owner_all, fs::perm_options::add, ignored_);
    fs::remove_all(program_);
  }
  static void touch(const fs::path& file) { std::ofstream{file}; }

  // One folder a test, so that tests run in parallel keep apart.
  const fs::path program_ =
      fs::path(testing::TempDir()) /
      (std::string("tarvelo-") + testing::UnitTest::GetInstance()->current_test_info()->name());
  const SpreadsheetProtocol protocol_{
      "7", {{2, 3, "Протокол № ", true, false, Alignment::Right, std::nullopt}}, {}, {1, 5, 17},
      {1, 90, 2, 2}};
  std::error_code ignored_;
};

TEST_F(ProtocolFolder, EarlierProtocolIsFoundByEitherExtension) {
  const fs::path name = *protocolFileName(program_, "7");
  fs::create_directories(name.parent_path());
  EXPECT_FALSE(protocolExists(name));
  touch(fs::path(name) += ".xlsx");
  EXPECT_TRUE(protocolExists(name));
  fs::remove(fs::path(name) += ".xlsx");
  touch(fs::path(name) += ".xls");
  EXPECT_TRUE(protocolExists(name));
}

TEST_F(ProtocolFolder, MissingFolderIsCreated) {
  const fs::path file = defaultProtocolPath(*protocolFileName(program_, "ХХХХХХХХ"));
  const std::optional<link::Failure> result = writeXlsxProtocol(protocol_, file);
  EXPECT_FALSE(result) << result->message;
  EXPECT_TRUE(fs::is_regular_file(file));
  EXPECT_TRUE(protocolExists(*protocolFileName(program_, "ХХХХХХХХ")));
}

TEST_F(ProtocolFolder, SavedFileHasTheModeOfTheUsersFiles) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows files have no POSIX mode";
#endif
  struct Case {
    const char* legend;
    mode_t umask;
    std::optional<fs::perms> earlier;  // the mode of the protocol it replaces, if any
    fs::perms saved;
  };
  const Case cases[] = {
      {"new, usual umask", 022, std::nullopt, fs::perms(0644)},
      {"new, umask closing it to others", 027, std::nullopt, fs::perms(0640)},
      {"replaced, keeps its mode", 022, fs::perms(0660), fs::perms(0660)},
      {"replaced read-only, keeps its mode", 022, fs::perms(0444), fs::perms(0444)},
  };
  const fs::path file = defaultProtocolPath(*protocolFileName(program_, "10"));
  for (const Case& c : cases) {
    fs::remove(file);
    if (c.earlier) {
      ASSERT_FALSE(writeXlsxProtocol(protocol_, file)) << c.legend;
      fs::permissions(file, *c.earlier);
    }
    const mode_t before = ::umask(c.umask);
    const std::optional<link::Failure> result = writeXlsxProtocol(protocol_, file);
    ::umask(before);
    ASSERT_FALSE(result) << c.legend << ": " << result->message;
    EXPECT_EQ(fs::status(file).permissions(), c.saved)
        << c.legend << ": " << std::oct << static_cast<unsigned>(fs::status(file).permissions());
  }
}

TEST_F(ProtocolFolder, PathThatIsAFolderIsNotSaved) {
  const fs::path file = defaultProtocolPath(*protocolFileName(program_, "8"));
  fs::create_directories(file);
  const std::optional<link::Failure> result = writeXlsxProtocol(protocol_, file);
  ASSERT_TRUE(result);
  EXPECT_FALSE(result->message.empty());
  EXPECT_TRUE(fs::is_directory(file));
  EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), {}), 1)
      << "no partial file is left behind";
}

// Beside the program in its own writable folder; in the documents once it is installed
// or when its folder cannot be written.
TEST_F(ProtocolFolder, ProtocolsGoBesideTheProgramOrIntoTheDocuments) {
  const fs::path documents = program_ / "documents";
  const fs::path bin = program_ / "usr" / "bin";
  fs::create_directories(bin);
  EXPECT_EQ(protocolsHome(bin, false, documents), bin);
  EXPECT_EQ(std::distance(fs::directory_iterator(bin), {}), 0) << "the folder is tried and left as it was";
  EXPECT_EQ(protocolsHome(bin, true, documents), documents / "Tarvelo");
#ifndef _WIN32
  const fs::path readOnly = program_ / "read-only";
  fs::create_directories(readOnly);
  fs::permissions(readOnly, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                                fs::perms::others_exec);
  EXPECT_TRUE(testing_support::holdsForAnUnprivilegedUser(
      [&] { return protocolsHome(readOnly, false, documents) == documents / "Tarvelo"; }));
#endif
}

TEST_F(ProtocolFolder, ReadOnlyFolderGivesAnError) {
#ifdef _WIN32
  GTEST_SKIP() << "a folder's read-only mark does not keep files out on Windows";
#else
  const fs::path folder = protocolFolder(program_);
  fs::create_directories(folder);
  fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                              fs::perms::others_exec);
  EXPECT_TRUE(testing_support::holdsForAnUnprivilegedUser([this] {
    const std::optional<link::Failure> result =
        writeXlsxProtocol(protocol_, defaultProtocolPath(*protocolFileName(program_, "9")));
    return result && !result->message.empty();
  }));
#endif
}

}  // namespace
}  // namespace tarvelo::reports
