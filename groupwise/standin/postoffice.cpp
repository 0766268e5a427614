#include "groupwise/standin/postoffice.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>

#include "platform/ansi.h"
#include "platform/locale.h"
#include "platform/oledate.h"

namespace gw::standin {
namespace {

using Clock = std::chrono::steady_clock;

// How long a change may wait for the background writer. With the write itself this
// keeps every change within 100 ms of the call that made it.
constexpr auto kWriteDelay = std::chrono::milliseconds(25);
// A caller that makes changes faster than they are written waits for them past this
// many changed rows, so neither memory nor the delay before a commit grows without end.
constexpr std::size_t kMaxPendingRows = 1000;
constexpr int kBusyTimeoutMs = 60000;
constexpr std::int64_t kApplicationId = 0x4D57504F;  // "MWPO"
constexpr std::int64_t kSchemaVersion = 1;

constexpr const char* kSchema = R"sql(
CREATE TABLE postoffice(key TEXT PRIMARY KEY, value TEXT NOT NULL) WITHOUT ROWID;
CREATE TABLE users(
  id INTEGER PRIMARY KEY,
  userid TEXT NOT NULL UNIQUE COLLATE NOCASE,
  kind INTEGER NOT NULL DEFAULT 1,
  display_name TEXT NOT NULL,
  first_name TEXT NOT NULL DEFAULT '',
  last_name TEXT NOT NULL DEFAULT '',
  email TEXT NOT NULL DEFAULT '',
  title TEXT NOT NULL DEFAULT '',
  department TEXT NOT NULL DEFAULT '',
  phone TEXT NOT NULL DEFAULT '');
CREATE TABLE proxy_grants(
  owner INTEGER NOT NULL REFERENCES users(id),
  grantee INTEGER NOT NULL REFERENCES users(id),
  PRIMARY KEY(owner, grantee)) WITHOUT ROWID;
CREATE TABLE books(
  id INTEGER PRIMARY KEY,
  owner INTEGER NOT NULL REFERENCES users(id),
  name TEXT NOT NULL,
  UNIQUE(owner, name COLLATE NOCASE));
CREATE TABLE field_defs(
  book INTEGER NOT NULL REFERENCES books(id),
  position INTEGER NOT NULL,
  name TEXT NOT NULL,
  type INTEGER NOT NULL,
  PRIMARY KEY(book, position),
  UNIQUE(book, name)) WITHOUT ROWID;
CREATE TABLE entries(
  id INTEGER PRIMARY KEY,
  book INTEGER NOT NULL REFERENCES books(id),
  obj_type INTEGER NOT NULL);
CREATE INDEX entries_by_book ON entries(book, id);
CREATE TABLE entry_fields(
  entry INTEGER NOT NULL REFERENCES entries(id),
  name TEXT NOT NULL,
  type INTEGER NOT NULL,
  value TEXT NOT NULL,
  PRIMARY KEY(entry, name)) WITHOUT ROWID;
CREATE TABLE items(
  id INTEGER PRIMARY KEY,
  owner INTEGER NOT NULL REFERENCES users(id),
  class TEXT NOT NULL,
  box_type INTEGER NOT NULL,
  start_date INTEGER,
  end_date INTEGER,
  duration REAL NOT NULL DEFAULT 0,
  due_date INTEGER,
  assigned_date INTEGER,
  creation_date INTEGER NOT NULL,
  modified_date INTEGER NOT NULL,
  subject TEXT NOT NULL DEFAULT '',
  body TEXT NOT NULL DEFAULT '',
  place TEXT NOT NULL DEFAULT '',
  from_text TEXT NOT NULL DEFAULT '',
  completed INTEGER NOT NULL DEFAULT 0,
  priority);
CREATE INDEX items_by_owner ON items(owner, start_date, id);
)sql";

constexpr const char* kItemColumns =
    "id, owner, class, box_type, start_date, duration, due_date, assigned_date, creation_date, "
    "modified_date, subject, body, place, from_text, completed, priority";

void bindPriority(Statement& st, int index, const Variant& v) {
  switch (v.type()) {
    case VarType::Int:
    case VarType::Bool:
      st.bind(index, static_cast<std::int64_t>(v.toInt()));
      break;
    case VarType::Real:
      st.bind(index, v.toReal());
      break;
    case VarType::Text:
      st.bind(index, std::u16string_view(v.text()));
      break;
    default:
      st.bindNull(index);
      break;
  }
}

Variant readPriority(const Statement& st, int column) {
  switch (st.columnType(column)) {
    case SQLITE_INTEGER:
      return Variant(static_cast<std::int32_t>(st.int64(column)));
    case SQLITE_FLOAT:
      return Variant(st.real(column));
    case SQLITE_TEXT:
      return Variant(st.text16(column));
    default:
      return Variant();
  }
}

std::shared_ptr<ItemRow> readItem(const Statement& st) {
  auto row = std::make_shared<ItemRow>();
  row->id = st.int64(0);
  row->owner = st.int64(1);
  row->className = st.text16(2);
  row->boxType = st.int32(3);
  row->start = st.optInt64(4);
  row->duration = st.real(5);
  row->due = st.optInt64(6);
  row->assigned = st.optInt64(7);
  row->created = st.int64(8);
  row->modified = st.int64(9);
  row->subject = st.text16(10);
  row->body = st.text16(11);
  row->place = st.text16(12);
  row->from = st.text16(13);
  row->completed = st.int64(14) != 0;
  row->priority = readPriority(st, 15);
  return row;
}

UserRecord readUser(const Statement& st) {
  UserRecord u;
  u.id = st.int64(0);
  u.userId = st.text16(1);
  u.kind = st.int32(2);
  u.displayName = st.text16(3);
  u.firstName = st.text16(4);
  u.lastName = st.text16(5);
  u.email = st.text16(6);
  u.title = st.text16(7);
  u.department = st.text16(8);
  u.phone = st.text16(9);
  return u;
}

constexpr const char* kUserColumns =
    "id, userid, kind, display_name, first_name, last_name, email, title, department, phone";

// Post offices still open at exit get their last changes committed.
std::recursive_mutex g_openMutex;  // a post office failing to open is destroyed under it
std::set<PostOffice*> g_open;
std::map<std::string, std::weak_ptr<PostOffice>> g_byPath;

void flushAllAtExit() {
  std::lock_guard lock(g_openMutex);
  for (PostOffice* po : g_open) {
    try {
      po->flush();
    } catch (const std::exception& e) {
      std::fprintf(stderr, "post office %s: %s\n", po->path().c_str(), e.what());
    }
  }
}

void configure(Database& db) {
  sqlite3_busy_timeout(db.handle(), kBusyTimeoutMs);
  db.exec("PRAGMA foreign_keys = ON");
  db.exec("PRAGMA synchronous = NORMAL");
  // The writer thread checkpoints instead (see writerLoop).
  db.exec("PRAGMA wal_autocheckpoint = 0");
}

constexpr int kCheckpointPages = 1000;

int countWalPages(void* counter, sqlite3*, const char*, int pages) {
  static_cast<std::atomic<int>*>(counter)->store(pages);
  return SQLITE_OK;
}

}  // namespace

