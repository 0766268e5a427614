// The stand-in post office: mailboxes, address books and calendars in one SQLite file
// that several processes share. Changes are written behind: each change is committed
// within a few tens of milliseconds by a background writer, at once before any read of
// the file, and when the post office is closed.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "groupwise/standin/db.h"
#include "groupwise/variant.h"

namespace gw::standin {

inline constexpr const char16_t* kSystemBook = u"Novell GroupWise Address Book";
inline constexpr const char16_t* kFrequentContacts = u"Frequent Contacts";

// Field types of address-book fields.
inline constexpr int kFieldText = 1;
inline constexpr int kFieldNumber = 2;
inline constexpr int kFieldDate = 3;

// Kinds of address-book entry (ObjType).
inline constexpr int kPerson = 1;
inline constexpr int kResource = 2;
inline constexpr int kGroup = 3;
inline constexpr int kOrganization = 4;

struct UserRecord {
  std::int64_t id = 0;
  std::u16string userId;
  std::u16string displayName;
  std::u16string firstName;
  std::u16string lastName;
  std::u16string email;
  std::u16string title;
  std::u16string department;
  std::u16string phone;
  int kind = kPerson;  // kPerson or kResource
};

struct BookRecord {
  std::int64_t id = 0;  // 0 is the system book
  std::u16string name;
};

struct FieldDef {
  std::u16string name;
  int type = kFieldText;
};

struct EntryField {
  std::u16string name;
  int type = kFieldText;
  std::u16string value;
  bool dirty = false;
};

struct EntryRow {
  std::int64_t id = 0;  // 0 until first written
  std::int64_t book = 0;
  int objType = kPerson;
  std::vector<EntryField> fields;
  bool queued = false;
};

// Columns of an item, as change flags.
enum ItemColumn : unsigned {
  kColStart = 1u << 0,
  kColDuration = 1u << 1,
  kColDue = 1u << 2,
  kColSubject = 1u << 3,
  kColBody = 1u << 4,
  kColPlace = 1u << 5,
  kColCompleted = 1u << 6,
  kColPriority = 1u << 7,
  kColModified = 1u << 8,
};

struct ItemRow {
  std::int64_t id = 0;  // 0 until first written
  std::int64_t owner = 0;
  std::u16string className;
  int boxType = 3;
  std::optional<std::int64_t> start;  // seconds since 1899-12-30
  std::optional<std::int64_t> due;
  std::optional<std::int64_t> assigned;
  double duration = 0;  // days
  std::int64_t created = 0;
  std::int64_t modified = 0;
  std::u16string subject, body, place, from;
  bool completed = false;
  Variant priority;  // empty, integer, real or text: as put
  unsigned dirty = 0;
  bool queued = false;

  bool isTask() const { return className == u"GW.MESSAGE.TASK"; }
  // The end: the due date of a task, else start plus duration.
  std::optional<std::int64_t> end() const;
};

struct NewUser {
  std::u16string userId;
  std::u16string displayName;  // empty: first and last name, else the user id
  std::u16string firstName;
  std::u16string lastName;
  std::u16string email;  // empty: userid@localhost
  std::u16string title;
  std::u16string department;
  std::u16string phone;
  int kind = kPerson;
};

class PostOffice {
 public:
  // Opens an existing post office; raises gw::Error when the file is missing, cannot
  // be opened for writing, or is not a post office. The file is then left untouched.
  static std::shared_ptr<PostOffice> open(const std::string& path);
  // Creates a post office holding one user's mailbox, in one step: a file that appears
  // meanwhile is kept. Returns false when the file already existed.
  static bool create(const std::string& path, const NewUser& firstUser);

  ~PostOffice();
  PostOffice(const PostOffice&) = delete;
  PostOffice& operator=(const PostOffice&) = delete;

  const std::string& path() const { return path_; }

  // Users and proxy grants.
  std::optional<UserRecord> findUser(std::u16string_view userId);
  std::optional<UserRecord> userById(std::int64_t id);
  std::vector<UserRecord> users();
  bool proxyGranted(std::int64_t owner, std::int64_t grantee);
  std::vector<std::pair<std::u16string, std::u16string>> proxyGrants();  // owner, grantee
  // Adds a user with a new mailbox; raises if the user id is taken.
  std::int64_t addUser(const NewUser& user);
  void grantProxy(std::int64_t owner, std::int64_t grantee);
  // False when there was no such grant.
  bool revokeProxy(std::int64_t owner, std::int64_t grantee);

  // Address books: the system book first, then the owner's personal books.
  std::vector<BookRecord> books(std::int64_t owner);
  std::int64_t addBook(std::int64_t owner, const std::u16string& name);
  std::vector<FieldDef> fieldDefs(std::int64_t book);
  void addFieldDef(std::int64_t book, const std::u16string& name, int type);
  std::vector<std::shared_ptr<EntryRow>> entries(std::int64_t book);
  std::shared_ptr<EntryRow> newEntry(std::int64_t book, int objType,
                                     std::vector<EntryField> fields);

  // Calendar items of one owner, ordered by start and then creation; whereSql narrows
  // them (empty: all).
  std::vector<std::shared_ptr<ItemRow>> items(std::int64_t owner, const std::string& whereSql);
  std::shared_ptr<ItemRow> newItem(std::int64_t owner, const std::u16string& className, int boxType,
                                   const std::u16string& from);

  // Changes to rows are made while holding stateMutex(); the caller then reports them.
  std::mutex& stateMutex() { return stateMutex_; }
  void itemChanged(const std::shared_ptr<ItemRow>& row, unsigned columns);  // stateMutex held
  void entryChanged(const std::shared_ptr<EntryRow>& row);                  // stateMutex held
  // Raises the error of a background write that failed, once.
  void checkWriteError();  // stateMutex held

  // Commits every change made so far.
  void flush();

  static std::vector<FieldDef> standardFieldDefs();
  static std::vector<FieldDef> systemFieldDefs();

 private:
  explicit PostOffice(std::string path);
  void openConnection();
  void flushLocked();  // dbMutex held
  void writerLoop();
  void scheduleLocked();                            // stateMutex held
  std::int64_t addUserLocked(const NewUser& user);  // in a transaction
  std::int64_t addBookLocked(std::int64_t owner, const std::u16string& name);
  Statement& updateStatement(unsigned mask);

  std::string path_;
  std::mutex dbMutex_;  // the connection and its statements; taken before stateMutex_
  Database db_;
  std::map<unsigned, Statement> updateStatements_;

  std::mutex stateMutex_;
  std::condition_variable wake_;
  std::vector<std::shared_ptr<ItemRow>> dirtyItems_;
  std::vector<std::shared_ptr<EntryRow>> dirtyEntries_;
  std::chrono::steady_clock::time_point deadline_;
  bool stopping_ = false;
  std::string writeError_;
  std::thread writer_;
  // Checkpoints of the write-ahead log run on a connection of their own in the writer
  // thread, so that no call waits for one.
  Database checkpointDb_;
  std::atomic<int> walPages_{0};
};

// The automation-date seconds of now, for creation and modification dates.
std::int64_t nowSeconds();

}  // namespace gw::standin
