// The saved protocol as a spreadsheet program lays it out for print: A4, one page wide,
// the protocol number heading every page, and every number as the window shows it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>

#include "reports/spreadsheet_protocol.h"
#include "reports/xlsx_protocol_writer.h"
#include "tests/support/command_output.h"
#include "tests/support/scoped_locale.h"
#include "tests/support/weighed_batch.h"

namespace tarvelo::reports {
namespace {

namespace fs = std::filesystem;
using testing_support::CommandOutput;
using testing_support::commandOutput;

constexpr char kProtocolNumber[] = "П-17/3";
// pdfinfo names the paper size it recognises.
constexpr char kA4PageSize[] = "(A4)";

std::string quoted(const fs::path& path) { return "'" + path.string() + "'"; }

fs::path saveProtocol(const fs::path& folder, const weighing::MeasurementStore& store, int results) {
  const fs::path file = folder / (std::to_string(results) + ".xlsx");
  const std::optional<link::Failure> written = writeXlsxProtocol(
      BuildSpreadsheetProtocol({store.sgRes, store.sgTotal, kProtocolNumber, "Мышь", "Иванов И. И.",
                                "4", "07.12.2026", "BM-600", 1234567}),
      file);
  EXPECT_FALSE(written) << written->message;
  return file;
}

// The masses, deviations and total as the window shows them, with `decimalPoint`.
std::set<std::string> shownNumbers(const weighing::MeasurementStore& store, char decimalPoint) {
  std::set<std::string> texts{store.sgTotal.cell(weighing::TotalMass, 0)};
  for (int row = 1; row < store.sgRes.rowCount(); ++row) {
    for (const int column : {weighing::ResultMass, weighing::ResultDeviation}) {
      texts.insert(store.sgRes.cell(column, row));
    }
  }
  std::set<std::string> shown;
  for (std::string text : texts) {
    std::replace(text.begin(), text.end(), ',', decimalPoint);
    shown.insert(text);
  }
  return shown;
}

// The value of `field` in pdfinfo's report on `pdf`.
std::string pdfInfo(const fs::path& pdf, const std::string& field) {
  const std::string text = commandOutput("pdfinfo " + quoted(pdf)).text;
  const auto start = text.find(field + ":");
  if (start == std::string::npos) return {};
  const auto value = text.find_first_not_of(' ', start + field.size() + 1);
  return text.substr(value, text.find('\n', value) - value);
}

TEST(ProtocolRendering, SpreadsheetProgramPrintsA4PagesEachHeadedByTheProtocolNumber) {
#ifdef _WIN32
  GTEST_SKIP() << "converts with LibreOffice and pdfinfo through a POSIX shell";
#endif
  ASSERT_EQ(commandOutput("command -v soffice").status, 0) << "scripts/install-deps.sh installs LibreOffice";
  const fs::path folder = fs::path(testing::TempDir()) / "tarvelo-protocol-rendering";
  struct Case {
    int results;
    int pages;
  };
  const Case cases[] = {{3, 1}, {60, 2}};
  // Written and shown under the users' locale and under the default one.
  for (const char* locale : {testing_support::kRussianLocale, testing_support::kPlainLocale}) {
    SCOPED_TRACE(locale);
    const testing_support::ScopedLocale system(locale);
    ASSERT_TRUE(system.ok()) << "scripts/install-deps.sh generates " << locale;
    fs::remove_all(folder);
    fs::create_directories(folder);
    std::string files;
    for (const Case& c : cases) {
      files += " " + quoted(saveProtocol(folder, testing_support::weighedBatch(c.results), c.results));
    }
    // A profile of its own, so that the conversion neither needs nor touches the user's.
    const CommandOutput converted = commandOutput(
        "cd " + quoted(folder) + " && LC_ALL=" + locale + " soffice -env:UserInstallation=file://" +
        (folder / "profile").string() + " --headless --convert-to pdf" + files + " 2>&1");
    ASSERT_EQ(converted.status, 0) << converted.text;

    for (const Case& c : cases) {
      const fs::path pdf = folder / (std::to_string(c.results) + ".pdf");
      ASSERT_TRUE(fs::exists(pdf)) << converted.text;
      EXPECT_TRUE(pdfInfo(pdf, "Page size").ends_with(kA4PageSize)) << pdfInfo(pdf, "Page size");
      ASSERT_EQ(pdfInfo(pdf, "Pages"), std::to_string(c.pages)) << c.results;
      for (int page = 1; page <= c.pages; ++page) {
        const std::string text = commandOutput("pdftotext -f " + std::to_string(page) + " -l " +
                                               std::to_string(page) + " " + quoted(pdf) + " -")
                                     .text;
        EXPECT_NE(text.find(std::string("Протокол № ") + kProtocolNumber), std::string::npos)
            << c.results << " results, page " << page << ":\n"
            << text;
      }
      const std::string document = commandOutput("pdftotext " + quoted(pdf) + " -").text;
      for (const std::string& number :
           shownNumbers(testing_support::weighedBatch(c.results), system.decimalPoint())) {
        EXPECT_NE(document.find(number), std::string::npos)
            << c.results << " results: " << number << " is not on the page:\n"
            << document;
      }
    }
  }
  fs::remove_all(folder);
}

}  // namespace
}  // namespace tarvelo::reports
