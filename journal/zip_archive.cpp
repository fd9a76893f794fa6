#include "journal/zip_archive.h"

#include <zlib.h>

#include <QtEndian>
#include <algorithm>

namespace tarvelo::journal {

namespace {

// The records of the format as its application note lays them out, little-endian.
constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr qsizetype kEndBytes = 22;  // then a comment of up to kMaxCommentBytes
constexpr qsizetype kMaxCommentBytes = 0xFFFF;
constexpr qsizetype kEndEntries = 10;
constexpr qsizetype kEndDirectoryBytes = 12;
constexpr qsizetype kEndDirectoryAt = 16;

constexpr std::uint32_t kDirectorySignature = 0x02014b50;
constexpr qsizetype kDirectoryEntryBytes = 46;  // then the name, extra field and comment
constexpr qsizetype kDirectoryFlags = 8;
constexpr qsizetype kDirectoryMethod = 10;
constexpr qsizetype kDirectoryCrc = 16;
constexpr qsizetype kDirectoryPackedBytes = 20;
constexpr qsizetype kDirectoryBytes = 24;
constexpr qsizetype kDirectoryNameBytes = 28;
constexpr qsizetype kDirectoryExtraBytes = 30;
constexpr qsizetype kDirectoryCommentBytes = 32;
constexpr qsizetype kDirectoryLocalHeader = 42;

constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr qsizetype kLocalHeaderBytes = 30;  // then the name and extra field, then the data
constexpr qsizetype kLocalNameBytes = 26;
constexpr qsizetype kLocalExtraBytes = 28;

constexpr std::uint16_t kEncryptedFlag = 1;
constexpr std::uint16_t kStored = 0;
constexpr std::uint16_t kDeflated = 8;
constexpr std::uint32_t kZip64Marker = 0xFFFFFFFF;  // the real value is in a ZIP64 record
constexpr std::uint16_t kZip64Entries = 0xFFFF;

// Little-endian fields of the archive, each read only where it lies wholly inside.
class Fields {
 public:
  explicit Fields(const QByteArray& bytes) : bytes_(bytes) {}
  bool fit(qsizetype at, qsizetype size) const {
    return at >= 0 && size >= 0 && size <= bytes_.size() - at;
  }
  std::uint16_t u16(qsizetype at) const {
    return qFromLittleEndian<std::uint16_t>(bytes_.constData() + at);
  }
  std::uint32_t u32(qsizetype at) const {
    return qFromLittleEndian<std::uint32_t>(bytes_.constData() + at);
  }
  const char* at(qsizetype at) const { return bytes_.constData() + at; }

 private:
  const QByteArray& bytes_;
};

// The file whose `packed` bytes inflate to `bytes` bytes; none when they inflate to any
// other size or do not inflate. The output is bounded one byte past the size, so a file
// that claims less than it holds costs no more than it claims.
std::optional<QByteArray> inflated(const char* packed, std::uint32_t packedBytes,
                                   std::uint32_t bytes) {
  QByteArray out(static_cast<qsizetype>(bytes) + 1, Qt::Uninitialized);
  z_stream stream{};
  if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return std::nullopt;
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed));
  stream.avail_in = packedBytes;
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = bytes + 1;
  const int result = inflate(&stream, Z_FINISH);
  const uLong made = stream.total_out;
  inflateEnd(&stream);
  if (result != Z_STREAM_END || made != bytes) return std::nullopt;
  out.resize(bytes);
  return out;
}

}  // namespace

std::variant<ZipArchive, ZipFailure> ZipArchive::open(QByteArray bytes) {
  ZipArchive archive(std::move(bytes));
  const Fields fields(archive.bytes_);
  const qsizetype size = archive.bytes_.size();
  qsizetype end = size - kEndBytes;
  const qsizetype earliestEnd = std::max<qsizetype>(0, end - kMaxCommentBytes);
  while (end >= earliestEnd && fields.u32(end) != kEndSignature) --end;
  if (end < earliestEnd) return ZipFailure::NotAnArchive;
  const std::uint16_t entries = fields.u16(end + kEndEntries);
  const std::uint32_t directoryAt = fields.u32(end + kEndDirectoryAt);
  if (entries == kZip64Entries || directoryAt == kZip64Marker) return ZipFailure::Unsupported;
  if (!fields.fit(directoryAt, fields.u32(end + kEndDirectoryBytes)))
    return ZipFailure::NotAnArchive;

  qsizetype at = directoryAt;
  for (std::uint16_t i = 0; i < entries; ++i) {
    if (!fields.fit(at, kDirectoryEntryBytes) || fields.u32(at) != kDirectorySignature)
      return ZipFailure::NotAnArchive;
    const std::uint16_t nameBytes = fields.u16(at + kDirectoryNameBytes);
    if (!fields.fit(at + kDirectoryEntryBytes, nameBytes)) return ZipFailure::NotAnArchive;
    archive.entries_.emplace(
        std::string(fields.at(at + kDirectoryEntryBytes), nameBytes),
        Entry{fields.u16(at + kDirectoryFlags), fields.u16(at + kDirectoryMethod),
              fields.u32(at + kDirectoryCrc), fields.u32(at + kDirectoryPackedBytes),
              fields.u32(at + kDirectoryBytes), fields.u32(at + kDirectoryLocalHeader)});
    at += kDirectoryEntryBytes + nameBytes + fields.u16(at + kDirectoryExtraBytes) +
          fields.u16(at + kDirectoryCommentBytes);
  }
  return archive;
}

std::variant<QByteArray, ZipFailure> ZipArchive::file(const std::string& name) const {
  const auto found = entries_.find(name);
  if (found == entries_.end()) return ZipFailure::Missing;
  const Entry& entry = found->second;
  if ((entry.flags & kEncryptedFlag) != 0 ||
      (entry.method != kStored && entry.method != kDeflated) || entry.packedBytes == kZip64Marker ||
      entry.bytes == kZip64Marker || entry.localHeader == kZip64Marker) {
    return ZipFailure::Unsupported;
  }
  if (entry.bytes > kMaxInflatedBytes) return ZipFailure::TooLarge;
  const Fields fields(bytes_);
  const qsizetype local = entry.localHeader;
  if (!fields.fit(local, kLocalHeaderBytes) || fields.u32(local) != kLocalSignature)
    return ZipFailure::Damaged;
  const qsizetype dataAt = local + kLocalHeaderBytes + fields.u16(local + kLocalNameBytes) +
                           fields.u16(local + kLocalExtraBytes);
  if (!fields.fit(dataAt, entry.packedBytes)) return ZipFailure::Damaged;
  std::optional<QByteArray> data;
  if (entry.method == kDeflated) {
    data = inflated(fields.at(dataAt), entry.packedBytes, entry.bytes);
  } else if (entry.packedBytes == entry.bytes) {
    data = QByteArray(fields.at(dataAt), entry.bytes);
  }
  if (!data ||
      crc32(0, reinterpret_cast<const Bytef*>(data->constData()), entry.bytes) != entry.crc) {
    return ZipFailure::Damaged;
  }
  return *data;
}

}  // namespace tarvelo::journal