std::int64_t nowSeconds() {
  return platform::dateToSeconds(platform::nowDate());
}

std::optional<std::int64_t> ItemRow::end() const {
  if (isTask()) return due;
  if (!start) return std::nullopt;
  return *start + std::llround(duration * 86400.0);
}

std::vector<FieldDef> PostOffice::standardFieldDefs() {
  static const char16_t* kNames[] = {u"Name",
                                     u"First Name",
                                     u"Last Name",
                                     u"Title",
                                     u"Department",
                                     u"Organization",
                                     u"E-Mail Address",
                                     u"E-Mail Type",
                                     u"Office Phone Number",
                                     u"Home Phone Number",
                                     u"Cellular Phone Number",
                                     u"Fax Number",
                                     u"Pager Number",
                                     u"Address",
                                     u"City",
                                     u"State",
                                     u"ZIP Code",
                                     u"Country",
                                     u"Comments"};
  std::vector<FieldDef> defs;
  for (const char16_t* n : kNames) defs.push_back({n, kFieldText});
  return defs;
}

std::vector<FieldDef> PostOffice::systemFieldDefs() {
  static const char16_t* kNames[] = {u"Name",    u"First Name",     u"Last Name",
                                     u"User ID", u"E-Mail Address", u"E-Mail Type",
                                     u"Title",   u"Department",     u"Office Phone Number"};
  std::vector<FieldDef> defs;
  for (const char16_t* n : kNames) defs.push_back({n, kFieldText});
  return defs;
}

