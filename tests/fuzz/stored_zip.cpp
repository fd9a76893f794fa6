#include "stored_zip.h"

#include <zlib.h>

#include <cstdint>
#include <initializer_list>

namespace tarvelo::fuzz {

namespace {

constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::uint32_t kDirectorySignature = 0x02014b50;
constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kVersion = 20;  // 2.0: stored and deflated files, folders

// A field of the format: its value and how many bytes it takes, little-endian.
struct Field {
  std::uint32_t value;
  int bytes;
};

void put(std::string& out, std::initializer_list<Field> fields) {
  for (const Field& field : fields) {
    for (int i = 0; i < field.bytes; ++i) out += static_cast<char>(field.value >> (8 * i));
  }
}

}  // namespace

std::string storedZip(const std::vector<std::pair<std::string, std::string>>& files) {
  std::string out;
  std::string directory;
  for (const auto& [name, data] : files) {
    const auto size = static_cast<std::uint32_t>(data.size());
    const auto nameBytes = static_cast<std::uint32_t>(name.size());
    const auto crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(size)));
    const auto at = static_cast<std::uint32_t>(out.size());
    // The fields both headers have, from the version needed to the name's length.
    const std::initializer_list<Field> common = {
        {kVersion, 2}, {0, 2} /* flags */,     {0, 2} /* stored */, {0, 4} /* time, date */,
        {crc, 4},      {size, 4} /* packed */, {size, 4},           {nameBytes, 2}};
    put(out, {{kLocalSignature, 4}});
    put(out, common);
    put(out, {{0, 2} /* extra field */});
    out += name + data;
    put(directory, {{kDirectorySignature, 4}, {kVersion, 2} /* written by */});
    put(directory, common);
    // extra field, comment, disk, internal and external attributes, local header
    put(directory, {{0, 2}, {0, 2}, {0, 2}, {0, 2}, {0, 4}, {at, 4}});
    directory += name;
  }
  const auto entries = static_cast<std::uint32_t>(files.size());
  const auto directoryAt = static_cast<std::uint32_t>(out.size());
  out += directory;
  // disk, directory's disk, entries on it and in all, directory's size and place, comment
  put(out, {{kEndSignature, 4},
            {0, 2},
            {0, 2},
            {entries, 2},
            {entries, 2},
            {static_cast<std::uint32_t>(directory.size()), 4},
            {directoryAt, 4},
            {0, 2}});
  return out;
}

}  // namespace tarvelo::fuzz
