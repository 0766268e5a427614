// The post office file: opening with its checks, creation, the schema and its
// migration, waiting for other programs, users, proxy grants and address books.
// Items and entries and the writing behind are in rows.cpp.
#include "groupwise/standin/postoffice.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <set>

#include "groupwise/gwapi.h"
#include "groupwise/standin/internal.h"
#include "platform/ansi.h"
#include "platform/locale.h"
#include "platform/oledate.h"

namespace gw::standin {
namespace {

constexpr std::int64_t kApplicationId = 0x4D57504F;  // "MWPO"
// 1: the first layout. 2: entries keep a modification date, and identities of items
// and entries are handed out in blocks (postoffice keys next_item_id, next_entry_id).
constexpr std::int64_t kSchemaVersion = 2;

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
  obj_type INTEGER NOT NULL,
  modified_date INTEGER);
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

std::atomic<std::int64_t> g_waitLimitMs{60000};
// Up to this size (file and write-ahead log) the whole file is checked when it is
// opened; above it, a check that reads a few dozen pages.
std::atomic<std::int64_t> g_fullCheckBytes{8ll << 20};

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

[[noreturn]] void notAPostOffice(const std::string& path, const std::string& why) {
  throw StoreError("The file " + path + " is not a GroupWise post office (" + why + ")");
}

std::string folderOf(const std::string& path) {
  auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::uint32_t bigEndian32(const unsigned char* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         std::uint32_t{p[3]};
}

// Checks what can be checked without SQLite: the file is there, readable, an SQLite
// file of this program, and the file and its folder can be written.
void checkFile(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    throw StoreError("Cannot open the post office " + path + ": " + std::strerror(errno));
  }
  if (S_ISDIR(st.st_mode)) {
    throw StoreError("Cannot open the post office " + path + ": it is a folder, not a file");
  }
  if (!S_ISREG(st.st_mode)) {
    throw StoreError("Cannot open the post office " + path + ": it is not a regular file");
  }
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    throw StoreError("Cannot open the post office " + path + ": " + std::strerror(errno));
  }
  unsigned char header[100];
  ssize_t n = ::pread(fd, header, sizeof header, 0);
  int readErr = errno;
  ::close(fd);
  if (n < 0) {
    throw StoreError("Cannot open the post office " + path + ": " + std::strerror(readErr));
  }
  if (n < static_cast<ssize_t>(sizeof header) || std::memcmp(header, "SQLite format 3", 16) != 0) {
    notAPostOffice(path, "unknown file format");
  }
  if (bigEndian32(header + 68) != kApplicationId) notAPostOffice(path, "a file of another program");
  if (::access(path.c_str(), W_OK) != 0) {
    throw StoreError(
        "The post office " + path + " is read-only: " +
        (errno == EROFS ? "it is on a read-only file system" : "you may not change the file"));
  }
  if (::access(folderOf(path).c_str(), W_OK | X_OK) != 0) {
    throw StoreError("The post office " + path +
                     " is in a read-only folder: files beside it cannot be created");
  }
}

// Waits for another program's lock in short steps, letting the window repaint between
// them, up to the wait limit. Runs inside SQLite, on the thread of the call.
int waitForLock(void*, int attempt) {
  using namespace std::chrono;
  thread_local steady_clock::time_point since;
  auto now = steady_clock::now();
  if (attempt == 0) since = now;
  if (now - since >= milliseconds(g_waitLimitMs.load())) return 0;
  static constexpr int kSteps[] = {1, 2, 5, 10};
  int ms = attempt < 4 ? kSteps[attempt] : 20;
  std::this_thread::sleep_for(milliseconds(ms));
  gw::api::runWaitHook();
  return 1;
}

// Long statements (a search over a large calendar, a large commit) let the window
// repaint as a wait for another program does; only on the thread that set the hook.
int keepWindowGoing(void*) {
  using namespace std::chrono;
  thread_local steady_clock::time_point last;
  auto now = steady_clock::now();
  if (now - last >= milliseconds(20)) {
    last = now;
    gw::api::runWaitHook();
  }
  return 0;
}

constexpr int kCheckpointPages = 4000;