PostOffice::PostOffice(std::string path) : path_(std::move(path)) {}

std::shared_ptr<PostOffice> PostOffice::open(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    throw Error("Cannot open the post office " + path + ": " + std::strerror(errno));
  }
  if (!S_ISREG(st.st_mode)) throw Error("Cannot open the post office " + path + ": not a file");
  // Sessions of one process share one post office, so each sees the others' changes
  // at once.
  std::string key = path;
  if (char* real = ::realpath(path.c_str(), nullptr)) {
    key = real;
    std::free(real);
  }
  std::lock_guard lock(g_openMutex);
  auto& shared = g_byPath[key];
  if (auto existing = shared.lock()) return existing;
  std::shared_ptr<PostOffice> po(new PostOffice(path));
  po->openConnection();
  static bool registered = false;
  if (!registered) std::atexit(flushAllAtExit);
  registered = true;
  g_open.insert(po.get());
  shared = po;
  po->writer_ = std::thread([p = po.get()] { p->writerLoop(); });
  return po;
}

void PostOffice::openConnection() {
  db_.open(path_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX);
  auto notAPostOffice = [&](const std::string& why) {
    db_.close();
    throw Error("The file " + path_ + " is not a GroupWise post office (" + why + ")");
  };
  if (sqlite3_db_readonly(db_.handle(), "main") == 1) {
    db_.close();
    throw Error("Cannot open the post office " + path_ + " for writing: permission denied");
  }
  sqlite3_busy_timeout(db_.handle(), kBusyTimeoutMs);
  // Reading only: nothing is written to a file until it is known to be a post office.
  try {
    Statement st = db_.prepare("PRAGMA application_id");
    if (!st.step() || st.int64(0) != kApplicationId) notAPostOffice("unknown file format");
    Statement ver = db_.prepare("SELECT value FROM postoffice WHERE key = 'schema'");
    if (!ver.step() || ver.text(0) != std::to_string(kSchemaVersion)) {
      notAPostOffice("unknown version");
    }
  } catch (const Error& e) {
    if (!db_.handle()) throw;
    std::string msg = sqlite3_errmsg(db_.handle());
    notAPostOffice(msg);
  }
  configure(db_);
  sqlite3_wal_hook(db_.handle(), countWalPages, &walPages_);
}

bool PostOffice::create(const std::string& path, const NewUser& firstUser) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) return false;
  std::string tmp = path + ".new-" + std::to_string(::getpid());
  ::unlink(tmp.c_str());
  {
    PostOffice po(tmp);
    po.db_.open(tmp, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    try {
      po.db_.exec("PRAGMA application_id = " + std::to_string(kApplicationId));
      po.db_.exec(kSchema);
      inTransaction(po.db_, [&] {
        Statement meta = po.db_.prepare("INSERT INTO postoffice(key, value) VALUES(?, ?)");
        meta.bind(1, std::string_view("schema")).bind(2, std::to_string(kSchemaVersion)).run();
        meta.bind(1, std::string_view("created"))
            .bind(2, platform::dateToText(platform::nowDate()))
            .run();
        po.addUserLocked(firstUser);
      });
      po.db_.exec("PRAGMA journal_mode = WAL");
    } catch (...) {
      po.db_.close();
      ::unlink(tmp.c_str());
      throw;
    }
    po.db_.close();
  }
  // link() fails rather than replace a post office another process made meanwhile.
  int rc = ::link(tmp.c_str(), path.c_str());
  int err = errno;
  ::unlink(tmp.c_str());
  if (rc != 0) {
    if (err == EEXIST) return false;
    throw Error("Cannot create the post office " + path + ": " + std::strerror(err));
  }
  return true;
}

