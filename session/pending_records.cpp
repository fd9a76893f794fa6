#include "session/pending_records.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "journal/path_text.h"
#include "journal/whole_file.h"

namespace tarvelo::session {

namespace {

constexpr char kRecordsKey[] = "records";
constexpr char kJournalKey[] = "journal";  // the first record's hash of the journal they are for
constexpr char kNotPendingRecords[] = "в файле нет списка записей";

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
    {"strain", &journal::JournalRecord::strain},
    {"genotype", &journal::JournalRecord::genotype},
    {"study", &journal::JournalRecord::study},
    {"earMark", &journal::JournalRecord::earMark},
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
                                               const std::vector<QueuedRecord>& records,
                                               const std::optional<std::string>& journal) {
  QJsonArray array;
  for (const QueuedRecord& queued : records) array.append(objectOf(queued));
  QJsonObject whole{{kRecordsKey, array}};
  if (journal) whole[kJournalKey] = QString::fromStdString(*journal);
  const QByteArray text = QJsonDocument(whole).toJson();
  if (const auto failure = journal::writeWholeFile(file, text)) return failure->message;
  return std::nullopt;
}

std::vector<QueuedRecord> readPendingRecords(const std::filesystem::path& file, std::string& error,
                                             std::optional<std::string>* journal) {
  QFile in(journal::pathText(file));
  if (!in.exists()) return {};
  if (!in.open(QIODevice::ReadOnly)) {
    error = in.errorString().toStdString();
    return {};
  }
  QJsonParseError parsing;
  const QJsonDocument document = QJsonDocument::fromJson(in.readAll(), &parsing);
  // Older versions wrote the records alone.
  const QJsonValue records = document.isObject() ? document.object()[kRecordsKey] : QJsonValue(document.array());
  if (parsing.error != QJsonParseError::NoError || !records.isArray() ||
      (document.isObject() && document.object().contains(kJournalKey) && !document.object()[kJournalKey].isString())) {
    error = parsing.error != QJsonParseError::NoError ? parsing.errorString().toStdString() : kNotPendingRecords;
    return {};
  }
  if (journal && document.isObject() && document.object().contains(kJournalKey))
    *journal = document.object()[kJournalKey].toString().toStdString();
  std::vector<QueuedRecord> result;
  for (const QJsonValue& value : records.toArray()) result.push_back(queuedOf(value.toObject()));
  return result;
}

}  // namespace tarvelo::session
