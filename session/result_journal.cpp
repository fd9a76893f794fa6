#include "session/result_journal.h"

#include <QCoreApplication>

#include "session/journal_writer.h"

namespace tarvelo::app {

ResultJournal::ResultJournal(std::filesystem::path path, std::function<JournalContext()> context,
                             std::function<double()> alertShare, std::function<QDateTime()> clock)
    : context_(std::move(context)),
      alertShare_(std::move(alertShare)),
      clock_(std::move(clock)),
      writer_(new JournalWriter(std::move(path))) {
  thread_.setObjectName("journal");
  writer_->moveToThread(&thread_);
  connect(&thread_, &QThread::finished, writer_, &QObject::deleteLater);
  connect(writer_, &JournalWriter::failed, this, &ResultJournal::failed);
  connect(writer_, &JournalWriter::alert, this, &ResultJournal::alert);
  thread_.start();
}

ResultJournal::~ResultJournal() {
  // The thread's loop ends once what was queued before is written.
  thread_.quit();
  thread_.wait();
}

void ResultJournal::resultAdded(const weighing::MeasurementStore& store, int row) {
  QMetaObject::invokeMethod(
      writer_, [writer = writer_, record = resultRecord(store, row, context_(), clock_()), row,
                share = alertShare_()] { writer->add(record, row, share); },
      Qt::QueuedConnection);
}

void ResultJournal::resultRemoved(int row) {
  QMetaObject::invokeMethod(
      writer_, [writer = writer_, removal = removalRecord(0, context_(), clock_()), row] { writer->remove(removal, row); },
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

}  // namespace tarvelo::app
