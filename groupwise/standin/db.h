// A thin RAII layer over SQLite for the post office. Every failure of SQLite is raised
// as gw::StoreError with a text that names the file and says what went wrong.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "groupwise/error.h"

namespace gw::standin {

class Database;

class Statement {
 public:
  Statement() = default;
  Statement(const Database& db, std::string_view sql);
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

  // True while a row is available. A failure resets the statement before it is
  // raised, so the statement can be used again.
  bool step();
  // Runs a statement that returns no rows; the statement is reset however it ends.
  void run();
  // Back to the start, bindings cleared.
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
  const Database* db_ = nullptr;
  sqlite3_stmt* stmt_ = nullptr;
};

// Resets a statement kept for reuse when the scope ends, however it ends.
class ResetOnExit {
 public:
  explicit ResetOnExit(Statement& st) : st_(st) {}
  ~ResetOnExit() { st_.reset(); }
  ResetOnExit(const ResetOnExit&) = delete;
  ResetOnExit& operator=(const ResetOnExit&) = delete;

 private:
  Statement& st_;
};

class Database {
 public:
  Database() = default;
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // Opens through the post office's file layer; raises gw::StoreError when the file
  // cannot be opened with these flags.
  void open(const std::string& path, int flags);
  void close();
  sqlite3* handle() const { return db_; }
  const std::string& path() const { return path_; }
  void exec(std::string_view sql);
  Statement prepare(std::string_view sql) const { return Statement(*this, sql); }
  std::int64_t lastInsertId() const { return sqlite3_last_insert_rowid(db_); }

  // The extended result code of the last failure raised, for callers that tell
  // failures apart.
  int lastFailure() const { return lastFailure_; }

  // While opening, a full disk is reported as "no space left to open".
  void setOpening(bool opening) { opening_ = opening; }

  // Raises the failure SQLite reported for this connection (result code `code`).
  [[noreturn]] void fail(int code, std::string_view what) const;
  // The same with the message and system error number read earlier.
  [[noreturn]] void raise(int code, std::string_view what, const std::string& message,
                          int systemErrno) const;

 private:
  sqlite3* db_ = nullptr;
  std::string path_;
  bool opening_ = false;
  mutable int lastFailure_ = SQLITE_OK;
};

// The text for a failure of the post office `file`: what SQLite reported (result code,
// message, the system's error number) in words a user can act on.
std::string describeFailure(const std::string& file, int code, const std::string& message,
                            int systemErrno, bool opening);

// Runs fn inside BEGIN IMMEDIATE ... COMMIT, rolling back if anything fails.
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
