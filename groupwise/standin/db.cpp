#include "groupwise/standin/db.h"

#include <utility>

namespace gw::standin {

void throwSqlite(sqlite3* db, std::string_view what) {
  std::string msg = "Post office storage error (" + std::string(what) + "): ";
  msg += db ? sqlite3_errmsg(db) : "out of memory";
  throw Error(msg);
}

Statement::Statement(sqlite3* db, std::string_view sql) : db_(db) {
  if (sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr) !=
      SQLITE_OK) {
    throwSqlite(db, "prepare");
  }
}

Statement::~Statement() {
  sqlite3_finalize(stmt_);
}

Statement::Statement(Statement&& other) noexcept
    : db_(other.db_), stmt_(std::exchange(other.stmt_, nullptr)) {}

Statement& Statement::operator=(Statement&& other) noexcept {
  if (this != &other) {
    sqlite3_finalize(stmt_);
    db_ = other.db_;
    stmt_ = std::exchange(other.stmt_, nullptr);
  }
  return *this;
}

Statement& Statement::bind(int index, std::int64_t value) {
  if (sqlite3_bind_int64(stmt_, index, value) != SQLITE_OK) throwSqlite(db_, "bind");
  return *this;
}

Statement& Statement::bind(int index, double value) {
  if (sqlite3_bind_double(stmt_, index, value) != SQLITE_OK) throwSqlite(db_, "bind");
  return *this;
}

Statement& Statement::bind(int index, std::u16string_view value) {
  if (sqlite3_bind_text16(stmt_, index, value.data(), static_cast<int>(value.size() * 2),
                          SQLITE_TRANSIENT) != SQLITE_OK) {
    throwSqlite(db_, "bind");
  }
  return *this;
}

Statement& Statement::bind(int index, std::string_view utf8) {
  if (sqlite3_bind_text(stmt_, index, utf8.data(), static_cast<int>(utf8.size()),
                        SQLITE_TRANSIENT) != SQLITE_OK) {
    throwSqlite(db_, "bind");
  }
  return *this;
}

Statement& Statement::bind(int index, std::optional<std::int64_t> value) {
  return value ? bind(index, *value) : bindNull(index);
}

Statement& Statement::bindNull(int index) {
  if (sqlite3_bind_null(stmt_, index) != SQLITE_OK) throwSqlite(db_, "bind");
  return *this;
}

bool Statement::step() {
  int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  throwSqlite(db_, "step");
}

void Statement::run() {
  step();
  reset();
}

void Statement::reset() {
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

bool Statement::isNull(int column) const {
  return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

std::int64_t Statement::int64(int column) const {
  return sqlite3_column_int64(stmt_, column);
}

double Statement::real(int column) const {
  return sqlite3_column_double(stmt_, column);
}

std::u16string Statement::text16(int column) const {
  const void* p = sqlite3_column_text16(stmt_, column);
  if (!p) return {};
  int bytes = sqlite3_column_bytes16(stmt_, column);
  return std::u16string(static_cast<const char16_t*>(p), static_cast<std::size_t>(bytes) / 2);
}

std::string Statement::text(int column) const {
  const unsigned char* p = sqlite3_column_text(stmt_, column);
  if (!p) return {};
  int bytes = sqlite3_column_bytes(stmt_, column);
  return std::string(reinterpret_cast<const char*>(p), static_cast<std::size_t>(bytes));
}

std::optional<std::int64_t> Statement::optInt64(int column) const {
  if (isNull(column)) return std::nullopt;
  return int64(column);
}

int Statement::columnType(int column) const {
  return sqlite3_column_type(stmt_, column);
}

Database::~Database() {
  close();
}

void Database::open(const std::string& path, int flags) {
  close();
  if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
    std::string msg = db_ ? sqlite3_errmsg(db_) : "out of memory";
    close();
    throw Error("Cannot open the post office " + path + ": " + msg);
  }
  sqlite3_extended_result_codes(db_, 1);
}

void Database::close() {
  if (db_) sqlite3_close_v2(db_);
  db_ = nullptr;
}

void Database::exec(std::string_view sql) {
  std::string s(sql);
  if (sqlite3_exec(db_, s.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
    throwSqlite(db_, s.substr(0, 40));
  }
}

}  // namespace gw::standin
