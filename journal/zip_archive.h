#pragma once

#include <QByteArray>
#include <cstdint>
#include <map>
#include <string>
#include <variant>

namespace tarvelo::journal {

// No file of an archive is inflated past this: a small archive can hold a file that
// inflates to many gigabytes.
inline constexpr std::uint32_t kMaxInflatedBytes = 64u << 20;

enum class ZipFailure {
  NotAnArchive,  // no central directory that can be read
  Unsupported,   // encrypted, ZIP64, or packed other than stored or deflated
  Damaged,       // its data do not inflate, or not to its size and checksum
  TooLarge,      // it would inflate past kMaxInflatedBytes
  Missing,       // the archive has no file of that name
};

// A zip archive held in memory: its central directory read once, its files inflated when
// asked for.
class ZipArchive {
 public:
  static std::variant<ZipArchive, ZipFailure> open(QByteArray bytes);

  bool contains(const std::string& name) const { return entries_.contains(name); }
  // The file `name` (a path in the archive, "xl/workbook.xml") as it was before packing.
  std::variant<QByteArray, ZipFailure> file(const std::string& name) const;

 private:
  struct Entry {
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint32_t crc = 0;
    std::uint32_t packedBytes = 0;
    std::uint32_t bytes = 0;
    std::uint32_t localHeader = 0;
  };

  explicit ZipArchive(QByteArray bytes) : bytes_(std::move(bytes)) {}

  QByteArray bytes_;
  std::map<std::string, Entry> entries_;
};

}  // namespace tarvelo::journal