PostOffice::~PostOffice() {
  if (writer_.joinable()) {
    {
      std::lock_guard lock(stateMutex_);
      stopping_ = true;
    }
    wake_.notify_all();
    writer_.join();
  }
  {
    std::lock_guard lock(g_openMutex);
    g_open.erase(this);
    for (auto it = g_byPath.begin(); it != g_byPath.end();) {
      it = it->second.expired() ? g_byPath.erase(it) : std::next(it);
    }
  }
  if (db_.handle()) {
    try {
      flush();
    } catch (const std::exception& e) {
      std::fprintf(stderr, "post office %s: %s\n", path_.c_str(), e.what());
    }
  }
  updateStatements_.clear();
}

// ---- users ----

std::optional<UserRecord> PostOffice::findUser(std::u16string_view userId) {
  std::lock_guard lock(dbMutex_);
  flushLocked();
  Statement st =
      db_.prepare(std::string("SELECT ") + kUserColumns + " FROM users WHERE userid = ?");
  st.bind(1, userId);
  if (!st.step()) return std::nullopt;
  return readUser(st);
}

std::optional<UserRecord> PostOffice::userById(std::int64_t id) {
  std::lock_guard lock(dbMutex_);
  Statement st = db_.prepare(std::string("SELECT ") + kUserColumns + " FROM users WHERE id = ?");
  st.bind(1, id);
  if (!st.step()) return std::nullopt;
  return readUser(st);
}

std::vector<UserRecord> PostOffice::users() {
  std::lock_guard lock(dbMutex_);
  Statement st = db_.prepare(std::string("SELECT ") + kUserColumns + " FROM users ORDER BY id");
  std::vector<UserRecord> out;
  while (st.step()) out.push_back(readUser(st));
  return out;
}

bool PostOffice::proxyGranted(std::int64_t owner, std::int64_t grantee) {
  std::lock_guard lock(dbMutex_);
  Statement st = db_.prepare("SELECT 1 FROM proxy_grants WHERE owner = ? AND grantee = ?");
  st.bind(1, owner).bind(2, grantee);
  return st.step();
}

std::vector<std::pair<std::u16string, std::u16string>> PostOffice::proxyGrants() {
  std::lock_guard lock(dbMutex_);
  Statement st = db_.prepare(
      "SELECT o.userid, g.userid FROM proxy_grants p JOIN users o ON o.id = p.owner "
      "JOIN users g ON g.id = p.grantee ORDER BY o.userid, g.userid");
  std::vector<std::pair<std::u16string, std::u16string>> out;
  while (st.step()) out.emplace_back(st.text16(0), st.text16(1));
  return out;
}

std::int64_t PostOffice::addUserLocked(const NewUser& user) {
  if (user.userId.empty()) throw Error("A user needs a user id");
  Statement exists = db_.prepare("SELECT 1 FROM users WHERE userid = ?");
  exists.bind(1, std::u16string_view(user.userId));
  if (exists.step()) {
    throw Error("The post office already has a user \"" + platform::toUtf8(user.userId) + "\"");
  }
  std::u16string display = user.displayName;
  if (display.empty()) {
    display = user.firstName;
    if (!user.lastName.empty()) display += (display.empty() ? u"" : u" ") + user.lastName;
  }
  if (display.empty()) display = user.userId;
  std::u16string email = user.email.empty() ? user.userId + u"@localhost" : user.email;
  Statement ins = db_.prepare(
      "INSERT INTO users(userid, kind, display_name, first_name, last_name, email, title, "
      "department, phone) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?)");
  ins.bind(1, std::u16string_view(user.userId))
      .bind(2, user.kind)
      .bind(3, std::u16string_view(display))
      .bind(4, std::u16string_view(user.firstName))
      .bind(5, std::u16string_view(user.lastName))
      .bind(6, std::u16string_view(email))
      .bind(7, std::u16string_view(user.title))
      .bind(8, std::u16string_view(user.department))
      .bind(9, std::u16string_view(user.phone))
      .run();
  std::int64_t id = db_.lastInsertId();
  if (user.kind == kPerson) {
    addBookLocked(id, kFrequentContacts);
    addBookLocked(id, display);
  }
  return id;
}

