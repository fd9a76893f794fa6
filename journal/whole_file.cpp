#include "journal/whole_file.h"

#include <QFile>

#include "journal/path_text.h"
#include "link/partial_file.h"

namespace tarvelo::journal {

std::optional<link::Failure> writeWholeFile(const std::filesystem::path& file, const QByteArray& bytes) {
  return link::writeInPlace(file, [&bytes](const std::filesystem::path& partial) -> std::optional<link::Failure> {
    QFile out(pathText(partial));
    if (out.open(QIODevice::WriteOnly | QIODevice::Truncate) && out.write(bytes) == bytes.size() && out.flush()) {
      return std::nullopt;
    }
    return link::Failure{static_cast<int>(out.error()), out.errorString().toStdString()};
  });
}

}  // namespace tarvelo::journal
