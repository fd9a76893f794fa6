#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <string>

#include "journal/journal.h"
#include "link/failure.h"

namespace tarvelo::journal {

// SQLite's failure of the call on `db` that has just failed.
inline link::Failure sqliteFailure(sqlite3* db) { return {sqlite3_errcode(db), sqlite3_errmsg(db)}; }

// A prepared statement, finalised when it goes.
class Statement {
 public:
  Statement(sqlite3* db, const std::string& sql) : db_(db) {
    sqlite3_prepare_v2(db, sql.c_str(), -1, &statement_, nullptr);
  }
  ~Statement() { sqlite3_finalize(statement_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  void bind(int index, const std::string& text) {
    sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  }
  void bind(int index, std::int64_t number) { sqlite3_bind_int64(statement_, index, number); }
  void bind(int index, std::optional<double> number) {
    if (number) {
      sqlite3_bind_double(statement_, index, *number);
    } else {
      sqlite3_bind_null(statement_, index);
    }
  }
  int step() { return sqlite3_step(statement_); }
  void reset() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
  }
  // Steps to the next row; false at the end. A statement that could not be made, or a
  // step that ends on anything but the end, throws: what was read is not the journal.
  bool next() {
    if (statement_ == nullptr) throw ReadError(sqliteFailure(db_));
    const int result = sqlite3_step(statement_);
    if (result == SQLITE_ROW) return true;
    if (result != SQLITE_DONE) throw ReadError(sqliteFailure(db_));
    return false;
  }
  std::string text(int column) const {
    const auto* value = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    return value != nullptr ? std::string(value, static_cast<size_t>(sqlite3_column_bytes(statement_, column)))
                            : std::string();
  }
  std::int64_t integer(int column) const { return sqlite3_column_int64(statement_, column); }
  std::optional<double> real(int column) const {
    if (sqlite3_column_type(statement_, column) == SQLITE_NULL) return std::nullopt;
    return sqlite3_column_double(statement_, column);
  }

 private:
  sqlite3* db_;
  sqlite3_stmt* statement_ = nullptr;
};

}  // namespace tarvelo::journal