std::int64_t PostOffice::addUser(const NewUser& user) {
  std::lock_guard lock(dbMutex_);
  flushLocked();
  std::int64_t id = 0;
  inTransaction(db_, [&] { id = addUserLocked(user); });
  return id;
}

void PostOffice::grantProxy(std::int64_t owner, std::int64_t grantee) {
  std::lock_guard lock(dbMutex_);
  Statement st = db_.prepare("INSERT OR IGNORE INTO proxy_grants(owner, grantee) VALUES(?, ?)");
  st.bind(1, owner).bind(2, grantee).run();
}

bool PostOffice::revokeProxy(std::int64_t owner, std::int64_t grantee) {
  std::lock_guard lock(dbMutex_);
  Statement st = db_.prepare("DELETE FROM proxy_grants WHERE owner = ? AND grantee = ?");
  st.bind(1, owner).bind(2, grantee).run();
  return sqlite3_changes(db_.handle()) > 0;
}

// ---- address books ----

std::vector<BookRecord> PostOffice::books(std::int64_t owner) {
  std::lock_guard lock(dbMutex_);
  flushLocked();
  std::vector<BookRecord> out{{0, kSystemBook}};
  Statement st = db_.prepare("SELECT id, name FROM books WHERE owner = ? ORDER BY id");
  st.bind(1, owner);
  while (st.step()) out.push_back({st.int64(0), st.text16(1)});
  return out;
}

std::int64_t PostOffice::addBookLocked(std::int64_t owner, const std::u16string& name) {
  if (name.empty()) throw Error("An address book needs a name");
  if (platform::toUtf8(name) == platform::toUtf8(kSystemBook)) {
    throw Error("The name \"Novell GroupWise Address Book\" belongs to the system address book");
  }
  Statement exists = db_.prepare("SELECT 1 FROM books WHERE owner = ? AND name = ? COLLATE NOCASE");
  exists.bind(1, owner).bind(2, std::u16string_view(name));
  if (exists.step()) {
    throw Error("The mailbox already has an address book \"" + platform::toUtf8(name) + "\"");
  }
  Statement ins = db_.prepare("INSERT INTO books(owner, name) VALUES(?, ?)");
  ins.bind(1, owner).bind(2, std::u16string_view(name)).run();
  std::int64_t id = db_.lastInsertId();
  Statement def =
      db_.prepare("INSERT INTO field_defs(book, position, name, type) VALUES(?, ?, ?, ?)");
  int pos = 0;
  for (const FieldDef& f : standardFieldDefs()) {
    def.bind(1, id).bind(2, pos++).bind(3, std::u16string_view(f.name)).bind(4, f.type).run();
  }
  return id;
}

std::int64_t PostOffice::addBook(std::int64_t owner, const std::u16string& name) {
  std::lock_guard lock(dbMutex_);
  flushLocked();
  std::int64_t id = 0;
  inTransaction(db_, [&] { id = addBookLocked(owner, name); });
  return id;
}

std::vector<FieldDef> PostOffice::fieldDefs(std::int64_t book) {
  if (book == 0) return systemFieldDefs();
  std::lock_guard lock(dbMutex_);
  Statement st = db_.prepare("SELECT name, type FROM field_defs WHERE book = ? ORDER BY position");
  st.bind(1, book);
  std::vector<FieldDef> out;
  while (st.step()) out.push_back({st.text16(0), st.int32(1)});
  return out;
}