int countWalPages(void* counter, sqlite3*, const char*, int pages) {
  static_cast<std::atomic<int>*>(counter)->store(pages);
  return SQLITE_OK;
}

}  // namespace

void waitForOtherPrograms(Database& db) {
  sqlite3_busy_handler(db.handle(), waitForLock, nullptr);
}

std::int64_t nowSeconds() {
  return platform::dateToSeconds(platform::nowDate());
}

std::optional<std::int64_t> ItemData::end() const {
  if (isTask()) return due;
  if (!start) return std::nullopt;
  return *start + std::llround(duration * 86400.0);
}

void PostOffice::setLockWaitLimit(std::chrono::milliseconds limit) {
  g_waitLimitMs.store(limit.count());
}

std::chrono::milliseconds PostOffice::lockWaitLimit() {
  return std::chrono::milliseconds(g_waitLimitMs.load());
}

void PostOffice::setFullCheckBytes(std::int64_t bytes) {
  g_fullCheckBytes.store(bytes);
}

// ---- waiting for the connection ----

PostOffice::DbLock::DbLock(PostOffice& po) : po_(po) {
  using namespace std::chrono;
  if (po.dbOwner_.load() == std::this_thread::get_id()) {
    // A call made from the wait hook while this thread waits inside another call.
    throw StoreError("The post office " + po.path_ + " is still busy with an earlier call");
  }
  auto since = steady_clock::now();
  while (!po.dbMutex_.try_lock_for(milliseconds(20))) {
    gw::api::runWaitHook();
    if (steady_clock::now() - since >= lockWaitLimit()) {
      throw StoreError("The post office is in use by another program: " + po.path_);
    }
  }
  po.dbOwner_.store(std::this_thread::get_id());
}

PostOffice::DbLock::~DbLock() {
  po_.dbOwner_.store(std::thread::id());
  po_.dbMutex_.unlock();
}

// ---- opening and creating ----

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
  checkFile(path);
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
  // The connection is used under dbMutex_ only, so SQLite need not lock it again.
  db_.open(path_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX);
  db_.setOpening(true);
  waitForOtherPrograms(db_);
  if (sqlite3_db_readonly(db_.handle(), "main") == 1) {
    db_.close();
    throw StoreError("The post office " + path_ + " is read-only: you may not change the file");
  }
  // Reading only: nothing is written to a file until it is known to be a sound post
  // office.
  int version = 0;
  try {
    Statement ver = db_.prepare("SELECT value FROM postoffice WHERE key = 'schema'");
    if (ver.step()) version = std::atoi(ver.text(0).c_str());
  } catch (const StoreError&) {
    int code = db_.lastFailure() & 0xff;
    db_.close();
    if (code == SQLITE_ERROR) notAPostOffice(path_, "it has no post office tables");
    throw;
  }
  if (version > kSchemaVersion) {
    db_.close();
    throw StoreError("The post office " + path_ +
                     " was made by a newer version of this program (layout " +
                     std::to_string(version) + ")");
  }
  if (version < 1) {
    db_.close();
    notAPostOffice(path_, "unknown version");
  }
  try {
    // Every page is checked as it is read, so a damaged page is met with an error
    // before anything is written to it.
    db_.exec("PRAGMA cell_size_check = ON");
    checkIntegrity();
    if (version < kSchemaVersion) migrate(version);
    db_.exec("PRAGMA foreign_keys = ON");
    db_.exec("PRAGMA synchronous = NORMAL");
    db_.exec("PRAGMA cache_size = -16000");
    // The writer thread checkpoints instead (see writerLoop).
    db_.exec("PRAGMA wal_autocheckpoint = 0");
  } catch (...) {
    db_.close();
    throw;
  }
  db_.setOpening(false);
  sqlite3_wal_hook(db_.handle(), countWalPages, &walPages_);
  sqlite3_progress_handler(db_.handle(), 10000, keepWindowGoing, nullptr);
}

