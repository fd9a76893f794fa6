#include "session/lab_sender.h"

#include <QTimer>

#include "journal/animal_list.h"
#include "labserver/lab_records.h"
#include "labserver/lab_stations.h"
#include "labserver/station_sender.h"
#include "session/lab_list.h"

namespace tarvelo::session {

namespace {

constexpr char kPrefix[] = "Сервер лаборатории: ";
constexpr char kSilentSinceFormat[] = "HH:mm";

QString textOf(const std::string& text) { return QString::fromStdString(text); }

// Whether the link is encrypted, and whether the server's certificate was checked.
QString linkWords(const labserver::LabConnection& connection) {
  if (!connection.encrypted()) return "связь не зашифрована";
  return connection.serverVerified() ? "связь зашифрована, сертификат сервера проверен"
                                     : "связь зашифрована, но сертификат сервера не проверен";
}

}  // namespace

LabSender::LabSender(std::filesystem::path journal) : path_(std::move(journal)) {}

LabSender::~LabSender() = default;

void LabSender::start() {
  timer_ = new QTimer(this);
  timer_->setInterval(kLabSendIntervalMs);
  connect(timer_, &QTimer::timeout, this, &LabSender::sendNow);
  timer_->start();
}

void LabSender::configure(const QString& server) {
  if (server == server_) return;
  server_ = server;
  station_.clear();
  connection_.reset();
  sentUpTo_.reset();
  silentSince_.reset();
  listVersion_ = {};
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

bool LabSender::connected() {
  labserver::LabFailure failure;
  if (!connection_ &&
      !(connection_ = labserver::LabConnection::open(server_.toStdString(), failure, labserver::LabUse::Station,
                                                     &stopping_))) {
    failed(failure);
    return false;
  }
  if (!station_.empty()) return true;
  if (auto refused = labserver::boundStation(*connection_, station_)) {
    failed(*refused);
    return false;
  }
  if (station_.empty()) {
    failed({labserver::LabProblem::NoStation,
            "вход этой станции не связан ни с одной станцией (tarvelo-journal server add-station)"});
    return false;
  }
  emit stationNamed(textOf(station_));
  return true;
}

void LabSender::sendNow() {
  if (server_.isEmpty() || stopping_) return;
  const journal::Journal* journal = localJournal();
  if (journal == nullptr) return;  // nothing weighed yet: no journal to send
  if (!connected()) return;
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
  say(QString("%1%2, %3")
          .arg(kPrefix, result.waiting > 0 ? QString("в очереди %1").arg(result.waiting) : "все записи отправлены",
               linkWords(*connection_)),
      false);
  if (result.waiting == 0) followLabList();
}

void LabSender::followLabList() {
  labserver::LabListVersion version;
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

QString LabSender::queue() {
  try {
    if (sentUpTo_ && journal_) return QString("в очереди %1, ").arg(journal_->head().record - *sentUpTo_);
  } catch (const journal::ReadError&) {
    journal_.reset();
  }
  return "записи ждут отправки, ";
}

void LabSender::failed(const labserver::LabFailure& failure) {
  using labserver::LabProblem;
  if (!connection_ || !connection_->alive()) connection_.reset();
  if (failure.problem == LabProblem::NoStation) station_.clear();  // asked again: the binding may change
  if (!silentSince_) silentSince_ = QDateTime::currentDateTime();
  const QString since = silentSince_->toString(kSilentSinceFormat);
  switch (failure.problem) {
    case LabProblem::Busy:
      // A deadlock or a lock: the next turn takes it, unless the server stays busy.
      if (silentSince_->msecsTo(QDateTime::currentDateTime()) < kLabSilentSayMs) return;
      say(QString("%1%2сервер не отвечает с %3 (%4)").arg(kPrefix, queue(), since, textOf(failure.text)), true);
      return;
    case LabProblem::RecordRefused:
      say("Сервер лаборатории " + textOf(failure.text), true);
      return;
    case LabProblem::Unreachable:
    case LabProblem::HostNotFound:
    case LabProblem::Refused:
      say(QString("%1%2нет связи с %3 (%4)").arg(kPrefix, queue(), since, textOf(failure.text)), true);
      return;
    default:
      say(kPrefix + textOf(failure.text), true);
  }
}

void LabSender::say(const QString& text, bool trouble) {
  if (text == said_) return;
  said_ = text;
  emit stateChanged(text, trouble);
}

void LabSender::check(const QString& server) {
  labserver::LabFailure failure;
  const auto connection =
      labserver::LabConnection::open(server.toStdString(), failure, labserver::LabUse::Station, &stopping_);
  if (!connection) {
    emit checked(textOf(failure.text), false);
    return;
  }
  const QString link = linkWords(*connection);
  std::string station;
  if (const auto refused = labserver::boundStation(*connection, station)) {
    emit checked(textOf(refused->text), false);
  } else if (station.empty()) {
    emit checked("Соединение есть (" + link +
                     "), но вход не связан ни с одной станцией: администратор лаборатории связывает его командой "
                     "tarvelo-journal server add-station.",
                 false);
  } else {
    emit stationNamed(textOf(station));
    emit checked("Соединение есть (" + link + "): журнал лаборатории на сервере готов принимать записи станции «" +
                     textOf(station) + "».",
                 true);
  }
}

}  // namespace tarvelo::session
