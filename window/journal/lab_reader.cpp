#include "window/journal/lab_reader.h"

#include <QElapsedTimer>
#include <functional>
#include <memory>
#include <optional>

#include "labserver/lab_objects.h"

namespace tarvelo::window {

// The connection kept between reads, made anew for another server or after a loss.
struct LabReader::Connection {
  const std::atomic<bool>* closing;
  QString server;
  std::unique_ptr<labserver::LabConnection> open;

  // Runs `read` over the connection to `wanted`; what went wrong, in Russian, or nothing.
  QString run(const QString& wanted,
              const std::function<std::optional<labserver::LabFailure>(labserver::LabConnection&)>& read) {
    if (open && (wanted != server || !open->alive())) open.reset();
    server = wanted;
    labserver::LabFailure failure;
    if (!open) open = labserver::LabConnection::open(wanted.toStdString(), failure, labserver::LabUse::Station, closing);
    if (open) {
      if (auto refused = read(*open)) failure = *refused;
      else return {};
    }
    return QString::fromStdString(failure.text);
  }
};

LabReader::LabReader(QObject* parent)
    : QObject(parent), worker_(new QObject), connection_(new Connection{&closing_, {}, {}}) {
  thread_.setObjectName("lab server reader");
  worker_->moveToThread(&thread_);
  connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
  thread_.start();
}

LabReader::~LabReader() {
  closing_ = true;
  thread_.quit();
  thread_.wait();
  delete connection_;
}

void LabReader::readObjects(const QString& server) {
  QMetaObject::invokeMethod(worker_, [this, server] {
    QElapsedTimer clock;
    clock.start();
    std::vector<journal::ObjectSummary> objects;
    const QString failure =
        connection_->run(server, [&objects](labserver::LabConnection& c) { return labserver::labObjects(c, objects); });
    const double seconds = clock.nsecsElapsed() / 1e9;
    QMetaObject::invokeMethod(this, [this, objects = std::move(objects), failure, seconds] {
      emit objectsRead(objects, failure, seconds);
    }, Qt::QueuedConnection);
  }, Qt::QueuedConnection);
}

void LabReader::readResults(const QString& server, const journal::ObjectSummary& object) {
  QMetaObject::invokeMethod(worker_, [this, server, object] {
    std::vector<journal::JournalRecord> results;
    const QString failure = connection_->run(server, [&](labserver::LabConnection& c) {
      return labserver::labObjectResults(c, object, results);
    });
    QMetaObject::invokeMethod(this, [this, object, results = std::move(results), failure] {
      emit resultsRead(object, results, failure);
    }, Qt::QueuedConnection);
  }, Qt::QueuedConnection);
}

}  // namespace tarvelo::window
