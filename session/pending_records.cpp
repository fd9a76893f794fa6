#include "session/pending_records.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "journal/path_text.h"
#include "journal/whole_file.h"

namespace tarvelo::session {

namespace {

// The record's texts by name, so the file reads back whatever order they are in.
struct TextField {
  const char* name;
  std::string journal::JournalRecord::*field;
};
constexpr TextField kTextFields[] = {
    {"kind", &journal::JournalRecord::kind},
    {"utc", &journal::JournalRecord::utc},
    {"local", &journal::JournalRecord::local},
    {"person", &journal::JournalRecord::person},
    {"protocol", &journal::JournalRecord::protocol},
    {"object", &journal::JournalRecord::object},
    {"mass", &journal::JournalRecord::mass},
    {"deviation", &journal::JournalRecord::deviation},
    {"unit", &journal::JournalRecord::unit},
    {"trace", &journal::JournalRecord::trace},
    {"balance", &journal::JournalRecord::balance},
    {"animal", &journal::JournalRecord::animal},
    {"cage", &journal::JournalRecord::cage},
    {"group", &journal::JournalRecord::group},
    {"sex", &journal::JournalRecord::sex},
    {"born", &journal::JournalRecord::born},
    {"note", &journal::JournalRecord::note},
};

QJsonObject objectOf(const QueuedRecord& queued) {
  QJsonObject object;
  for (const TextField& text : kTextFields)
    object[text.name] = QString::fromStdString(queued.record.*text.field);
  if (queued.record.grams) object["grams"] = *queued.record.grams;
  object["count"] = queued.record.count;
  object["subject"] = QString::number(queued.record.subject);
  object["ticket"] = QString::number(queued.ticket);
  object["subjectTicket"] = QString::number(queued.subjectTicket);
  if (queued.shares) {
    object["alertShare"] = queued.shares->warning;
    object["limitShare"] = queued.shares->limit;
  }
  return object;
}

QueuedRecord queuedOf(const QJsonObject& object) {
  QueuedRecord queued;
  for (const TextField& text : kTextFields)
    queued.record.*text.field = object[text.name].toString().toStdString();
  if (object.contains("grams")) queued.record.grams = object["grams"].toDouble();
  queued.record.count = object["count"].toInt();
  queued.record.subject = object["subject"].toString().toLongLong();
  queued.ticket = object["ticket"].toString().toLongLong();
  queued.subjectTicket = object["subjectTicket"].toString().toLongLong();
  if (object.contains("alertShare")) {
    queued.shares = journal::AlertShares{object["alertShare"].toDouble(), object["limitShare"].toDouble(journal::kDefaultLimitShare)};
  }
  queued.carried = true;
  return queued;
}

}  // namespace

std::optional<std::string> writePendingRecords(const std::filesystem::path& file,
                                               const std::vector<QueuedRecord>& records) {
  QJsonArray array;
  for (const QueuedRecord& queued : records) array.append(objectOf(queued));
  const QByteArray text = QJsonDocument(array).toJson();
  if (const auto failure = journal::writeWholeFile(file, text)) return failure->message;
  return std::nullopt;
}

std::vector<QueuedRecord> readPendingRecords(const std::filesystem::path& file,
                                             std::string& error) {
  QFile in(journal::pathText(file));
  if (!in.exists()) return {};
  if (!in.open(QIODevice::ReadOnly)) {
    error = in.errorString().toStdString();
    return {};
  }
  QJsonParseError parsing;
  const QJsonDocument document = QJsonDocument::fromJson(in.readAll(), &parsing);
  if (!document.isArray()) {
    error = parsing.errorString().toStdString();
    return {};
  }
  std::vector<QueuedRecord> records;
  for (const QJsonValue& value : document.array()) records.push_back(queuedOf(value.toObject()));
  return records;
}

}  // namespace tarvelo::session