void PostOffice::addFieldDef(std::int64_t book, const std::u16string& name, int type) {
  if (book == 0) throw Error("The system address book is read-only");
  if (name.empty()) throw Error("A field definition needs a name");
  if (type < kFieldText || type > kFieldDate) throw Error("Unknown field type");
  std::lock_guard lock(dbMutex_);
  inTransaction(db_, [&] {
    Statement exists = db_.prepare("SELECT 1 FROM field_defs WHERE book = ? AND name = ?");
    exists.bind(1, book).bind(2, std::u16string_view(name));
    if (exists.step()) {
      throw Error("The address book already defines the field \"" + platform::toUtf8(name) + "\"");
    }
    Statement ins = db_.prepare(
        "INSERT INTO field_defs(book, position, name, type) "
        "SELECT ?, COALESCE(MAX(position), -1) + 1, ?, ? FROM field_defs WHERE book = ?");
    ins.bind(1, book).bind(2, std::u16string_view(name)).bind(3, type).bind(4, book).run();
  });
}

std::vector<std::shared_ptr<EntryRow>> PostOffice::entries(std::int64_t book) {
  std::lock_guard lock(dbMutex_);
  flushLocked();
  std::vector<std::shared_ptr<EntryRow>> out;
  if (book == 0) {
    Statement st = db_.prepare(std::string("SELECT ") + kUserColumns + " FROM users ORDER BY id");
    while (st.step()) {
      UserRecord u = readUser(st);
      auto e = std::make_shared<EntryRow>();
      e->id = u.id;
      e->objType = u.kind;
      auto add = [&](const char16_t* n, const std::u16string& v) {
        e->fields.push_back({n, kFieldText, v, false});
      };
      add(u"Name", u.displayName);
      add(u"First Name", u.firstName);
      add(u"Last Name", u.lastName);
      add(u"User ID", u.userId);
      add(u"E-Mail Address", u.email);
      add(u"E-Mail Type", u"NGW");
      add(u"Title", u.title);
      add(u"Department", u.department);
      add(u"Office Phone Number", u.phone);
      out.push_back(std::move(e));
    }
    return out;
  }
  Statement st = db_.prepare(
      "SELECT e.id, e.obj_type, f.name, f.type, f.value FROM entries e "
      "LEFT JOIN entry_fields f ON f.entry = e.id WHERE e.book = ? ORDER BY e.id");
  st.bind(1, book);
  while (st.step()) {
    std::int64_t id = st.int64(0);
    if (out.empty() || out.back()->id != id) {
      auto e = std::make_shared<EntryRow>();
      e->id = id;
      e->book = book;
      e->objType = st.int32(1);
      out.push_back(std::move(e));
    }
    if (!st.isNull(2))
      out.back()->fields.push_back({st.text16(2), st.int32(3), st.text16(4), false});
  }
  return out;
}

std::shared_ptr<EntryRow> PostOffice::newEntry(std::int64_t book, int objType,
                                               std::vector<EntryField> fields) {
  auto row = std::make_shared<EntryRow>();
  row->book = book;
  row->objType = objType;
  row->fields = std::move(fields);
  for (EntryField& f : row->fields) f.dirty = true;
  bool backlog;
  {
    std::lock_guard lock(stateMutex_);
    checkWriteError();
    entryChanged(row);
    backlog = dirtyItems_.size() + dirtyEntries_.size() > kMaxPendingRows;
  }
  if (backlog) flush();
  return row;
}

// ---- items ----

std::vector<std::shared_ptr<ItemRow>> PostOffice::items(std::int64_t owner,
                                                        const std::string& whereSql) {
  std::lock_guard lock(dbMutex_);
  flushLocked();
  std::string sql = std::string("SELECT ") + kItemColumns + " FROM items WHERE owner = ?";
  if (!whereSql.empty()) sql += " AND " + whereSql;
  sql += " ORDER BY start_date, id";
  Statement st = db_.prepare(sql);
  st.bind(1, owner);
  std::vector<std::shared_ptr<ItemRow>> out;
  while (st.step()) out.push_back(readItem(st));
  return out;
}

std::shared_ptr<ItemRow> PostOffice::newItem(std::int64_t owner, const std::u16string& className,
                                             int boxType, const std::u16string& from) {
  auto row = std::make_shared<ItemRow>();
  row->owner = owner;
  row->className = className;
  row->boxType = boxType;
  row->created = row->modified = nowSeconds();
  row->assigned = row->created;
  row->from = from;
  bool backlog;
  {
    std::lock_guard lock(stateMutex_);
    checkWriteError();
    itemChanged(row, ~0u);
    backlog = dirtyItems_.size() + dirtyEntries_.size() > kMaxPendingRows;
  }
  if (backlog) flush();
  return row;
}

