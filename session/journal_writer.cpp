#include "session/journal_writer.h"

#include <QLocale>
#include <string>
#include <utility>

namespace tarvelo::app {

JournalWriter::~JournalWriter() = default;

void JournalWriter::add(journal::JournalRecord result, int row, double alertShare) {
  const bool written = append(result);
  if (rowIds_.size() < static_cast<size_t>(row)) rowIds_.resize(static_cast<size_t>(row));
  rowIds_[static_cast<size_t>(row) - 1] = written ? result.id : 0;
  if (written) sayAlert(result, alertShare);
}

void JournalWriter::remove(journal::JournalRecord removal, int row) {
  if (row < 1 || static_cast<size_t>(row) > rowIds_.size()) return;
  removal.subject = rowIds_[static_cast<size_t>(row) - 1];
  rowIds_.erase(rowIds_.begin() + (row - 1));
  if (removal.subject != 0) append(removal);  // 0: the row never reached the journal
}

void JournalWriter::sayAlert(const journal::JournalRecord& result, double alertShare) {
  const auto summaries = journal_->objects(result.object);
  if (summaries.empty()) return;
  const journal::ObjectSummary& summary = summaries.front();
  const auto share = journal::lastShareOfReference(summary);
  if (!share || *share >= alertShare) return;
  const QLocale locale;
  emit alert(QString("%1: %2 г — %3 % исходного веса %4 г")
                 .arg(QString::fromStdString(result.object), QString::fromStdString(result.mass),
                      locale.toString(*share, 'f', 1), locale.toString(*summary.referenceGrams, 'f', 2)));
}

bool JournalWriter::append(journal::JournalRecord& record) {
  std::string error;
  if (!journal_) journal_ = journal::Journal::open(path_, error);
  if (journal_) {
    if (const std::optional<std::string> refused = journal_->append(record)) {
      error = *refused;
      journal_.reset();  // opened anew next time: the disk or the file may be back
    }
  }
  if (error.empty()) {
    failing_ = false;
    return true;
  }
  if (!std::exchange(failing_, true)) {
    emit failed(QString("Журнал взвешиваний не записан (%1): %2. Взвешивание продолжается.")
                    .arg(QString::fromStdU16String(path_.u16string()), QString::fromStdString(error)));
  }
  return false;
}

}  // namespace tarvelo::app