void PostOffice::checkIntegrity() {
  auto damaged = [&](const std::string& why) {
    throw StoreError("The post office " + path_ + " is damaged (" + why + ")");
  };
  struct stat st {};
  std::int64_t bytes = ::stat(path_.c_str(), &st) == 0 ? st.st_size : 0;
  if (::stat((path_ + "-wal").c_str(), &st) == 0) bytes += st.st_size;
  if (bytes <= g_fullCheckBytes.load()) {
    Statement check = db_.prepare("PRAGMA quick_check(1)");
    if (!check.step() || check.text(0) != "ok") damaged(check.text(0));
    return;
  }
  // A large file: the header, the schema, both ends of every table and index, and a
  // few rows from the middle of the large tables. Damage elsewhere is reported by
  // SQLite when a call meets it, and nothing is written to a damaged page.
  Statement size = db_.prepare("PRAGMA page_count");
  size.step();
  std::int64_t pages = size.int64(0);
  Statement freelist = db_.prepare("PRAGMA freelist_count");
  freelist.step();
  if (freelist.int64(0) > pages) damaged("the free-page count exceeds the page count");
  Statement roots = db_.prepare("SELECT rootpage FROM sqlite_schema WHERE rootpage <> 0");
  while (roots.step()) {
    if (roots.int64(0) > pages) damaged("a table begins past the end of the file");
  }
  // Each reads the pages from a table's root to one of its ends (a min() and a max()
  // together would read the whole table).
  static const char* kEnds[] = {
      "SELECT min(id) FROM users",
      "SELECT max(id) FROM users",
      "SELECT min(userid) FROM users",
      "SELECT max(userid) FROM users",
      "SELECT min(id) FROM books",
      "SELECT max(id) FROM books",
      "SELECT count(*) FROM (SELECT 1 FROM postoffice LIMIT 64)",
      "SELECT owner, grantee FROM proxy_grants ORDER BY owner, grantee LIMIT 1",
      "SELECT owner, grantee FROM proxy_grants ORDER BY owner DESC, grantee DESC LIMIT 1",
      "SELECT book, position FROM field_defs ORDER BY book, position LIMIT 1",
      "SELECT book, position FROM field_defs ORDER BY book DESC, position DESC LIMIT 1",
      "SELECT book, name FROM field_defs INDEXED BY sqlite_autoindex_field_defs_2 "
      "ORDER BY book DESC, name DESC LIMIT 1",
      "SELECT entry, name FROM entry_fields ORDER BY entry, name LIMIT 1",
      "SELECT entry, name FROM entry_fields ORDER BY entry DESC, name DESC LIMIT 1",
      "SELECT book, id FROM entries INDEXED BY entries_by_book ORDER BY book, id LIMIT 1",
      "SELECT book, id FROM entries INDEXED BY entries_by_book "
      "ORDER BY book DESC, id DESC LIMIT 1",
      "SELECT owner, start_date, id FROM items INDEXED BY items_by_owner "
      "ORDER BY owner, start_date, id LIMIT 1",
      "SELECT owner, start_date, id FROM items INDEXED BY items_by_owner "
      "ORDER BY owner DESC, start_date DESC, id DESC LIMIT 1",
  };
  for (const char* sql : kEnds) {
    Statement ends = db_.prepare(sql);
    while (ends.step()) {
    }
  }
  // A few rows from anywhere in the two large tables, with their overflow pages.
  std::minstd_rand rng(static_cast<unsigned>(pages));
  for (const char* table : {"items", "entries"}) {
    auto end = [&](const char* order) {
      Statement q = db_.prepare(std::string("SELECT id FROM ") + table + " ORDER BY id " + order +
                                " LIMIT 1");
      return q.step() ? q.int64(0) : 0;
    };
    std::int64_t lo = end("ASC"), hi = end("DESC");
    if (hi < lo || hi == 0) continue;
    Statement probe =
        db_.prepare(std::string("SELECT * FROM ") + table + " WHERE id >= ? ORDER BY id LIMIT 1");
    for (int i = 0; i < 8; ++i) {
      probe.bind(1, lo + static_cast<std::int64_t>(rng() % static_cast<unsigned>(hi - lo + 1)));
      while (probe.step()) {
      }
      probe.reset();
    }
  }
}

