#include "session/lab_sender.h"

#include <QTimer>

#include "journal/animal_list.h"
#include "labserver/lab_animals.h"
#include "labserver/lab_records.h"
#include "session/lab_list.h"
#include "labserver/station_sender.h"

namespace tarvelo::session {

namespace {

constexpr char kPrefix[] = "Сервер лаборатории: ";
constexpr char kSilentSinceFormat[] = "HH:mm";

}  // namespace

LabSender::LabSender(std::filesystem::path journal) : path_(std::move(journal)) {}

LabSender::~LabSender() = default;

void LabSender::start() {
  timer_ = new QTimer(this);
  timer_->setInterval(kLabSendIntervalMs);
  connect(timer_, &QTimer::timeout, this, &LabSender::sendNow);
  timer_->start();
}

void LabSender::configure(const QString& server, const QString& station) {
  if (server == server_ && station.toStdString() == station_) return;
  server_ = server;
  station_ = station.toStdString();
  connection_.reset();
  sentUpTo_.reset();
  silentSince_.reset();
  listVersion_ = -1;
  if (server_.isEmpty()) say({}, false);
  sendNow();
}

const journal::Journal* LabSender::localJournal() {
  if (!journal_) {
    journal::OpenError error;
    journal_ = journal::Journal::openForReading(path_, error, true);
  }
  return journal_.get();
}

void LabSender::sendNow() {
  if (server_.isEmpty() || stopping_) return;
  const journal::Journal* journal = localJournal();
  if (journal == nullptr) return;  // nothing weighed yet: no journal to send
  labserver::LabFailure failure;
  if (!connection_ && !(connection_ = labserver::LabConnection::open(server_.toStdString(), failure))) {
    failed(failure);
    return;
  }
  labserver::SendResult result;
  try {
    result = labserver::sendPending(*connection_, *journal, station_, [this](std::int64_t waiting) {
      if (waiting > 0) say(QString("%1в очереди %2").arg(kPrefix).arg(waiting), bool(silentSince_));
      return !stopping_;
    });
  } catch (const journal::ReadError&) {
    journal_.reset();  // read again from the start at the next turn
    return;
  }
  if (result.failure) {
    failed(*result.failure);
    return;
  }
  sentUpTo_ = journal->head().record - result.waiting;
  silentSince_.reset();
  say(result.waiting > 0 ? QString("%1в очереди %2").arg(kPrefix).arg(result.waiting) : QString(), false);
  if (result.waiting == 0) followLabList();
}

void LabSender::followLabList() {
  std::int64_t version = 0;
  if (labserver::labListVersion(*connection_, version) || version == listVersion_) return;
  std::vector<labserver::LabListEntry> lab;
  if (labserver::labList(*connection_, lab)) return;  // tried again at the next turn
  link::Failure error;
  const auto journal = journal::Journal::open(path_, error);
  if (!journal) return;
  try {
    // Only while the server holds every record of this station: an entry made here
    // since then is newer than what the lab says.
    if (journal->head().record != sentUpTo_) return;
    const auto changes = labListChanges(journal::animalList(*journal), lab, station_, QDateTime::currentDateTime());
    for (journal::JournalRecord change : changes) {
      if (journal->append(change)) return;
    }
    if (!changes.empty()) emit listChanged();
  } catch (const journal::ReadError&) {
    return;
  }
  listVersion_ = version;
}

void LabSender::failed(const labserver::LabFailure& failure) {
  if (failure.problem == labserver::LabProblem::ChainMismatch) {
    say(kPrefix + QString::fromStdString(failure.text), true);
    return;
  }
  if (!connection_ || !connection_->alive()) connection_.reset();
  if (!silentSince_) silentSince_ = QDateTime::currentDateTime();
  QString queue = "записи ждут отправки, ";
  try {
    if (sentUpTo_ && journal_) queue = QString("в очереди %1, ").arg(journal_->head().record - *sentUpTo_);
  } catch (const journal::ReadError&) {
    journal_.reset();
  }
  say(QString("%1%2нет связи с %3 (%4)")
          .arg(kPrefix, queue, silentSince_->toString(kSilentSinceFormat), QString::fromStdString(failure.text)),
      true);
}

void LabSender::say(const QString& text, bool trouble) {
  if (text == said_) return;
  said_ = text;
  emit stateChanged(text, trouble);
}

void LabSender::check(const QString& server) {
  labserver::LabFailure failure;
  const auto connection = labserver::LabConnection::open(server.toStdString(), failure);
  if (!connection) {
    emit checked(QString::fromStdString(failure.text), false);
    return;
  }
  labserver::LabRows rows;
  const auto refused = connection->run("SELECT has_table_privilege('lab_records', 'INSERT')", {}, &rows);
  if (refused) {
    emit checked(QString::fromStdString(refused->text), false);
  } else if (rows.empty() || rows[0][0] != "t") {
    emit checked("Соединение есть, но этой станции не дано право добавлять записи (роль tarvelo_station).", false);
  } else {
    emit checked("Соединение есть: журнал лаборатории на сервере готов принимать записи этой станции.", true);
  }
}

}  // namespace tarvelo::session
