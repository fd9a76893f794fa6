#include "session/journal_writer.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QLocale>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <string>
#include <utility>

#include "journal/csv_text.h"
#include "journal/journal_place.h"
#include "journal/path_text.h"
#include "journal/verification_text.h"

namespace tarvelo::session {

namespace {

constexpr int kRetryMs = 3000;
// How long the end of the program waits for a journal that does not take records.
constexpr int kFinishWaitMs = 5000;
constexpr int kFinishRetryMs = 250;
constexpr char kUnreadableSuffix[] = "'.'yyyyMMdd-HHmmss'.unreadable'";
constexpr char kOtherJournalSuffix[] = "'.'yyyyMMdd-HHmmss'.other-journal'";

// "Мышь 3, 25,10 г, 2026-12-07 12:05:07" for a result; what a removal or reference is for the rest.
QString describe(const journal::JournalRecord& record) {
  const QString local = QString::fromStdString(record.local);
  if (record.kind == journal::kResult) {
    return QString("%1, %2 %3, %4")
        .arg(QString::fromStdString(record.object), QString::fromStdString(record.mass),
             QString::fromStdString(record.unit), local);
  }
  const char* what = record.kind == journal::kRemoval ? "удаление измерения, %1"
                     : record.kind == journal::kRename ? "новое наименование «%2», %1"
                                                       : "исходный вес %2, %1";
  if (record.kind == journal::kAlert) {
    return QString("%1 ниже доли исходного веса (%2), %3")
        .arg(QString::fromStdString(record.object), QString::fromStdString(record.note), local);
  }
  return QString(what).arg(local, QString::fromStdString(record.object));
}

// The record that `result` was said to weigh `share` per cent of its reference.
journal::JournalRecord alertRecordOf(const journal::JournalRecord& result, bool limit, double share) {
  journal::JournalRecord alert;
  alert.kind = journal::kAlert;
  for (auto field : {&journal::JournalRecord::utc, &journal::JournalRecord::local, &journal::JournalRecord::person,
                     &journal::JournalRecord::protocol, &journal::JournalRecord::object, &journal::JournalRecord::mass,
                     &journal::JournalRecord::unit, &journal::JournalRecord::animal, &journal::JournalRecord::cage,
                     &journal::JournalRecord::group})
    alert.*field = result.*field;
  alert.deviation = journal::fixedText(share, 1);
  alert.note = limit ? journal::kLimitLevel : journal::kWarningLevel;
  alert.subject = result.id;
  return alert;
}

}  // namespace

JournalWriter::JournalWriter(std::filesystem::path path) : path_(std::move(path)), pending_(path_) {}

JournalWriter::~JournalWriter() = default;

void JournalWriter::resume() {
  openJournal();  // to know which journal a pending file is for
  for (const std::filesystem::path& file : pending_.takeLeftBehind()) takeOver(file);
  // Kept in this program's own file before the files taken over go.
  if (queue_.empty() || !keepBacklog()) pending_.removeTaken();
  flush();
  checkChain();
}

void JournalWriter::takeOver(const std::filesystem::path& file) {
  std::string error;
  std::optional<std::string> journalName;
  std::vector<QueuedRecord> carried = readPendingRecords(file, error, &journalName);
  if (!error.empty()) {
    setAside(file, kUnreadableSuffix, QString("файл несохраненных записей не прочитан (%1)").arg(QString::fromStdString(error)));
    return;
  }
  if (journalName && !carried.empty()) {
    if (!journal_ || !journalName_) {
      pending_.leave(file);  // checked when the journal can be read, at a later start
      return;
    }
    if (!isThisJournal(*journalName, carried.front().record)) {
      setAside(file, kOtherJournalSuffix, "файл несохраненных записей относится к другому журналу");
      return;
    }
  }
  for (QueuedRecord& queued : carried) {
    nextTicket_ = std::max(nextTicket_, std::max(queued.ticket, queued.subjectTicket) + 1);
    queue_.push_back(std::move(queued));
  }
}

// Set aside for a person to look at, never written into this journal.
void JournalWriter::setAside(const std::filesystem::path& file, const char* suffix, const QString& why) {
  std::filesystem::path aside = file;
  aside += QDateTime::currentDateTime().toString(suffix).toStdU16String();
  std::error_code ignored;
  std::filesystem::rename(file, aside, ignored);
  pending_.leave(file);
  emit backlogChanged(0, QString("%1 и отложен как «%2»").arg(why, journal::pathText(aside)));
}

bool JournalWriter::isThisJournal(const std::string& name, const journal::JournalRecord& firstCarried) const {
  if (name == *journalName_) return true;
  // Written while the journal was empty: its first record is one of them, or it is empty still.
  if (!name.empty()) return false;
  try {
    return journalName_->empty() || journal_->idOf(firstCarried).has_value();
  } catch (const journal::ReadError&) {
    return false;
  }
}

void JournalWriter::openJournal() {
  link::Failure ignored;  // the backlog says why, at the first record
  if (!journal_) journal_ = journal::Journal::open(path_, ignored);
  if (!journal_ || journalName_) return;
  try {
    const std::vector<journal::JournalRecord> first = journal_->recordsAfter(0, 1);
    journalName_ = first.empty() ? std::string() : first.front().hash;
  } catch (const journal::ReadError&) {
    // named when it can be read
  }
}

void JournalWriter::checkChain() {
  openJournal();
  if (!journal_) return;
  std::vector<journal::Head> anchors;
  if (const auto stored = journal::storedHead(path_)) anchors.push_back(*stored);
  try {
    const journal::Verification result = journal_->verify(anchors);
    if (!journal::holds(result))
      emit chainBroken(QString::fromStdString(journal::verificationText(result)));
  } catch (const journal::ReadError& failure) {
    emit chainBroken(QString("Журнал не прочитан: %1.").arg(QString::fromUtf8(failure.what())));
  }
}

void JournalWriter::add(journal::JournalRecord result, int row, journal::AlertShares shares) {
  if (rows_.size() < static_cast<size_t>(row)) rows_.resize(static_cast<size_t>(row));
  const std::int64_t ticket = nextTicket_++;
  rows_[static_cast<size_t>(row) - 1] = {ticket, result.object};
  // A result names the first of its batch, whose mean its deviation is counted from.
  if (row == 1) batchTicket_ = ticket;
  enqueue({std::move(result), ticket, ticket == batchTicket_ ? 0 : batchTicket_, shares, false});
}

void JournalWriter::remove(journal::JournalRecord removal, int row, const std::vector<journal::JournalRecord>& renames) {
  if (row < 1 || static_cast<size_t>(row) > rows_.size()) return;
  const std::int64_t subject = rows_[static_cast<size_t>(row) - 1].ticket;
  rows_.erase(rows_.begin() + (row - 1));
  enqueue({std::move(removal), nextTicket_++, subject, std::nullopt, false});
  for (size_t i = 0; i < rows_.size() && i < renames.size(); ++i) {
    if (rows_[i].name == renames[i].object) continue;
    rows_[i].name = renames[i].object;
    enqueue({renames[i], nextTicket_++, rows_[i].ticket, std::nullopt, false});
  }
}

void JournalWriter::enqueue(QueuedRecord queued) {
  queue_.push_back(std::move(queued));
  flush();
}

void JournalWriter::flush() {
  const bool wasFailing = !reason_.isEmpty();
  while (!queue_.empty()) {
    if (const std::optional<std::string> refused = write(queue_.front())) {
      QString reason = QString::fromStdString(*refused);
      // On the disk at once: a crash or a power cut now loses none of them.
      const bool changed = queue_.size() != kept_.size || queue_.front().ticket != kept_.front;
      if (const std::optional<QString> unkept = changed ? keepBacklog() : std::nullopt) reason += "; " + *unkept;
      // Said when it changes, not at every try.
      if (reason != reason_ || queue_.size() != reported_)
        emit backlogChanged(static_cast<int>(queue_.size()), reason);
      reason_ = reason;
      reported_ = queue_.size();
      scheduleRetry();
      return;
    }
    queue_.pop_front();
    // Written next, before anything made after the result.
    if (alert_) queue_.push_front(*std::exchange(alert_, std::nullopt));
    if (queue_.empty()) emit written();
  }
  // Everything the pending files held is in the journal now.
  if (kept_.size > 0) pending_.removeOwn();
  kept_ = {};
  pending_.removeTaken();
  reason_.clear();
  reported_ = 0;
  if (wasFailing) emit backlogChanged(0, {});
}

std::optional<std::string> JournalWriter::write(QueuedRecord& queued) {
  link::Failure error;
  if (!journal_) journal_ = journal::Journal::open(path_, error);
  if (!journal_) return error.message;
  openJournal();
  journal::JournalRecord& record = queued.record;
  const auto subject = ids_.find(queued.subjectTicket);
  if (subject != ids_.end()) record.subject = subject->second;
  // A removal or rename of a row that never was in the journal has nothing to name.
  if ((record.kind == journal::kRemoval || record.kind == journal::kRename) && record.subject == 0) return std::nullopt;
  try {
    // A record from the pending file may have gone in before a crash.
    const std::optional<std::int64_t> already =
        queued.carried ? journal_->idOf(record) : std::nullopt;
    if (already) {
      record.id = *already;
    } else if (const std::optional<link::Failure> refused = journal_->append(record)) {
      journal_.reset();  // opened anew next time: the disk or the file may be back
      return refused->message;
    }
    if (journalName_ && journalName_->empty()) journalName_ = record.hash;  // its first record
    // A removed result is named no more, but as its batch's first; a renamed one may be
    // removed later.
    if (subject != ids_.end() && record.kind == journal::kRemoval && subject->first != batchTicket_) ids_.erase(subject);
    if (record.kind == journal::kResult) ids_[queued.ticket] = record.id;
    // A result carried in is alerted once: its alert was carried with it.
    if (queued.shares) sayAlert(record, queued.ticket, *queued.shares, !already);
  } catch (const journal::ReadError& failure) {
    journal_.reset();
    return failure.what();
  }
  return std::nullopt;
}

void JournalWriter::scheduleRetry() {
  if (retry_ == nullptr) {
    retry_ = new QTimer(this);  // made here, on the writer's thread
    retry_->setSingleShot(true);
    retry_->setInterval(kRetryMs);
    connect(retry_, &QTimer::timeout, this, &JournalWriter::flush);
  }
  if (!retry_->isActive()) retry_->start();
}

QString JournalWriter::finish() {
  if (retry_ != nullptr) retry_->stop();
  const QDeadlineTimer deadline(kFinishWaitMs);
  flush();
  // A try may wait for the journal as long as another program holds it: none is begun
  // that could run past the deadline.
  while (!queue_.empty() && deadline.remainingTime() > journal::kBusyWaitMs + kFinishRetryMs) {
    QThread::msleep(kFinishRetryMs);
    flush();
  }
  if (queue_.empty()) return {};
  const std::filesystem::path pending = pending_.own();
  const auto unsaved = savePending();
  if (!unsaved) return {};
  QStringList rows;
  for (const QueuedRecord& queued : queue_) rows << describe(queued.record);
  return QString("В журнал взвешиваний «%1» не записаны (%2), и файл «%3» не сохранен (%4):\n%5")
      .arg(journal::pathText(path_), reason_, journal::pathText(pending),
           QString::fromStdString(*unsaved), rows.join("\n"));
}

std::optional<std::string> JournalWriter::savePending() {
  std::vector<QueuedRecord> records(queue_.begin(), queue_.end());
  for (QueuedRecord& queued : records) {
    // A removal whose result is in the journal names it by its id from now on.
    const auto subject = ids_.find(queued.subjectTicket);
    if (subject != ids_.end()) {
      queued.record.subject = subject->second;
      queued.subjectTicket = 0;
    }
  }
  return writePendingRecords(pending_.own(), records, journalName_);
}

std::optional<QString> JournalWriter::keepBacklog() {
  if (const std::optional<std::string> unsaved = savePending()) {
    // They still wait in memory, and are kept at the next change or try.
    return QString("файл несохраненных записей «%1» не записан: %2")
        .arg(journal::pathText(pending_.own()), QString::fromStdString(*unsaved));
  }
  kept_ = {queue_.size(), queue_.empty() ? 0 : queue_.front().ticket};
  return std::nullopt;
}

void JournalWriter::sayAlert(const journal::JournalRecord& result, std::int64_t ticket, const journal::AlertShares& shares,
                             bool journalled) {
  std::vector<journal::ObjectSummary> summaries;
  try {
    summaries = journal_->objects(journal::filterOf(result));
  } catch (const journal::ReadError&) {
    return;  // the record is in; only the comparison could not be made
  }
  if (summaries.empty()) return;
  const journal::ObjectSummary& summary = summaries.front();
  const auto share = journal::lastShareOfReference(summary);
  const std::optional<journal::AlertLevel> level = share ? journal::alertLevelOf(*share, shares) : std::nullopt;
  if (!level) return;
  const QLocale locale;
  QString who = QString::fromStdString(result.object);
  if (!result.animal.empty()) {
    who = QString("№ %1%2 (%3)")
              .arg(QString::fromStdString(result.animal),
                   result.cage.empty() ? QString() : QString(", клетка %1").arg(QString::fromStdString(result.cage)), who);
  }
  const bool limit = level == journal::AlertLevel::Limit;
  if (journalled) alert_ = QueuedRecord{alertRecordOf(result, limit, *share), nextTicket_++, 0, std::nullopt, false};
  const QString reached = limit ? QString("ниже предела %1 %").arg(locale.toString(shares.limit))
                                : QString("ниже %1 %").arg(locale.toString(shares.warning));
  // The row it was made as, unless it has left the grid since.
  const auto row = std::find_if(rows_.begin(), rows_.end(), [ticket](const Row& row) { return row.ticket == ticket; });
  emit alert(QString("%1: %2 г — %3 % исходного веса %4 г, %5")
                 .arg(who, QString::fromStdString(result.mass), locale.toString(*share, 'f', 1),
                      locale.toString(*summary.referenceGrams, 'f', 2), reached),
             limit, row == rows_.end() ? 0 : static_cast<int>(row - rows_.begin()) + 1, QString::fromStdString(result.mass));
}

}  // namespace tarvelo::session