void PostOffice::migrate(int version) {
  db_.setOpening(false);  // from here on a full disk is a failure to save
  inTransaction(db_, [&] {
    // Another program may have migrated it meanwhile.
    Statement ver = db_.prepare("SELECT value FROM postoffice WHERE key = 'schema'");
    ver.step();
    if (std::atoi(ver.text(0).c_str()) != version) return;
    if (version < 2) db_.exec("ALTER TABLE entries ADD COLUMN modified_date INTEGER");
    Statement set = db_.prepare("UPDATE postoffice SET value = ? WHERE key = 'schema'");
    set.bind(1, std::to_string(kSchemaVersion)).run();
  });
  db_.setOpening(true);
}

bool PostOffice::create(const std::string& path, const NewUser& firstUser) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0) return false;
  std::string folder = folderOf(path);
  // A new file of an unpredictable name, made here and not through a link.
  std::string tmp = path + ".new-XXXXXX";
  int fd = ::mkstemp(tmp.data());
  if (fd < 0) {
    int err = errno;
    if (err == ENOSPC || err == EDQUOT) {
      throw StoreError("No space left to create the post office " + path);
    }
    if (err == EACCES || err == EPERM || err == EROFS) {
      throw StoreError("Cannot create the post office " + path + ": the folder " + folder +
                       " is read-only");
    }
    throw StoreError("Cannot create the post office " + path + ": " + std::strerror(err));
  }
  ::fchmod(fd, 0600);
  ::close(fd);
  try {
    PostOffice po(tmp);
    po.db_.open(tmp, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW);
    po.db_.exec("PRAGMA journal_mode = OFF");  // a failed creation removes the file
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
    po.db_.close();
  } catch (const StoreError& e) {
    ::unlink(tmp.c_str());
    std::string text = e.what();
    // The temporary name means nothing to the user.
    for (auto at = text.find(tmp); at != std::string::npos; at = text.find(tmp, at + 1)) {
      text.replace(at, tmp.size(), path);
    }
    if (text.rfind("No space left", 0) == 0) {
      throw StoreError("No space left to create the post office " + path);
    }
    throw StoreError(text);
  } catch (...) {
    ::unlink(tmp.c_str());
    throw;
  }
  // link() fails rather than replace a post office another process made meanwhile.
  int rc = ::link(tmp.c_str(), path.c_str());
  int err = errno;
  if (rc != 0 && err != EEXIST) {
    // A file system without hard links: a rename that also refuses to replace.
    rc = ::renameat2(AT_FDCWD, tmp.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE);
    err = errno;
  }
  ::unlink(tmp.c_str());
  if (rc != 0) {
    if (err == EEXIST) return false;
    throw StoreError("Cannot create the post office " + path + ": " + std::strerror(err));
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
    try {
      releaseUnusedIds();
    } catch (const std::exception&) {
      // They stay unused: identities need not be dense.
    }
  }
  statements_.clear();
  updateStatements_.clear();
}

Statement& PostOffice::cached(const char* key, const std::string& sql) {
  auto it = statements_.find(key);
  if (it != statements_.end()) return it->second;
  return statements_.emplace(key, db_.prepare(sql)).first->second;
}

// ---- users ----

std::optional<UserRecord> PostOffice::findUser(std::u16string_view userId) {
  DbLock lock(*this);
  flushLocked();
  Statement st =
      db_.prepare(std::string("SELECT ") + kUserColumns + " FROM users WHERE userid = ?");
  st.bind(1, userId);
  if (!st.step()) return std::nullopt;
  return readUser(st);
}

std::optional<UserRecord> PostOffice::userById(std::int64_t id) {
  DbLock lock(*this);
  Statement st = db_.prepare(std::string("SELECT ") + kUserColumns + " FROM users WHERE id = ?");
  st.bind(1, id);
  if (!st.step()) return std::nullopt;
  return readUser(st);
}

std::vector<UserRecord> PostOffice::users() {
  DbLock lock(*this);
  Statement st = db_.prepare(std::string("SELECT ") + kUserColumns + " FROM users ORDER BY id");
  std::vector<UserRecord> out;
  while (st.step()) out.push_back(readUser(st));
  return out;
}

bool PostOffice::proxyGranted(std::int64_t owner, std::int64_t grantee) {
  DbLock lock(*this);
  Statement st = db_.prepare("SELECT 1 FROM proxy_grants WHERE owner = ? AND grantee = ?");
  st.bind(1, owner).bind(2, grantee);
  return st.step();
}

