#include "labserver/lab_connection.h"

#include <libpq-fe.h>

#include <charconv>
#include <chrono>
#include <map>
#include <string_view>

#include "labserver/socket_wait.h"

namespace tarvelo::labserver {

namespace {

using Clock = std::chrono::steady_clock;

// Given before the user's own string, so that a value written there wins.
constexpr char kConnectSeconds[] = "5";
constexpr char kUnansweredMs[] = "10000";  // sent data not acknowledged: the server is gone
constexpr char kApplication[] = "tarvelo";
// Given after it: a dead link is noticed within half a minute whatever the string says.
constexpr char kKeepaliveIdleSeconds[] = "10";
constexpr char kKeepaliveIntervalSeconds[] = "5";
constexpr char kKeepaliveCount[] = "3";

// Pinned on every connection: the lab journal's schema, UTF-8, numbers read back exactly.
constexpr char kPinned[] =
    "SET search_path = tarvelo, pg_catalog; SET client_encoding = 'UTF8'; SET extra_float_digits = 3;";
// A station's statement ends on the server when it waits this long on a lock or runs this
// long; one the server does not answer at all is given up here a little later.
constexpr char kStationLimits[] = "SET lock_timeout = '5s'; SET statement_timeout = '20s';";
constexpr auto kUnansweredLimit = std::chrono::seconds(25);
constexpr auto kConnectLimit = std::chrono::seconds(6);
constexpr int kStopCheckMs = 100;

// Errors the server raises: a missing table, a right not granted, and the lab journal's
// own refusals of a record.
constexpr std::string_view kUndefinedTable = "42P01";
constexpr std::string_view kNoPrivilege = "42501";
constexpr std::string_view kChainRefused = "TV001";
constexpr std::string_view kNotThisStation = "TV002";
constexpr std::string_view kHashRefused = "TV003";
constexpr std::string_view kHeldElsewhere = "TV004";
// Tried again, quietly: a deadlock, a serialization failure, a lock or statement time limit.
constexpr std::string_view kBusyStates[] = {"40P01", "40001", "55P03", "57014"};
// Classes of the record's own fault: data, integrity, syntax or rule, program limit.
constexpr std::string_view kRecordClasses[] = {"22", "23", "42", "54"};

std::string trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

std::string errorOf(const pg_conn* connection) { return trimmed(PQerrorMessage(connection)); }

std::string field(const PGresult* result, int code) {
  const char* text = PQresultErrorField(result, code);
  return text != nullptr ? text : "";
}

template <size_t N>
bool among(std::string_view value, const std::string_view (&values)[N]) {
  for (const std::string_view candidate : values) {
    if (value == candidate) return true;
  }
  return false;
}

LabFailure queryFailure(const PGresult* result, const pg_conn* connection) {
  const std::string state = field(result, PG_DIAG_SQLSTATE);
  const std::string said = result != nullptr ? trimmed(PQresultErrorMessage(result)) : errorOf(connection);
  const std::string detail = field(result, PG_DIAG_MESSAGE_DETAIL);
  if (state == kChainRefused) {
    std::int64_t record = 0;
    std::from_chars(detail.data(), detail.data() + detail.size(), record);
    return chainMismatch(record);
  }
  if (state == kNotThisStation)
    return {LabProblem::NoStation, "вход этой станции не добавляет записи станции (tarvelo-journal server add-station)"};
  if (state == kHashRefused) return {LabProblem::RecordRefused, "ее подпись не подтверждается ее полями"};
  if (state == kHeldElsewhere)
    return {LabProblem::RecordRefused, "этот журнал уже хранится на сервере как журнал станции «" + detail + "»"};
  if (state == kUndefinedTable)
    return {LabProblem::NoLabJournal, "на сервере нет журнала лаборатории (tarvelo-journal server init): " + said};
  if (state == kNoPrivilege) return {LabProblem::NoPermission, "нет права на журнал лаборатории: " + said};
  if (among(state, kBusyStates)) return {LabProblem::Busy, "сервер лаборатории занят: " + said};
  if (state.size() == 5 && among(std::string_view(state).substr(0, 2), kRecordClasses))
    return {LabProblem::RecordRefused, field(result, PG_DIAG_MESSAGE_PRIMARY)};
  return {LabProblem::Unreachable, "сервер лаборатории не ответил: " + said};
}

bool stopped(const std::atomic<bool>* stop) { return stop != nullptr && stop->load(); }

// Makes the connection, giving up at the limit or when stopped.
pg_conn* connectWithin(const char* const* keys, const char* const* values, const std::atomic<bool>* stop) {
  pg_conn* made = PQconnectStartParams(keys, values, 1);
  if (made == nullptr || PQstatus(made) == CONNECTION_BAD) return made;
  const Clock::time_point limit = Clock::now() + kConnectLimit;
  PostgresPollingStatusType polled = PGRES_POLLING_WRITING;
  while (polled != PGRES_POLLING_OK && polled != PGRES_POLLING_FAILED) {
    if (stopped(stop) || Clock::now() > limit) return made;  // not CONNECTION_OK: the caller says why
    if (waitSocket(PQsocket(made), polled == PGRES_POLLING_WRITING, kStopCheckMs)) polled = PQconnectPoll(made);
  }
  return made;
}

}  // namespace

std::optional<std::string> passwordRefusal(const std::string& connection) {
  PQconninfoOption* parsed = PQconninfoParse(connection.c_str(), nullptr);
  if (parsed == nullptr) return std::nullopt;  // said when connecting
  std::map<std::string, std::string> given;
  for (const PQconninfoOption* option = parsed; option->keyword != nullptr; ++option) {
    if (option->val != nullptr && *option->val != '\0') given[option->keyword] = option->val;
  }
  PQconninfoFree(parsed);
  if (!given.contains("password")) return std::nullopt;
  const auto value = [&given](const char* key, const char* otherwise) {
    return given.contains(key) ? given[key] : std::string(otherwise);
  };
  return "Пароль в строке подключения не хранится: уберите password= и запишите пароль в файл паролей PostgreSQL "
         "(~/.pgpass с правами 0600, в Windows %APPDATA%\\postgresql\\pgpass.conf) строкой " +
         value("host", "localhost") + ":" + value("port", "5432") + ":" + value("dbname", "*") + ":" +
         value("user", "*") + ":ПАРОЛЬ";
}

std::unique_ptr<LabConnection> LabConnection::open(const std::string& connection, LabFailure& failure, LabUse use,
                                                   const std::atomic<bool>* stop) {
  char* parseError = nullptr;
  PQconninfoOption* parsed = PQconninfoParse(connection.c_str(), &parseError);
  if (parsed == nullptr) {
    failure = {LabProblem::BadSettings,
               "строка подключения не разобрана: " + (parseError != nullptr ? trimmed(parseError) : std::string())};
    PQfreemem(parseError);
    return nullptr;
  }
  PQconninfoFree(parsed);
  // A password an earlier version kept in a station's settings is not used.
  if (const auto refusal = use == LabUse::Station ? passwordRefusal(connection) : std::nullopt) {
    failure = {LabProblem::BadSettings, *refusal};
    return nullptr;
  }
  const char* keys[] = {"connect_timeout", "tcp_user_timeout",    "application_name",     "dbname", "keepalives",
                        "keepalives_idle", "keepalives_interval", "keepalives_count",     nullptr};
  const char* values[] = {kConnectSeconds,       kUnansweredMs,             kApplication,    connection.c_str(), "1",
                          kKeepaliveIdleSeconds, kKeepaliveIntervalSeconds, kKeepaliveCount, nullptr};
  pg_conn* made = connectWithin(keys, values, stop);
  if (made != nullptr && PQstatus(made) == CONNECTION_OK) {
    // The server's notices ("already exists, skipping") are for nobody here.
    PQsetNoticeProcessor(made, [](void*, const char*) {}, nullptr);
    std::unique_ptr<LabConnection> opened(new LabConnection(made, use, stop));
    const std::string pinned = std::string(kPinned) + (use == LabUse::Station ? kStationLimits : "");
    if (auto refused = opened->script(pinned)) {
      failure = *refused;
      return nullptr;
    }
    return opened;
  }
  if (made != nullptr && PQstatus(made) != CONNECTION_BAD) {
    failure = {LabProblem::Unreachable, stopped(stop) ? "подключение прервано" : "сервер лаборатории не отвечает"};
  } else {
    failure = made != nullptr ? connectionFailure(errorOf(made), PQconnectionNeedsPassword(made) != 0)
                              : LabFailure{LabProblem::Unreachable, "нет памяти для подключения"};
  }
  PQfinish(made);
  return nullptr;
}

LabConnection::~LabConnection() { PQfinish(connection_); }

std::optional<LabFailure> LabConnection::givenUp(const std::string& why) {
  // Tells a server that still listens to stop; one that does not gets no more waiting.
  if (PGcancel* cancel = PQgetCancel(connection_)) {
    char error[256];
    PQcancel(cancel, error, sizeof error);
    PQfreeCancel(cancel);
  }
  broken_ = true;
  return LabFailure{LabProblem::Unreachable, why};
}

std::optional<LabFailure> LabConnection::finish(LabRows* rows) {
  const Clock::time_point limit = Clock::now() + kUnansweredLimit;
  while (PQisBusy(connection_) != 0) {
    if (stopped(stop_)) return givenUp("прервано: программа закрывается");
    if (use_ == LabUse::Station && Clock::now() > limit) return givenUp("сервер лаборатории не отвечает");
    // A failure to read comes with the result below.
    if (waitSocket(PQsocket(connection_), false, kStopCheckMs) && PQconsumeInput(connection_) == 0) break;
  }
  std::optional<LabFailure> failure;
  bool answered = false;
  while (PGresult* result = PQgetResult(connection_)) {
    answered = true;
    const ExecStatusType status = PQresultStatus(result);
    if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
      if (!failure) failure = queryFailure(result, connection_);
    } else if (rows != nullptr && !failure) {
      rows->clear();
      for (int row = 0; row < PQntuples(result); ++row) {
        std::vector<std::string>& cells = rows->emplace_back();
        for (int column = 0; column < PQnfields(result); ++column) cells.emplace_back(PQgetvalue(result, row, column));
      }
    }
    PQclear(result);
  }
  if (!answered && !failure) failure = queryFailure(nullptr, connection_);
  return failure;
}