// ---- writing behind ----

void PostOffice::checkWriteError() {
  if (writeError_.empty()) return;
  std::string msg = std::move(writeError_);
  writeError_.clear();
  throw Error("The post office could not save changes: " + msg);
}

void PostOffice::scheduleLocked() {
  if (dirtyItems_.empty() && dirtyEntries_.empty()) {
    deadline_ = Clock::now() + kWriteDelay;
    wake_.notify_all();
  }
}

void PostOffice::itemChanged(const std::shared_ptr<ItemRow>& row, unsigned columns) {
  row->dirty |= columns;
  if (row->queued) return;
  scheduleLocked();
  row->queued = true;
  dirtyItems_.push_back(row);
}

void PostOffice::entryChanged(const std::shared_ptr<EntryRow>& row) {
  if (row->queued) return;
  scheduleLocked();
  row->queued = true;
  dirtyEntries_.push_back(row);
}

void PostOffice::writerLoop() {
  std::unique_lock lock(stateMutex_);
  while (!stopping_) {
    if (dirtyItems_.empty() && dirtyEntries_.empty()) {
      wake_.wait(lock);
      continue;
    }
    if (Clock::now() < deadline_) {
      wake_.wait_until(lock, deadline_);
      continue;
    }
    lock.unlock();
    try {
      flush();
      if (walPages_.load() >= kCheckpointPages) {
        if (!checkpointDb_.handle()) {
          checkpointDb_.open(path_, SQLITE_OPEN_READWRITE);
          sqlite3_busy_timeout(checkpointDb_.handle(), kBusyTimeoutMs);
        }
        // A passive checkpoint copies what it can without holding up any writer.
        sqlite3_wal_checkpoint_v2(checkpointDb_.handle(), "main", SQLITE_CHECKPOINT_PASSIVE,
                                  nullptr, nullptr);
        walPages_.store(0);
      }
    } catch (const std::exception& e) {
      std::lock_guard relock(stateMutex_);
      writeError_ = e.what();
    }
    lock.lock();
    if (!writeError_.empty() && !stopping_) {
      // Try again a little later rather than spin on a full disk.
      wake_.wait_for(lock, std::chrono::milliseconds(500));
    }
  }
}

void PostOffice::flush() {
  std::lock_guard lock(dbMutex_);
  flushLocked();
}

Statement& PostOffice::updateStatement(unsigned mask) {
  auto it = updateStatements_.find(mask);
  if (it != updateStatements_.end()) return it->second;
  std::string sql = "UPDATE items SET modified_date = ?2";
  if (mask & (kColStart | kColDuration | kColDue)) {
    sql += ", start_date = ?3, duration = ?4, due_date = ?5, end_date = ?6";
  }
  if (mask & kColSubject) sql += ", subject = ?7";
  if (mask & kColBody) sql += ", body = ?8";
  if (mask & kColPlace) sql += ", place = ?9";
  if (mask & kColCompleted) sql += ", completed = ?10";
  if (mask & kColPriority) sql += ", priority = ?11";
  sql += " WHERE id = ?1";
  return updateStatements_.emplace(mask, db_.prepare(sql)).first->second;
}

