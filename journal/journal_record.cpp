#include "journal/journal_record.h"

#include <QCryptographicHash>
#include <QString>

#include <array>
#include <charconv>

namespace tarvelo::journal {

namespace {

void addField(std::string& text, std::string_view name, std::string_view value) {
  text.append(name).append(":").append(std::to_string(value.size())).append(":").append(value).append("\n");
}

// The shortest text that reads back as the same double: the same on every system.
std::string exactText(double value) {
  std::array<char, 32> buffer{};
  const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value).ptr;
  return std::string(buffer.data(), end);
}

}  // namespace

void makeKeepable(JournalRecord& record) {
  for (std::string* text : {&record.kind, &record.utc, &record.local, &record.person, &record.protocol, &record.object,
                            &record.mass, &record.deviation, &record.unit, &record.trace, &record.balance,
                            &record.animal, &record.cage, &record.group, &record.sex, &record.born, &record.note,
                            &record.strain, &record.genotype, &record.study, &record.earMark}) {
    *text = QString::fromUtf8(text->data(), static_cast<qsizetype>(text->size())).toStdString();
    std::erase(*text, '\0');
  }
}

std::string canonicalText(const JournalRecord& record) {
  std::string text;
  if (record.chain != kFirstChainForm) {
    addField(text, "chain", std::to_string(record.chain));
    addField(text, "id", std::to_string(record.id));
  }
  addField(text, "kind", record.kind);
  addField(text, "utc", record.utc);
  addField(text, "local", record.local);
  addField(text, "person", record.person);
  addField(text, "protocol", record.protocol);
  addField(text, "object", record.object);
  addField(text, "mass", record.mass);
  addField(text, "grams", record.grams ? exactText(*record.grams) : std::string());
  addField(text, "deviation", record.deviation);
  addField(text, "unit", record.unit);
  addField(text, "count", std::to_string(record.count));
  addField(text, "trace", record.trace);
  addField(text, "balance", record.balance);
  addField(text, "subject", std::to_string(record.subject));
  if (record.chain >= kAnimalChainForm) {
    addField(text, "animal", record.animal);
    addField(text, "cage", record.cage);
    addField(text, "group", record.group);
    addField(text, "sex", record.sex);
    addField(text, "born", record.born);
    addField(text, "note", record.note);
  }
  if (record.chain >= kColonyChainForm) {
    addField(text, "strain", record.strain);
    addField(text, "genotype", record.genotype);
    addField(text, "study", record.study);
    addField(text, "ear_mark", record.earMark);
  }
  return text;
}

std::string chainHash(std::string_view previousHash, const JournalRecord& record) {
  QCryptographicHash hash(QCryptographicHash::Sha256);
  hash.addData(QByteArrayView(previousHash.data(), static_cast<qsizetype>(previousHash.size())));
  const std::string text = canonicalText(record);
  hash.addData(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
  return hash.result().toHex().toStdString();
}

}  // namespace tarvelo::journal
