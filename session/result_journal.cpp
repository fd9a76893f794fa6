#include "session/result_journal.h"

#include <QCoreApplication>
#include <utility>

#include "session/journal_writer.h"

namespace tarvelo::session {

ResultJournal::ResultJournal(std::filesystem::path path, std::function<JournalContext()> context,
                             std::function<journal::AlertShares()> shares, std::function<QDateTime()> clock)
    : path_(path),
      context_(std::move(context)),
      shares_(std::move(shares)),
      clock_(std::move(clock)),
      writer_(new JournalWriter(path_)) {
  thread_.setObjectName("journal");
  writer_->moveToThread(&thread_);
  connect(&thread_, &QThread::finished, writer_, &QObject::deleteLater);
  connect(writer_, &JournalWriter::backlogChanged, this, &ResultJournal::backlogChanged);
  connect(writer_, &JournalWriter::alert, this, &ResultJournal::alert);
  connect(writer_, &JournalWriter::chainBroken, this, &ResultJournal::chainBroken);
  connect(writer_, &JournalWriter::written, this, &ResultJournal::recordsWritten);
  thread_.start();
  // What an earlier run could not write goes in before anything of this one.
  QMetaObject::invokeMethod(writer_, [writer = writer_] { writer->resume(); }, Qt::QueuedConnection);
}

ResultJournal::~ResultJournal() {
  const QString lost = close();
  if (!lost.isEmpty()) qWarning("%s", qUtf8Printable(lost));
}

std::optional<journal::Head> ResultJournal::head() {
  waitForWrites();
  return journal::storedHead(path_);
}

QString ResultJournal::close() {
  if (std::exchange(closed_, true)) return {};
  // Queued behind every record asked for, so none is left out; the loop ends after it.
  QString lost;
  QMetaObject::invokeMethod(writer_, [writer = writer_, &lost] { lost = writer->finish(); },
                            Qt::BlockingQueuedConnection);
  thread_.quit();
  thread_.wait();
  return lost;
}

void ResultJournal::resultAdded(const weighing::MeasurementStore& store, int row, const journal::Animal* listed) {
  journal::JournalRecord record = resultRecord(store, row, context_(), clock_());
  if (listed != nullptr) {
    // Where the animal lives and in which group, and what the colony knows of it, as the
    // list has it when it is weighed; its birth date gives its age then.
    record.cage = listed->cage;
    record.group = listed->group;
    record.born = listed->born;
    record.strain = listed->strain;
    record.genotype = listed->genotype;
    record.study = listed->study;
    record.earMark = listed->earMark;
  }
  QMetaObject::invokeMethod(
      writer_, [writer = writer_, record = std::move(record), row, shares = shares_()] { writer->add(record, row, shares); },
      Qt::QueuedConnection);
}

void ResultJournal::resultRemoved(const weighing::MeasurementStore& store, int row) {
  const JournalContext context = context_();
  const QDateTime now = clock_();
  std::vector<journal::JournalRecord> renames;  // what the grid calls each row now, from row 1
  const weighing::TextGrid& results = store.sgRes;
  for (int shown = 1; shown < results.rowCount() && !results.cell(weighing::ResultNumber, shown).empty(); ++shown)
    renames.push_back(renameRecord(results.cell(weighing::ResultName, shown), context, now));
  QMetaObject::invokeMethod(
      writer_,
      [writer = writer_, removal = removalRecord(0, context, now), row, renames = std::move(renames)] {
        writer->remove(removal, row, renames);
      },
      Qt::QueuedConnection);
}

void ResultJournal::resultsCleared() {
  QMetaObject::invokeMethod(writer_, [writer = writer_] { writer->clear(); }, Qt::QueuedConnection);
}

void ResultJournal::waitForWrites() {
  QMetaObject::invokeMethod(writer_, [] {}, Qt::BlockingQueuedConnection);
  // What the writer said before the call ended waits in this thread's queue.
  QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

}  // namespace tarvelo::session
