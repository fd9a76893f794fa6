#include "labserver/lab_failure.h"

#include <initializer_list>
#include <string_view>

namespace tarvelo::labserver {

namespace {

constexpr char kPasswordSaid[] =
    "пароль не подошел: проверьте пароль в файле паролей PostgreSQL (.pgpass, pgpass.conf)";

// libpq's and the server's words, in English and as their Russian translations say them.
struct Words {
  LabProblem problem;
  std::initializer_list<std::string_view> phrases;
  std::string_view said;
};
const Words kConnectionWords[] = {
    {LabProblem::HostNotFound, {"could not translate host name", "в адрес не удалось", "Name or service not known"},
     "сервер не найден: проверьте имя компьютера в строке подключения"},
    {LabProblem::Password, {"password authentication failed", "не прошёл проверку подлинности", "no password supplied"},
     kPasswordSaid},
    {LabProblem::NoDatabase, {"does not exist", "не существует"},
     "такой базы данных или пользователя на сервере нет"},
    {LabProblem::NoPermission, {"no pg_hba.conf entry", "в pg_hba.conf нет записи"},
     "сервер не пускает эту станцию: нужна строка для нее в pg_hba.conf"},
    {LabProblem::Refused, {"Connection refused", "соединении отказано"},
     "сервер не принимает подключения: он остановлен или порт закрыт"},
};

}  // namespace

LabFailure chainMismatch(std::int64_t record) {
  return {LabProblem::ChainMismatch, "журнал станции не совпадает с сервером с записи № " + std::to_string(record),
          record};
}

LabFailure recordRefused(std::int64_t record, const std::string& reason) {
  return {LabProblem::RecordRefused, "не принимает запись № " + std::to_string(record) + ": " + reason, record};
}

LabFailure unproven(std::int64_t record) {
  return {LabProblem::Unproven, "запись № " + std::to_string(record) + " журнала не подтверждается цепочкой: не отправлена",
          record};
}

LabFailure connectionFailure(const std::string& message, bool needsPassword) {
  if (needsPassword) return {LabProblem::Password, std::string(kPasswordSaid) + " (" + message + ")"};
  for (const Words& words : kConnectionWords) {
    for (const std::string_view phrase : words.phrases) {
      if (message.find(phrase) != std::string::npos) return {words.problem, std::string(words.said) + " (" + message + ")"};
    }
  }
  return {LabProblem::Unreachable, "сервер лаборатории не отвечает: " + message};
}

}  // namespace tarvelo::labserver
