#include <cstdlib>
#include <string>

#include "journal/zip_archive.h"

using namespace tarvelo::journal;

// The parts a workbook is read from, and the other file of the seeds.
const std::string kNames[] = {"[Content_Types].xml",        "xl/workbook.xml",
                              "xl/_rels/workbook.xml.rels", "xl/sharedStrings.xml",
                              "xl/worksheets/sheet1.xml",   "a"};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto opened = ZipArchive::open(
      QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
  const auto* archive = std::get_if<ZipArchive>(&opened);
  if (archive == nullptr) return 0;
  for (const std::string& name : kNames) {
    const std::variant<QByteArray, ZipFailure> file = archive->file(name);
    const auto* failure = std::get_if<ZipFailure>(&file);
    if ((failure != nullptr && *failure == ZipFailure::Missing) == archive->contains(name))
      std::abort();
    if (failure == nullptr && std::get<QByteArray>(file).size() > qsizetype{kMaxInflatedBytes})
      std::abort();
  }
  return 0;
}
