#include "labserver/lab_stations.h"

#include <functional>
#include <string_view>
#include <vector>

#include "labserver/lab_schema.h"

namespace tarvelo::labserver {

namespace {

using Parameters = std::vector<std::optional<std::string>>;

// Runs a statement the server first writes from `format` (%I a name, %L a text), so that
// no name or password is ever pasted into SQL here.
std::optional<LabFailure> runFormatted(LabConnection& connection, const std::string& format,
                                       const Parameters& values) {
  std::string arguments;
  for (size_t i = 1; i <= values.size(); ++i) arguments += ", $" + std::to_string(i) + "::text";
  LabRows rows;
  if (auto failure = connection.run("SELECT pg_catalog.format('" + format + "'" + arguments + ")",
                                    values, &rows))
    return failure;
  return connection.run(rows.at(0).at(0));
}

// Runs `work` in one transaction: all of it or none.
std::optional<LabFailure> inTransaction(LabConnection& connection,
                                        const std::function<std::optional<LabFailure>()>& work) {
  if (auto failure = connection.run("BEGIN")) return failure;
  if (auto failure = work()) {
    connection.run("ROLLBACK");
    return failure;
  }
  return connection.run("COMMIT");
}

LabFailure refusal(const std::string& text) { return {LabProblem::BadSettings, text}; }

}  // namespace

std::optional<LabFailure> addStation(LabConnection& connection, const std::string& station,
                                     const std::string& login,
                                     const std::optional<std::string>& password) {
  if (station.empty() || login.empty()) return refusal("у станции и ее входа должны быть имена");
  return inTransaction(connection, [&]() -> std::optional<LabFailure> {
    LabRows rows;
    if (auto failure = connection.run("SELECT login FROM tarvelo.lab_stations WHERE station = $1 "
                                      "AND removed IS NULL AND login <> $2",
                                      {station, login}, &rows))
      return failure;
    if (!rows.empty())
      return refusal("станция «" + station + "» уже связана со входом «" + rows[0][0] + "»");
    if (auto failure =
            connection.run("SELECT 1 FROM pg_catalog.pg_roles WHERE rolname = $1", {login}, &rows))
      return failure;
    if (rows.empty()) {
      if (auto failure = runFormatted(connection, "CREATE ROLE %I LOGIN", {login})) return failure;
    }
    if (auto failure =
            runFormatted(connection, std::string("GRANT ") + kStationRole + " TO %I", {login}))
      return failure;
    if (password) {
      const std::optional<std::string> verifier = connection.passwordVerifier(login, *password);
      if (!verifier) return refusal("пароль не зашифрован: " + connection.lastError());
      if (auto failure = runFormatted(connection, "ALTER ROLE %I PASSWORD %L", {login, *verifier}))
        return failure;
    }
    return connection.run(
        "INSERT INTO tarvelo.lab_stations (login, station) VALUES ($1, $2) ON CONFLICT (login) "
        "DO UPDATE SET station = excluded.station, added = now(), removed = NULL",
        {login, station});
  });
}

std::optional<LabFailure> removeStation(LabConnection& connection, const std::string& station) {
  LabRows rows;
  if (auto failure = connection.run("UPDATE tarvelo.lab_stations SET removed = now() WHERE station "
                                    "= $1 AND removed IS NULL RETURNING login",
                                    {station}, &rows))
    return failure;
  if (rows.empty()) return refusal("станции «" + station + "» на сервере нет");
  return std::nullopt;
}

std::optional<LabFailure> renameStation(LabConnection& connection, const std::string& from,
                                        const std::string& to) {
  if (to.empty()) return refusal("у станции должно быть имя");
  return inTransaction(connection, [&]() -> std::optional<LabFailure> {
    if (auto failure = connection.run(std::string("SET LOCAL ROLE ") + kOwnerRole)) return failure;
    LabRows rows;
    if (auto failure =
            connection.run("SELECT 1 FROM tarvelo.lab_stations WHERE station = $1 UNION ALL "
                           "(SELECT 1 FROM tarvelo.lab_records WHERE station = $1 LIMIT 1)",
                           {to}, &rows))
      return failure;
    if (!rows.empty()) return refusal("имя «" + to + "» на сервере уже есть");
    if (auto failure = connection.run(
            "UPDATE tarvelo.lab_stations SET station = $2 WHERE station = $1 RETURNING login",
            {from, to}, &rows))
      return failure;
    if (rows.empty()) return refusal("станции «" + from + "» на сервере нет");
    // Records are never changed but by this: the owner lets them, for this transaction only.
    for (const char* sql :
         {"ALTER TABLE tarvelo.lab_records DISABLE TRIGGER lab_records_kept",
          "UPDATE tarvelo.lab_records SET station = $2 WHERE station = $1",
          "ALTER TABLE tarvelo.lab_records ENABLE TRIGGER lab_records_kept",
          "UPDATE tarvelo.lab_objects SET home = $2 WHERE home = $1",
          "UPDATE tarvelo.lab_objects SET last_station = $2 WHERE last_station = $1",
          "UPDATE tarvelo.lab_objects SET first_station = $2 WHERE first_station = $1"}) {
      const bool named = std::string_view(sql).find('$') != std::string_view::npos;
      if (auto failure = connection.run(sql, named ? Parameters{from, to} : Parameters{}))
        return failure;
    }
    return std::nullopt;
  });
}

std::optional<LabFailure> boundStation(LabConnection& connection, std::string& station) {
  LabRows rows;
  if (auto failure = connection.run(
          "SELECT station FROM tarvelo.lab_stations WHERE login = session_user AND removed IS NULL",
          {}, &rows))
    return failure;
  station = rows.empty() ? std::string() : rows[0][0];
  return std::nullopt;
}

}  // namespace tarvelo::labserver
