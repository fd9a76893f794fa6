#include <algorithm>
#include <string_view>

#include "animal_list_checks.h"
#include "input_file.h"
#include "stored_zip.h"

using namespace tarvelo;

namespace {

constexpr std::string_view kZipStart("PK\x03\x04");
constexpr char kPartEnd = '\0';
// The parts an input of text gives, in order; those it leaves empty are these (none when empty).
const std::pair<std::string, std::string> kParts[] = {
    {"xl/worksheets/sheet1.xml", ""},
    {"xl/sharedStrings.xml", ""},
    {"xl/workbook.xml",
     R"(<workbook xmlns:r="r"><sheets><sheet r:id="rId1"/></sheets></workbook>)"},
    {"xl/_rels/workbook.xml.rels",
     R"(<Relationships><Relationship Id="rId1" Target="worksheets/sheet1.xml"/></Relationships>)"},
};

// A workbook file as it is, or the workbook of its parts: sheet, shared strings,
// workbook, relationships, a NUL after each, so that a mutated part still unpacks.
std::string workbookOf(std::string_view input) {
  if (input.starts_with(kZipStart)) return std::string(input);
  std::vector<std::pair<std::string, std::string>> files;
  for (const auto& [name, text] : kParts) {
    const std::string_view part = input.substr(0, input.find(kPartEnd));
    if (!part.empty() || !text.empty())
      files.push_back({name, std::string(part.empty() ? text : part)});
    input.remove_prefix(std::min(part.size() + 1, input.size()));
  }
  return fuzz::storedZip(files);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string workbook =
      workbookOf(std::string_view(reinterpret_cast<const char*>(data), size));
  fuzz::checkImportedList(journal::importAnimalList(fuzz::writeInput(
      "list.xlsx", reinterpret_cast<const uint8_t*>(workbook.data()), workbook.size())));
  return 0;
}