std::optional<LabFailure> LabConnection::run(const std::string& sql,
                                             const std::vector<std::optional<std::string>>& parameters, LabRows* rows) {
  if (broken_) return LabFailure{LabProblem::Unreachable, "соединение с сервером лаборатории закрыто"};
  std::vector<const char*> values;
  for (const auto& parameter : parameters) values.push_back(parameter ? parameter->c_str() : nullptr);
  if (PQsendQueryParams(connection_, sql.c_str(), static_cast<int>(values.size()), nullptr, values.data(), nullptr,
                        nullptr, 0) == 0)
    return queryFailure(nullptr, connection_);
  return finish(rows);
}

std::optional<LabFailure> LabConnection::script(const std::string& sql) {
  if (broken_) return LabFailure{LabProblem::Unreachable, "соединение с сервером лаборатории закрыто"};
  if (PQsendQuery(connection_, sql.c_str()) == 0) return queryFailure(nullptr, connection_);
  return finish(nullptr);
}

bool LabConnection::alive() const { return !broken_ && PQstatus(connection_) == CONNECTION_OK; }

bool LabConnection::encrypted() const { return PQsslInUse(connection_) != 0; }

bool LabConnection::serverVerified() const {
  // Only these modes check the server's certificate against the lab's authority.
  std::string mode;
  PQconninfoOption* options = PQconninfo(connection_);
  for (const PQconninfoOption* option = options; option != nullptr && option->keyword != nullptr; ++option) {
    if (std::string_view(option->keyword) == "sslmode" && option->val != nullptr) mode = option->val;
  }
  PQconninfoFree(options);
  return encrypted() && (mode == "verify-ca" || mode == "verify-full");
}

std::optional<std::string> LabConnection::passwordVerifier(const std::string& user, const std::string& password) {
  char* verifier = PQencryptPasswordConn(connection_, password.c_str(), user.c_str(), "scram-sha-256");
  if (verifier == nullptr) return std::nullopt;
  std::string made(verifier);
  PQfreemem(verifier);
  return made;
}

std::string LabConnection::lastError() const { return errorOf(connection_); }

}  // namespace tarvelo::labserver
