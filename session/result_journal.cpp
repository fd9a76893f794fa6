#include "session/result_journal.h"

#include <QLocale>
#include <string>

namespace tarvelo::app {

ResultJournal::ResultJournal(std::filesystem::path path, std::function<JournalContext()> context,
                             std::function<double()> alertShare, std::function<QDateTime()> clock)
    : path_(std::move(path)),
      context_(std::move(context)),
      alertShare_(std::move(alertShare)),
      clock_(std::move(clock)) {}

JournalNews ResultJournal::resultAdded(const weighing::MeasurementStore& store, int row) {
  journal::JournalRecord record = resultRecord(store, row, context_(), clock_());
  JournalNews news;
  news.failure = append(record);
  if (rowIds_.size() < static_cast<size_t>(row)) rowIds_.resize(static_cast<size_t>(row));
  rowIds_[static_cast<size_t>(row) - 1] = journal_ ? record.id : 0;
  if (!journal_ || record.id == 0) return news;
  const auto summaries = journal_->objects(record.object);
  if (summaries.empty()) return news;
  const journal::ObjectSummary& summary = summaries.front();
  const auto share = journal::lastShareOfReference(summary);
  if (share && *share < alertShare_()) {
    const QLocale locale;
    news.alert = QString("%1: %2 г — %3 % исходного веса %4 г").arg(
        QString::fromStdString(record.object), QString::fromStdString(record.mass),
        locale.toString(*share, 'f', 1), locale.toString(*summary.referenceGrams, 'f', 2));
  }
  return news;
}

std::optional<QString> ResultJournal::resultRemoved(int row) {
  if (row < 1 || static_cast<size_t>(row) > rowIds_.size()) return std::nullopt;
  const std::int64_t id = rowIds_[static_cast<size_t>(row) - 1];
  rowIds_.erase(rowIds_.begin() + (row - 1));
  if (id == 0) return std::nullopt;  // never reached the journal
  journal::JournalRecord record = removalRecord(id, context_(), clock_());
  return append(record);
}

std::optional<QString> ResultJournal::append(journal::JournalRecord& record) {
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
    return std::nullopt;
  }
  if (std::exchange(failing_, true)) return std::nullopt;
  return QString("Журнал взвешиваний не записан (%1): %2. Взвешивание продолжается.")
      .arg(QString::fromStdU16String(path_.u16string()), QString::fromStdString(error));
}

}  // namespace tarvelo::app
