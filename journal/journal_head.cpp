#include "journal/journal_head.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <thread>

#include "journal/path_text.h"
#include "journal/whole_file.h"

namespace tarvelo::journal {

namespace {

constexpr char kHeadsFolder[] = "/Korvane/Tarvelo/journal-heads/";
constexpr char kHeadSuffix[] = ".head";
constexpr qsizetype kPathKeyDigits = 16;
// Windows lets nobody open a file while another program's write replaces it: for moments.
constexpr int kReadAttempts = 20;
constexpr std::chrono::milliseconds kReadPause{10};

bool isHexDigits(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](unsigned char c) { return std::isxdigit(c) && !std::isupper(c); });
}

}  // namespace

std::string anchorText(const Head& head) { return std::to_string(head.record) + ":" + head.hash; }

std::optional<Head> parseAnchor(std::string_view text) {
  const size_t colon = text.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  Head head;
  const auto [end, error] = std::from_chars(text.data(), text.data() + colon, head.record);
  const std::string_view hash = text.substr(colon + 1);
  if (error != std::errc() || end != text.data() + colon || head.record < 1 ||
      hash.size() < kShownHashDigits || !isHexDigits(hash)) {
    return std::nullopt;
  }
  head.hash = hash;
  return head;
}

bool matchesAnchor(const Head& anchor, std::int64_t record, std::string_view hash) {
  return record == anchor.record && !anchor.hash.empty() && hash.starts_with(anchor.hash);
}

std::string printedHead(const Head& head) {
  return "Журнал: запись № " + std::to_string(head.record) + ", подпись " +
         head.hash.substr(0, kShownHashDigits);
}

std::filesystem::path headFileOf(const std::filesystem::path& journal) {
  // The journal's whole path names its head, so two journals never share one.
  const QString absolute = QFileInfo(pathText(journal)).absoluteFilePath();
  const QString key = QCryptographicHash::hash(absolute.toUtf8(), QCryptographicHash::Sha256)
                          .toHex()
                          .left(kPathKeyDigits);
  const QString folder =
      QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + kHeadsFolder;
  return std::filesystem::path((folder + key + kHeadSuffix).toStdU16String());
}

std::optional<Head> storedHead(const std::filesystem::path& journal) {
  QFile file(pathText(headFileOf(journal)));
  for (int attempt = 1; !file.open(QIODevice::ReadOnly); ++attempt) {
    if (attempt == kReadAttempts || !file.exists()) return std::nullopt;
    std::this_thread::sleep_for(kReadPause);
  }
  return parseAnchor(file.readLine().trimmed().toStdString());
}

std::optional<link::Failure> storeHead(const std::filesystem::path& journal, const Head& head) {
  // The journal's path on the second line says, to a person, whose head this is.
  const QByteArray text =
      QByteArray::fromStdString(anchorText(head)) + "\n" + pathText(journal).toUtf8() + "\n";
  return writeWholeFile(headFileOf(journal), text);
}

}  // namespace tarvelo::journal
