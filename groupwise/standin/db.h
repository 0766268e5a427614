// A thin RAII layer over SQLite for the post office.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "groupwise/error.h"

namespace gw::standin {

class Statement {
 public:
  Statement() = default;
  Statement(sqlite3* db, std::string_view sql);
  ~Statement();
  Statement(Statement&& other) noexcept;
  Statement& operator=(Statement&& other) noexcept;
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& bind(int index, std::int64_t value);
  Statement& bind(int index, int value) { return bind(index, static_cast<std::int64_t>(value)); }
  Statement& bind(int index, double value);
  Statement& bind(int index, std::u16string_view value);
  Statement& bind(int index, std::string_view utf8);
  Statement& bind(int index, std::optional<std::int64_t> value);
  Statement& bindNull(int index);

  // True while a row is available.
  bool step();
  // Runs a statement that returns no rows.
  void run();
  void reset();

  bool isNull(int column) const;
  std::int64_t int64(int column) const;
  int int32(int column) const { return static_cast<int>(int64(column)); }
  double real(int column) const;
  std::u16string text16(int column) const;
  std::string text(int column) const;
  std::optional<std::int64_t> optInt64(int column) const;
  int columnType(int column) const;

 private:
  sqlite3* db_ = nullptr;
  sqlite3_stmt* stmt_ = nullptr;
};

class Database {
 public:
  Database() = default;
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // Raises gw::Error when the file cannot be opened with these flags.
  void open(const std::string& path, int flags);
  void close();
  sqlite3* handle() const { return db_; }
  void exec(std::string_view sql);
  Statement prepare(std::string_view sql) { return Statement(db_, sql); }
  std::int64_t lastInsertId() const { return sqlite3_last_insert_rowid(db_); }

 private:
  sqlite3* db_ = nullptr;
};

[[noreturn]] void throwSqlite(sqlite3* db, std::string_view what);

// Runs fn inside BEGIN IMMEDIATE ... COMMIT, rolling back if it throws.
template <typename Fn>
void inTransaction(Database& db, Fn&& fn) {
  db.exec("BEGIN IMMEDIATE");
  try {
    fn();
    db.exec("COMMIT");
  } catch (...) {
    sqlite3_exec(db.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
}

}  // namespace gw::standin