std::vector<std::pair<std::u16string, std::u16string>> PostOffice::proxyGrants() {
  DbLock lock(*this);
  Statement st = db_.prepare(
      "SELECT o.userid, g.userid FROM proxy_grants p JOIN users o ON o.id = p.owner "
      "JOIN users g ON g.id = p.grantee ORDER BY o.userid, g.userid");
  std::vector<std::pair<std::u16string, std::u16string>> out;
  while (st.step()) out.emplace_back(st.text16(0), st.text16(1));
  return out;
}

std::vector<UserRecord> PostOffice::proxyGrantors(std::int64_t grantee) {
  DbLock lock(*this);
  Statement st = db_.prepare(std::string("SELECT ") + kUserColumns +
                             " FROM users WHERE id IN (SELECT owner FROM proxy_grants WHERE "
                             "grantee = ?) ORDER BY userid");
  st.bind(1, grantee);
  std::vector<UserRecord> out;
  while (st.step()) out.push_back(readUser(st));
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
  DbLock lock(*this);
  flushLocked();
  std::int64_t id = 0;
  inTransaction(db_, [&] { id = addUserLocked(user); });
  return id;
}

void PostOffice::grantProxy(std::int64_t owner, std::int64_t grantee) {
  DbLock lock(*this);
  Statement st = db_.prepare("INSERT OR IGNORE INTO proxy_grants(owner, grantee) VALUES(?, ?)");
  st.bind(1, owner).bind(2, grantee).run();
}

bool PostOffice::revokeProxy(std::int64_t owner, std::int64_t grantee) {
  DbLock lock(*this);
  Statement st = db_.prepare("DELETE FROM proxy_grants WHERE owner = ? AND grantee = ?");
  st.bind(1, owner).bind(2, grantee).run();
  return sqlite3_changes(db_.handle()) > 0;
}

// ---- address books ----

std::vector<BookRecord> PostOffice::books(std::int64_t owner) {
  DbLock lock(*this);
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
  DbLock lock(*this);
  flushLocked();
  std::int64_t id = 0;
  inTransaction(db_, [&] { id = addBookLocked(owner, name); });
  return id;
}

std::vector<FieldDef> PostOffice::fieldDefs(std::int64_t book) {
  if (book == 0) return systemFieldDefs();
  DbLock lock(*this);
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
  DbLock lock(*this);
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

// ---- the writer thread ----

void PostOffice::writerLoop() {
  std::unique_lock lock(stateMutex_);
  while (!stopping_) {
    if (pendingItems_.empty() && pendingEntries_.empty()) {
      wake_.wait(lock);
      continue;
    }
    if (std::chrono::steady_clock::now() < deadline_) {
      wake_.wait_until(lock, deadline_);
      continue;
    }
    lock.unlock();
    bool failed = false;
    try {
      {
        std::lock_guard db(dbMutex_);  // waits as long as it takes, without the hook
        flushLocked();
      }
      if (walPages_.load() >= kCheckpointPages) {
        if (!checkpointDb_.handle()) {
          checkpointDb_.open(path_, SQLITE_OPEN_READWRITE);
          waitForOtherPrograms(checkpointDb_);
        }
        // A passive checkpoint copies what it can without holding up any writer.
        sqlite3_wal_checkpoint_v2(checkpointDb_.handle(), "main", SQLITE_CHECKPOINT_PASSIVE,
                                  nullptr, nullptr);
        walPages_.store(0);
      }
    } catch (const std::exception& e) {
      std::lock_guard relock(stateMutex_);
      failure_ = e.what();
      failurePending_.store(true);
      failed = true;
    }
    lock.lock();
    if (failed && !stopping_) {
      // Try again a little later rather than spin on a full disk.
      wake_.wait_for(lock, std::chrono::milliseconds(500));
    }
  }
}

void PostOffice::raisePendingFailure() {
  if (!failurePending_.load(std::memory_order_relaxed)) return;
  std::string text;
  {
    std::lock_guard lock(stateMutex_);
    if (!failurePending_.load()) return;
    text = std::move(failure_);
    failure_.clear();
    failurePending_.store(false);
  }
  throw StoreError(text);
}

}  // namespace gw::standin
