// The stand-in post office: mailboxes, address books and calendars in one SQLite file
// that several processes share. Changes are written behind: each change is committed
// within a few tens of milliseconds by a background writer, at once before a search of
// the file, on Commit, and when the post office is closed. A commit that fails keeps
// its changes for the next attempt and is raised by the next call.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <unordered_map>
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

// What the post office stores of an entry.
struct EntryData {
  std::int64_t id = 0;    // given when the entry is made, never reused
  std::int64_t book = 0;  // 0: the system book, whose entries are the users
  int objType = kPerson;
  std::optional<std::int64_t> modified;  // none for entries of older post offices
  std::vector<EntryField> fields;
};

// An entry as the objects of this process share it: one row per entry while any object
// holds it. Changed while holding PostOffice::stateMutex().
struct EntryRow : EntryData {
  bool stored = false;  // written to the file at least once
  bool deleted = false;
  bool queued = false;  // has changes not yet committed
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

// What the post office stores of a calendar item.
struct ItemData {
  std::int64_t id = 0;  // given when the item is made, never reused
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

  bool isTask() const { return className == u"GW.MESSAGE.TASK"; }
  // The end: the due date of a task, else start plus duration.
  std::optional<std::int64_t> end() const;
};

// An item as the objects of this process share it (see EntryRow).
struct ItemRow : ItemData {
  unsigned dirty = 0;  // ItemColumn flags not yet committed
  bool stored = false;
  bool deleted = false;
  bool queued = false;
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
  // Opens an existing post office after checking it; raises gw::StoreError, with a text
  // that names the file and the reason, when it is missing, cannot be opened for
  // writing (read-only file or folder), is not a post office, is damaged, or there is
  // no space left to open it. A file refused is left untouched.
  static std::shared_ptr<PostOffice> open(const std::string& path);
  // Creates a post office holding one user's mailbox, in one step: a file that appears
  // meanwhile is kept. Returns false when the file already existed. The file is
  // readable and writable by its owner only.
  static bool create(const std::string& path, const NewUser& firstUser);

  // How long a call waits for a post office that another program holds before it gives
  // up with "in use by another program" (60 s); settable for tests.
  static void setLockWaitLimit(std::chrono::milliseconds limit);
  static std::chrono::milliseconds lockWaitLimit();
  // Files up to this size (with their write-ahead log) are checked in full when they
  // are opened, larger ones by a check of a few milliseconds; settable for tests.
  static void setFullCheckBytes(std::int64_t bytes);

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
  // The users who granted `grantee` proxy access, by user id.
  std::vector<UserRecord> proxyGrantors(std::int64_t grantee);
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

  // Entries of a book (0: the system book): their identities in order, and the rows of
  // some of them, null for one that is gone. Pending changes of this process are seen.
  std::vector<std::int64_t> entryIds(std::int64_t book);
  std::vector<std::shared_ptr<EntryRow>> loadEntries(std::int64_t book,
                                                     std::span<const std::int64_t> ids);
  std::vector<std::shared_ptr<EntryRow>> entries(std::int64_t book);  // all of them
  // The entry of that identity in that book, or null.
  std::shared_ptr<EntryRow> findEntry(std::int64_t book, std::int64_t id);
  std::shared_ptr<EntryRow> newEntry(std::int64_t book, int objType,
                                     std::vector<EntryField> fields);
  // Raises gw::Error for an entry already deleted.
  void deleteEntry(const std::shared_ptr<EntryRow>& row);

  // Calendar items of one owner, ordered by start and then creation; whereSql narrows
  // them (empty: all). Pending changes are committed first, so the search sees them.
  std::vector<std::int64_t> itemIds(std::int64_t owner, const std::string& whereSql);
  // The rows of these items, null for one that is gone; pending changes are seen.
  std::vector<std::shared_ptr<ItemRow>> loadItems(std::span<const std::int64_t> ids);
  std::vector<std::shared_ptr<ItemRow>> items(std::int64_t owner, const std::string& whereSql);
  // The owner's item of that identity, or null.
  std::shared_ptr<ItemRow> findItem(std::int64_t owner, std::int64_t id);
  std::shared_ptr<ItemRow> newItem(std::int64_t owner, const std::u16string& className, int boxType,
                                   const std::u16string& from);
  // Raises gw::Error for an item already deleted.
  void deleteItem(const std::shared_ptr<ItemRow>& row);

