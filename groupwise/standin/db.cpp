#include "groupwise/standin/db.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include "groupwise/standin/vfs.h"

namespace gw::standin {

std::string describeFailure(const std::string& file, int code, const std::string& message,
                            int systemErrno, bool opening) {
  int primary = code & 0xff;
  if (primary == SQLITE_IOERR &&
      (systemErrno == ENOSPC || systemErrno == EDQUOT || systemErrno == EFBIG)) {
    primary = SQLITE_FULL;
  }
  if (primary == SQLITE_IOERR && systemErrno == EROFS) primary = SQLITE_READONLY;
  std::string reason = systemErrno ? std::strerror(systemErrno) : message;
  switch (primary) {
    case SQLITE_FULL:
      return (opening ? "No space left to open the post office "
                      : "No space left to save changes to the post office ") +
             file;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return "The post office is in use by another program: " + file;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      return "The post office " + file + " is damaged (" + message + ")";
    case SQLITE_READONLY:
      return "The post office " + file + " is read-only: changes cannot be saved";
    case SQLITE_CANTOPEN:
      return "Cannot open the post office " + file + ": " + reason;
    case SQLITE_NOMEM:
      return "Out of memory while using the post office " + file;
    case SQLITE_IOERR: {
      int ext = code;
      bool reading = ext == SQLITE_IOERR_READ || ext == SQLITE_IOERR_SHORT_READ;
      return "The post office " + file + " could not be " + (reading ? "read" : "written") + ": " +
             reason;
    }
    default:
      return "The post office " + file + " reported an error: " + message;
  }
}

void Database::fail(int code, std::string_view what) const {
  raise(code, what, db_ ? sqlite3_errmsg(db_) : "out of memory",
        db_ ? sqlite3_system_errno(db_) : 0);
}

void Database::raise(int code, std::string_view what, const std::string& message, int sys) const {
  lastFailure_ = code;
  if ((code & 0xff) == SQLITE_MISUSE || (code & 0xff) == SQLITE_ERROR) {
    // A fault of the program, not of the file: say which statement.
    throw StoreError("The post office " + path_ + " reported an error (" + std::string(what) +
                     "): " + message);
  }
  throw StoreError(describeFailure(path_, code, message, sys, opening_));
}

Statement::Statement(const Database& db, std::string_view sql) : db_(&db) {
  int rc =
      sqlite3_prepare_v2(db.handle(), sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr);
  if (rc != SQLITE_OK) db.fail(rc, "prepare");
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
  if (int rc = sqlite3_bind_int64(stmt_, index, value); rc != SQLITE_OK) db_->fail(rc, "bind");
  return *this;
}

Statement& Statement::bind(int index, double value) {
  if (int rc = sqlite3_bind_double(stmt_, index, value); rc != SQLITE_OK) db_->fail(rc, "bind");
  return *this;
}

Statement& Statement::bind(int index, std::u16string_view value) {
  int rc = sqlite3_bind_text16(stmt_, index, value.data(), static_cast<int>(value.size() * 2),
                               SQLITE_TRANSIENT);
  if (rc != SQLITE_OK) db_->fail(rc, "bind");
  return *this;
}

Statement& Statement::bind(int index, std::string_view utf8) {
  int rc =
      sqlite3_bind_text(stmt_, index, utf8.data(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
  if (rc != SQLITE_OK) db_->fail(rc, "bind");
  return *this;
}

Statement& Statement::bind(int index, std::optional<std::int64_t> value) {
  return value ? bind(index, *value) : bindNull(index);
}

Statement& Statement::bindNull(int index) {
  if (int rc = sqlite3_bind_null(stmt_, index); rc != SQLITE_OK) db_->fail(rc, "bind");
  return *this;
}

bool Statement::step() {
  int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  // The message and error number belong to this failure; read them before the reset.
  std::string message = sqlite3_errmsg(db_->handle());
  int sys = sqlite3_system_errno(db_->handle());
  int code = sqlite3_extended_errcode(db_->handle());
  reset();
  db_->raise(code, "step", message, sys);
}

void Statement::run() {
  step();  // resets itself when it fails
  reset();
}

void Statement::reset() {
  if (!stmt_) return;
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

// The post office stores UTF-8; decoding it here costs one allocation, where SQLite's
// own UTF-16 text costs a conversion buffer and a copy. Code units that SQLite stored
// from UTF-16 come back as they were, unpaired surrogates included.
std::u16string Statement::text16(int column) const {
  const auto* p = sqlite3_column_text(stmt_, column);
  if (!p) return {};
  auto n = static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column));
  std::u16string out;
  out.reserve(n);
  for (std::size_t i = 0; i < n;) {
    unsigned b = p[i];
    auto next = [&](std::size_t k) { return i + k < n ? (p[i + k] & 0x3Fu) : 0u; };
    char32_t cp;
    if (b < 0x80) {
      cp = b;
      i += 1;
    } else if (b < 0xE0) {
      cp = ((b & 0x1Fu) << 6) | next(1);
      i += 2;
    } else if (b < 0xF0) {
      cp = ((b & 0x0Fu) << 12) | (next(1) << 6) | next(2);
      i += 3;
    } else {
      cp = ((b & 0x07u) << 18) | (next(1) << 12) | (next(2) << 6) | next(3);
      i += 4;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
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
  path_ = path;
  int rc = sqlite3_open_v2(path.c_str(), &db_, flags, postOfficeVfs());
  if (rc != SQLITE_OK) {
    std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
    int sys = db_ ? sqlite3_system_errno(db_) : 0;
    close();
    throw StoreError(describeFailure(path, rc, message, sys, true));
  }
  sqlite3_extended_result_codes(db_, 1);
}

void Database::close() {
  if (db_) sqlite3_close_v2(db_);
  db_ = nullptr;
}

void Database::exec(std::string_view sql) {
  std::string s(sql);
  int rc = sqlite3_exec(db_, s.c_str(), nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) fail(sqlite3_extended_errcode(db_), s.substr(0, 40));
}

}  // namespace gw::standin