void PostOffice::flushLocked() {
  struct ItemSnap {
    ItemRow data;
    unsigned mask;
    std::shared_ptr<ItemRow> row;
  };
  struct EntrySnap {
    std::int64_t id;
    std::int64_t book;
    int objType;
    std::vector<EntryField> fields;  // the changed ones
    std::shared_ptr<EntryRow> row;
  };
  std::vector<ItemSnap> items;
  std::vector<EntrySnap> entries;
  {
    std::lock_guard lock(stateMutex_);
    if (dirtyItems_.empty() && dirtyEntries_.empty()) return;
    items.reserve(dirtyItems_.size());
    for (auto& p : dirtyItems_) {
      ItemRow& r = *p;
      ItemSnap s{r, r.dirty, p};
      r.dirty = 0;
      r.queued = false;
      items.push_back(std::move(s));
    }
    for (auto& p : dirtyEntries_) {
      EntryRow& r = *p;
      EntrySnap s{r.id, r.book, r.objType, {}, p};
      for (EntryField& f : r.fields) {
        if (f.dirty) s.fields.push_back(f);
        f.dirty = false;
      }
      r.queued = false;
      entries.push_back(std::move(s));
    }
    dirtyItems_.clear();
    dirtyEntries_.clear();
  }
  std::vector<std::pair<ItemRow*, std::int64_t>> newItemIds;
  std::vector<std::pair<EntryRow*, std::int64_t>> newEntryIds;
  try {
    db_.exec("BEGIN IMMEDIATE");
    Statement insItem = db_.prepare(
        "INSERT INTO items(owner, class, box_type, start_date, end_date, duration, due_date, "
        "assigned_date, creation_date, modified_date, subject, body, place, from_text, completed, "
        "priority) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    for (ItemSnap& s : items) {
      const ItemRow& d = s.data;
      if (d.id == 0) {
        insItem.bind(1, d.owner)
            .bind(2, std::u16string_view(d.className))
            .bind(3, d.boxType)
            .bind(4, d.start)
            .bind(5, d.end())
            .bind(6, d.duration)
            .bind(7, d.due)
            .bind(8, d.assigned)
            .bind(9, d.created)
            .bind(10, d.modified)
            .bind(11, std::u16string_view(d.subject))
            .bind(12, std::u16string_view(d.body))
            .bind(13, std::u16string_view(d.place))
            .bind(14, std::u16string_view(d.from))
            .bind(15, d.completed ? 1 : 0);
        bindPriority(insItem, 16, d.priority);
        insItem.run();
        newItemIds.emplace_back(s.row.get(), db_.lastInsertId());
      } else {
        Statement& up = updateStatement(s.mask & ~kColModified);
        up.bind(1, d.id).bind(2, d.modified);
        if (s.mask & (kColStart | kColDuration | kColDue)) {
          up.bind(3, d.start).bind(4, d.duration).bind(5, d.due).bind(6, d.end());
        }
        if (s.mask & kColSubject) up.bind(7, std::u16string_view(d.subject));
        if (s.mask & kColBody) up.bind(8, std::u16string_view(d.body));
        if (s.mask & kColPlace) up.bind(9, std::u16string_view(d.place));
        if (s.mask & kColCompleted) up.bind(10, d.completed ? 1 : 0);
        if (s.mask & kColPriority) bindPriority(up, 11, d.priority);
        up.run();
      }
    }
    Statement insEntry = db_.prepare("INSERT INTO entries(book, obj_type) VALUES(?, ?)");
    Statement putField = db_.prepare(
        "INSERT OR REPLACE INTO entry_fields(entry, name, type, value) VALUES(?, ?, ?, ?)");
    for (EntrySnap& s : entries) {
      std::int64_t id = s.id;
      if (id == 0) {
        insEntry.bind(1, s.book).bind(2, s.objType).run();
        id = db_.lastInsertId();
        newEntryIds.emplace_back(s.row.get(), id);
      }
      for (const EntryField& f : s.fields) {
        putField.bind(1, id).bind(2, std::u16string_view(f.name)).bind(3, f.type);
        putField.bind(4, std::u16string_view(f.value)).run();
      }
    }
    db_.exec("COMMIT");
  } catch (...) {
    sqlite3_exec(db_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    // Nothing was written: queue the changes again for the next attempt.
    std::lock_guard lock(stateMutex_);
    for (ItemSnap& s : items) itemChanged(s.row, s.mask);
    for (EntrySnap& s : entries) {
      for (const EntryField& snap : s.fields) {
        for (EntryField& f : s.row->fields) {
          if (f.name == snap.name) f.dirty = true;
        }
      }
      entryChanged(s.row);
    }
    throw;
  }
  std::lock_guard lock(stateMutex_);
  for (auto& [row, id] : newItemIds) row->id = id;
  for (auto& [row, id] : newEntryIds) row->id = id;
}

}  // namespace gw::standin