  // Changes to rows are made while holding stateMutex(); the caller then reports them.
  std::mutex& stateMutex() { return stateMutex_; }
  void itemChanged(const std::shared_ptr<ItemRow>& row, unsigned columns);  // stateMutex held
  void entryChanged(const std::shared_ptr<EntryRow>& row);                  // stateMutex held

  // Saving. Every accepted change gets a rising mark; a change whose mark is at most
  // savedMark() is committed.
  std::int64_t changeMark();
  std::int64_t savedMark() const { return savedMark_.load(); }
  // Commits every change made so far; raises gw::StoreError when it cannot.
  void flush();
  // Raises, once, the failure of a background commit that has not been healed since.
  void raisePendingFailure();
  // Commits at once when more changed rows wait than the writer keeps up with, so that
  // neither memory nor the delay before a commit grows without end; the objects call
  // it after each call.
  void relieveBacklog();

  static std::vector<FieldDef> standardFieldDefs();
  static std::vector<FieldDef> systemFieldDefs();

 private:
  // Holds the connection. Calls of the program's thread wait for it in short steps,
  // running the wait hook between them, up to the wait limit.
  class DbLock {
   public:
    explicit DbLock(PostOffice& po);
    ~DbLock();
    DbLock(const DbLock&) = delete;
    DbLock& operator=(const DbLock&) = delete;

   private:
    PostOffice& po_;
  };
  struct IdBlock {
    std::int64_t next = 0, end = 0;
  };

  explicit PostOffice(std::string path);
  void openConnection();
  void checkIntegrity();
  void migrate(int version);
  void flushLocked();  // dbMutex held
  void writerLoop();
  void scheduleLocked();  // stateMutex held
  void noteChangeLocked() { ++changeMark_; }
  std::int64_t allocateId(IdBlock& block, const char* key, const char* table);
  // Gives back the identities of this process's blocks that were never used, where no
  // other process has taken a block since.
  void releaseUnusedIds();
  std::int64_t addUserLocked(const NewUser& user);  // in a transaction
  std::int64_t addBookLocked(std::int64_t owner, const std::u16string& name);
  Statement& updateStatement(unsigned mask);
  Statement& cached(const char* key, const std::string& sql);
  std::shared_ptr<ItemRow> adoptItem(ItemData fresh);     // stateMutex held
  std::shared_ptr<EntryRow> adoptEntry(EntryData fresh);  // stateMutex held
  std::shared_ptr<ItemRow> liveItem(std::int64_t id);     // stateMutex held
  std::shared_ptr<EntryRow> liveEntry(std::int64_t id);   // stateMutex held
  void sweepRegistries();                                 // stateMutex held

  std::string path_;
  // The connection and its statements; taken before stateMutex_. Calls of the program's
  // thread wait for it in short steps (see DbLock).
  std::timed_mutex dbMutex_;
  std::atomic<std::thread::id> dbOwner_{};
  Database db_;
  std::map<unsigned, Statement> updateStatements_;
  std::map<std::string, Statement, std::less<>> statements_;

  std::mutex idMutex_;  // taken after dbMutex_ when both are held
  IdBlock itemIds_, entryIds_;

  std::mutex stateMutex_;
  std::condition_variable wake_;
  // Rows with changes not yet committed, by identity.
  std::unordered_map<std::int64_t, std::shared_ptr<ItemRow>> pendingItems_;
  std::unordered_map<std::int64_t, std::shared_ptr<EntryRow>> pendingEntries_;
  // Every row some object holds, so that all objects of one item share one row.
  std::unordered_map<std::int64_t, std::weak_ptr<ItemRow>> liveItems_;
  std::unordered_map<std::int64_t, std::weak_ptr<EntryRow>> liveEntries_;
  std::size_t sweepAt_ = 4096;
  std::int64_t changeMark_ = 0;
  std::atomic<bool> backlog_{false};
  std::atomic<std::int64_t> savedMark_{0};
  std::chrono::steady_clock::time_point deadline_;
  bool stopping_ = false;
  std::string failure_;  // of the last background commit, until raised or healed
  std::atomic<bool> failurePending_{false};
  std::thread writer_;
  // Checkpoints of the write-ahead log run on a connection of their own in the writer
  // thread, so that no call waits for one.
  Database checkpointDb_;
  std::atomic<int> walPages_{0};
};

// The automation-date seconds of now, for creation and modification dates.
std::int64_t nowSeconds();

}  // namespace gw::standin
