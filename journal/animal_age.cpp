#include "journal/animal_age.h"

#include <QDate>
#include <QString>

namespace tarvelo::journal {

namespace {

constexpr int kDateLength = 10;  // "2026-12-07"

QDate dateOf(const std::string& text) {
  return QDate::fromString(QString::fromStdString(text.substr(0, kDateLength)), Qt::ISODate);
}

}  // namespace

std::optional<long long> ageInDays(const std::string& born, const std::string& local) {
  const QDate birth = dateOf(born);
  const QDate day = dateOf(local);
  if (!birth.isValid() || !day.isValid() || birth > day) return std::nullopt;
  return birth.daysTo(day);
}

std::string ageText(const std::string& born, const std::string& local) {
  const std::optional<long long> age = ageInDays(born, local);
  return age ? std::to_string(*age) : std::string();
}

}  // namespace tarvelo::journal
