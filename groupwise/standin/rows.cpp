// Items and entries: their identities, reading them in pages, the one row per item or
// entry that the objects of this process share, changes and deletion, and the writing
// behind.
#include <algorithm>
#include <cstdlib>

#include "groupwise/standin/internal.h"
#include "groupwise/standin/postoffice.h"

namespace gw::standin {
namespace {

using Clock = std::chrono::steady_clock;

// How long a change may wait for the background writer. With the write itself this
// keeps every change within 100 ms of the call that made it.
constexpr auto kWriteDelay = std::chrono::milliseconds(25);
// A caller that makes changes faster than they are written waits for them past this
// many changed rows, so neither memory nor the delay before a commit grows without end.
constexpr std::size_t kMaxPendingRows = 4000;
// Identities are handed out to each process in blocks of this many.
constexpr std::int64_t kIdBlock = 1024;
// Rows read by one statement when a collection is walked.
constexpr std::size_t kPage = 256;

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

ItemData readItem(const Statement& st) {
  ItemData row;
  row.id = st.int64(0);
  row.owner = st.int64(1);
  row.className = st.text16(2);
  row.boxType = st.int32(3);
  row.start = st.optInt64(4);
  row.duration = st.real(5);
  row.due = st.optInt64(6);
  row.assigned = st.optInt64(7);
  row.created = st.int64(8);
  row.modified = st.int64(9);
  row.subject = st.text16(10);
  row.body = st.text16(11);
  row.place = st.text16(12);
  row.from = st.text16(13);
  row.completed = st.int64(14) != 0;
  row.priority = readPriority(st, 15);
  return row;
}

// Entries with their fields, one row per field, ordered by entry; a condition follows.
constexpr const char* kEntrySelect =
    "SELECT e.id, e.book, e.obj_type, e.modified_date, f.name, f.type, f.value FROM entries e "
    "LEFT JOIN entry_fields f ON f.entry = e.id WHERE ";

void readEntries(Statement& st, std::unordered_map<std::int64_t, EntryData>& out) {
  EntryData* current = nullptr;
  while (st.step()) {
    std::int64_t id = st.int64(0);
    if (!current || current->id != id) {
      current = &out[id];
      current->id = id;
      current->book = st.int64(1);
      current->objType = st.int32(2);
      current->modified = st.optInt64(3);
    }
    if (!st.isNull(4)) current->fields.push_back({st.text16(4), st.int32(5), st.text16(6)});
  }
}

// "?, ?, ..." with n markers.
std::string markers(std::size_t n) {
  std::string out;
  for (std::size_t i = 0; i < n; ++i) out += i ? ", ?" : "?";
  return out;
}

// Binds the identities of one page to a statement with kPage markers; the markers
// left over match nothing.
void bindPage(Statement& st, std::span<const std::int64_t> ids) {
  for (std::size_t i = 0; i < kPage; ++i) {
    if (i < ids.size()) {
      st.bind(static_cast<int>(i + 1), ids[i]);
    } else {
      st.bindNull(static_cast<int>(i + 1));
    }
  }
}

// The system book's entry for a user.
std::shared_ptr<EntryRow> userEntry(const UserRecord& u) {
  auto e = std::make_shared<EntryRow>();
  e->id = u.id;
  e->book = 0;
  e->objType = u.kind;
  e->stored = true;
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
  return e;
}

}  // namespace

// ---- the shared rows ----

namespace {

template <typename Row>
using Registry = std::unordered_map<std::int64_t, std::weak_ptr<Row>>;

template <typename Row>
std::shared_ptr<Row> liveRow(const Registry<Row>& live, std::int64_t id) {
  auto it = live.find(id);
  return it == live.end() ? nullptr : it->second.lock();
}

// A row read from the file: the row some object already holds, brought up to date
// unless it has changes of its own not yet committed, else a new shared row.
template <typename Row, typename Data>
std::shared_ptr<Row> adopt(Registry<Row>& live, Data fresh) {
  if (auto row = liveRow(live, fresh.id)) {
    if (!row->queued) static_cast<Data&>(*row) = std::move(fresh);
    row->stored = true;
    return row;
  }
  auto row = std::make_shared<Row>();
  static_cast<Data&>(*row) = std::move(fresh);
  row->stored = true;
  live[row->id] = row;
  return row;
}

}  // namespace

std::shared_ptr<ItemRow> PostOffice::liveItem(std::int64_t id) {
  return liveRow(liveItems_, id);
}

std::shared_ptr<EntryRow> PostOffice::liveEntry(std::int64_t id) {
  return liveRow(liveEntries_, id);
}

void PostOffice::sweepRegistries() {
  if (liveItems_.size() + liveEntries_.size() < sweepAt_) return;
  std::erase_if(liveItems_, [](const auto& kv) { return kv.second.expired(); });
  std::erase_if(liveEntries_, [](const auto& kv) { return kv.second.expired(); });
  sweepAt_ = std::max<std::size_t>(4096, 2 * (liveItems_.size() + liveEntries_.size()));
}

std::shared_ptr<ItemRow> PostOffice::adoptItem(ItemData fresh) {
  sweepRegistries();
  return adopt(liveItems_, std::move(fresh));
}

std::shared_ptr<EntryRow> PostOffice::adoptEntry(EntryData fresh) {
  sweepRegistries();
  return adopt(liveEntries_, std::move(fresh));
}

std::int64_t PostOffice::allocateId(IdBlock& block, const char* key, const char* table) {
  {
    std::lock_guard lock(idMutex_);
    if (block.next < block.end) return block.next++;
  }
  DbLock db(*this);
  {
    std::lock_guard lock(idMutex_);
    if (block.next < block.end) return block.next++;
  }
  // Never below what the table holds, so no identity is ever given twice, even after
  // the highest one was deleted.
  std::int64_t first = 1;
  inTransaction(db_, [&] {
    Statement get = db_.prepare("SELECT value FROM postoffice WHERE key = ?");
    get.bind(1, std::string_view(key));
    if (get.step()) first = std::max<std::int64_t>(first, std::atoll(get.text(0).c_str()));
    Statement top = db_.prepare(std::string("SELECT COALESCE(MAX(id), 0) + 1 FROM ") + table);
    top.step();
    first = std::max(first, top.int64(0));
    Statement put = db_.prepare("INSERT OR REPLACE INTO postoffice(key, value) VALUES(?, ?)");
    put.bind(1, std::string_view(key)).bind(2, std::to_string(first + kIdBlock)).run();
  });
  std::lock_guard lock(idMutex_);
  block = {first + 1, first + kIdBlock};
  return first;
}

void PostOffice::releaseUnusedIds() {
  DbLock db(*this);
  std::lock_guard lock(idMutex_);
  Statement put = db_.prepare("UPDATE postoffice SET value = ? WHERE key = ? AND value = ?");
  for (auto [block, key] : {std::pair{&itemIds_, "next_item_id"}, {&entryIds_, "next_entry_id"}}) {
    if (block->next >= block->end) continue;
    put.bind(1, std::to_string(block->next))
        .bind(2, std::string_view(key))
        .bind(3, std::to_string(block->end))
        .run();
    *block = {};
  }
}

void PostOffice::relieveBacklog() {
  if (backlog_.load(std::memory_order_relaxed)) flush();
}

// ---- entries ----

std::vector<std::int64_t> PostOffice::entryIds(std::int64_t book) {
  DbLock lock(*this);
  std::vector<std::int64_t> out;
  if (book == 0) {
    Statement st = db_.prepare("SELECT id FROM users ORDER BY id");
    while (st.step()) out.push_back(st.int64(0));
    return out;
  }
  flushLocked();
  Statement& st = cached("entryIds", "SELECT id FROM entries WHERE book = ? ORDER BY id");
  ResetOnExit reset(st);
  st.bind(1, book);
  while (st.step()) out.push_back(st.int64(0));
  return out;
}

std::vector<std::shared_ptr<EntryRow>> PostOffice::loadEntries(std::int64_t book,
                                                               std::span<const std::int64_t> ids) {
  std::vector<std::shared_ptr<EntryRow>> out(ids.size());
  DbLock lock(*this);
  if (book == 0) {
    Statement st = db_.prepare(std::string("SELECT ") + kUserColumns + " FROM users WHERE id = ?");
    for (std::size_t i = 0; i < ids.size(); ++i) {
      st.bind(1, ids[i]);
      if (st.step()) out[i] = userEntry(readUser(st));
      st.reset();
    }
    return out;
  }
  Statement& st = cached(
      "loadEntries", std::string(kEntrySelect) + "e.id IN (" + markers(kPage) + ") ORDER BY e.id");
  for (std::size_t first = 0; first < ids.size(); first += kPage) {
    std::size_t n = std::min(kPage, ids.size() - first);
    std::unordered_map<std::int64_t, EntryData> fresh;
    {
      ResetOnExit reset(st);
      bindPage(st, ids.subspan(first, n));
      readEntries(st, fresh);
    }
    std::lock_guard state(stateMutex_);
    for (std::size_t i = 0; i < n; ++i) {
      std::int64_t id = ids[first + i];
      auto live = liveEntry(id);
      if (live && live->queued) {
        if (!live->deleted && live->book == book) out[first + i] = live;
        continue;
      }
      auto it = fresh.find(id);
      if (it != fresh.end() && it->second.book == book) {
        out[first + i] = adoptEntry(std::move(it->second));
      }
    }
  }
  return out;
}

std::vector<std::shared_ptr<EntryRow>> PostOffice::entries(std::int64_t book) {
  return loadEntries(book, entryIds(book));
}

std::shared_ptr<EntryRow> PostOffice::findEntry(std::int64_t book, std::int64_t id) {
  if (book == 0) {
    std::int64_t one[] = {id};
    return loadEntries(book, one)[0];
  }
  DbLock lock(*this);
  {
    std::lock_guard state(stateMutex_);
    auto live = liveEntry(id);
    if (live && live->queued) return live->deleted || live->book != book ? nullptr : live;
  }
  Statement& st = cached("findEntry", std::string(kEntrySelect) + "e.id = ? AND e.book = ?");
  std::unordered_map<std::int64_t, EntryData> fresh;
  {
    ResetOnExit reset(st);
    st.bind(1, id).bind(2, book);
    readEntries(st, fresh);
  }
  if (fresh.empty()) return nullptr;
  std::lock_guard state(stateMutex_);
  return adoptEntry(std::move(fresh.begin()->second));
}

std::shared_ptr<EntryRow> PostOffice::newEntry(std::int64_t book, int objType,
                                               std::vector<EntryField> fields) {
  auto row = std::make_shared<EntryRow>();
  row->id = allocateId(entryIds_, "next_entry_id", "entries");
  row->book = book;
  row->objType = objType;
  row->modified = nowSeconds();
  row->fields = std::move(fields);
  for (EntryField& f : row->fields) f.dirty = true;
  {
    std::lock_guard lock(stateMutex_);
    sweepRegistries();
    liveEntries_[row->id] = row;
    entryChanged(row);
  }
  relieveBacklog();
  return row;
}

void PostOffice::deleteEntry(const std::shared_ptr<EntryRow>& row) {
  std::lock_guard lock(stateMutex_);
  if (row->deleted) throw Error("The address book entry was already deleted");
  row->deleted = true;
  entryChanged(row);
}

// ---- items ----

std::vector<std::int64_t> PostOffice::itemIds(std::int64_t owner, const std::string& whereSql) {
  DbLock lock(*this);
  flushLocked();
  std::string sql = "SELECT id FROM items WHERE owner = ?";
  if (!whereSql.empty()) sql += " AND " + whereSql;
  sql += " ORDER BY start_date, id";
  Statement st = db_.prepare(sql);
  st.bind(1, owner);
  std::vector<std::int64_t> out;
  while (st.step()) out.push_back(st.int64(0));
  return out;
}

std::vector<std::shared_ptr<ItemRow>> PostOffice::loadItems(std::span<const std::int64_t> ids) {
  std::vector<std::shared_ptr<ItemRow>> out(ids.size());
  DbLock lock(*this);
  Statement& st = cached("loadItems", std::string("SELECT ") + kItemColumns +
                                          " FROM items WHERE id IN (" + markers(kPage) + ")");
  for (std::size_t first = 0; first < ids.size(); first += kPage) {
    std::size_t n = std::min(kPage, ids.size() - first);
    std::vector<ItemData> fresh;
    fresh.reserve(n);
    {
      ResetOnExit reset(st);
      bindPage(st, ids.subspan(first, n));
      while (st.step()) fresh.push_back(readItem(st));
    }
    std::sort(fresh.begin(), fresh.end(),
              [](const ItemData& a, const ItemData& b) { return a.id < b.id; });
    std::lock_guard state(stateMutex_);
    for (std::size_t i = 0; i < n; ++i) {
      std::int64_t id = ids[first + i];
      auto live = liveItem(id);
      if (live && live->queued) {
        if (!live->deleted) out[first + i] = live;
        continue;
      }
      auto it = std::lower_bound(fresh.begin(), fresh.end(), id,
                                 [](const ItemData& d, std::int64_t v) { return d.id < v; });
      if (it != fresh.end() && it->id == id) out[first + i] = adoptItem(std::move(*it));
    }
  }
  return out;
}

std::vector<std::shared_ptr<ItemRow>> PostOffice::items(std::int64_t owner,
                                                        const std::string& whereSql) {
  return loadItems(itemIds(owner, whereSql));
}

std::shared_ptr<ItemRow> PostOffice::findItem(std::int64_t owner, std::int64_t id) {
  DbLock lock(*this);
  {
    std::lock_guard state(stateMutex_);
    auto live = liveItem(id);
    if (live && live->queued) return live->deleted || live->owner != owner ? nullptr : live;
  }
  Statement& st = cached(
      "findItem", std::string("SELECT ") + kItemColumns + " FROM items WHERE id = ? AND owner = ?");
  ResetOnExit reset(st);
  st.bind(1, id).bind(2, owner);
  if (!st.step()) return nullptr;
  ItemData fresh = readItem(st);
  std::lock_guard state(stateMutex_);
  return adoptItem(std::move(fresh));
}

std::shared_ptr<ItemRow> PostOffice::newItem(std::int64_t owner, const std::u16string& className,
                                             int boxType, const std::u16string& from) {
  auto row = std::make_shared<ItemRow>();
  row->id = allocateId(itemIds_, "next_item_id", "items");
  row->owner = owner;
  row->className = className;
  row->boxType = boxType;
  row->created = row->modified = nowSeconds();
  row->assigned = row->created;
  row->from = from;
  {
    std::lock_guard lock(stateMutex_);
    sweepRegistries();
    liveItems_[row->id] = row;
    itemChanged(row, ~0u);
  }
  relieveBacklog();
  return row;
}

void PostOffice::deleteItem(const std::shared_ptr<ItemRow>& row) {
  std::lock_guard lock(stateMutex_);
  if (row->deleted) throw Error("The item was already deleted");
  row->deleted = true;
  itemChanged(row, 0);
}

// ---- writing behind ----

void PostOffice::scheduleLocked() {
  std::size_t pending = pendingItems_.size() + pendingEntries_.size();
  if (pending == 0) {
    deadline_ = Clock::now() + kWriteDelay;
    wake_.notify_all();
  }
  if (pending >= kMaxPendingRows) backlog_.store(true, std::memory_order_relaxed);
}

void PostOffice::itemChanged(const std::shared_ptr<ItemRow>& row, unsigned columns) {
  noteChangeLocked();
  row->dirty |= columns;
  if (row->queued) return;
  scheduleLocked();
  row->queued = true;
  pendingItems_[row->id] = row;
}

void PostOffice::entryChanged(const std::shared_ptr<EntryRow>& row) {
  noteChangeLocked();
  if (row->queued) return;
  scheduleLocked();
  row->queued = true;
  pendingEntries_[row->id] = row;
}

std::int64_t PostOffice::changeMark() {
  std::lock_guard lock(stateMutex_);
  return changeMark_;
}

void PostOffice::flush() {
  DbLock lock(*this);
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
    ItemData data;
    unsigned mask;
    bool stored, deleted;
    std::shared_ptr<ItemRow> row;
  };
  struct EntrySnap {
    std::int64_t id;
    std::int64_t book;
    int objType;
    std::optional<std::int64_t> modified;
    std::vector<EntryField> fields;  // the changed ones
    bool stored, deleted;
    std::shared_ptr<EntryRow> row;
  };
  std::vector<ItemSnap> items;
  std::vector<EntrySnap> entries;
  std::int64_t mark;
  {
    std::lock_guard lock(stateMutex_);
    mark = changeMark_;
    if (pendingItems_.empty() && pendingEntries_.empty()) {
      savedMark_.store(mark);
      return;
    }
    items.reserve(pendingItems_.size());
    for (auto& [id, p] : pendingItems_) {
      ItemRow& r = *p;
      items.push_back({r, r.dirty, r.stored, r.deleted, p});
      r.dirty = 0;
      r.queued = false;
    }
    for (auto& [id, p] : pendingEntries_) {
      EntryRow& r = *p;
      EntrySnap s{r.id, r.book, r.objType, r.modified, {}, r.stored, r.deleted, p};
      for (EntryField& f : r.fields) {
        if (f.dirty || !r.stored) s.fields.push_back(f);
        f.dirty = false;
      }
      r.queued = false;
      entries.push_back(std::move(s));
    }
    pendingItems_.clear();
    pendingEntries_.clear();
    backlog_.store(false, std::memory_order_relaxed);
  }
  // In the order of their identities, so that new rows go to the end of the tables.
  std::sort(items.begin(), items.end(),
            [](const ItemSnap& a, const ItemSnap& b) { return a.data.id < b.data.id; });
  std::sort(entries.begin(), entries.end(),
            [](const EntrySnap& a, const EntrySnap& b) { return a.id < b.id; });
  try {
    inTransaction(db_, [&] {
      Statement& insItem = cached(
          "insItem",
          "INSERT INTO items(id, owner, class, box_type, start_date, end_date, duration, due_date, "
          "assigned_date, creation_date, modified_date, subject, body, place, from_text, "
          "completed, priority) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
      Statement& delItem = cached("delItem", "DELETE FROM items WHERE id = ?");
      for (ItemSnap& s : items) {
        const ItemData& d = s.data;
        if (s.deleted) {
          if (s.stored) delItem.bind(1, d.id).run();
        } else if (!s.stored) {
          insItem.bind(1, d.id)
              .bind(2, d.owner)
              .bind(3, std::u16string_view(d.className))
              .bind(4, d.boxType)
              .bind(5, d.start)
              .bind(6, d.end())
              .bind(7, d.duration)
              .bind(8, d.due)
              .bind(9, d.assigned)
              .bind(10, d.created)
              .bind(11, d.modified)
              .bind(12, std::u16string_view(d.subject))
              .bind(13, std::u16string_view(d.body))
              .bind(14, std::u16string_view(d.place))
              .bind(15, std::u16string_view(d.from))
              .bind(16, d.completed ? 1 : 0);
          bindPriority(insItem, 17, d.priority);
          insItem.run();
        } else if (s.mask) {
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
      Statement& insEntry = cached(
          "insEntry", "INSERT INTO entries(id, book, obj_type, modified_date) VALUES(?, ?, ?, ?)");
      Statement& touchEntry =
          cached("touchEntry", "UPDATE entries SET modified_date = ? WHERE id = ?");
      Statement& delFields = cached("delFields", "DELETE FROM entry_fields WHERE entry = ?");
      Statement& delEntry = cached("delEntry", "DELETE FROM entries WHERE id = ?");
      Statement& addField = cached(
          "addField", "INSERT INTO entry_fields(entry, name, type, value) VALUES(?, ?, ?, ?)");
      Statement& putField = cached(
          "putField",
          "INSERT OR REPLACE INTO entry_fields(entry, name, type, value) VALUES(?, ?, ?, ?)");
      for (EntrySnap& s : entries) {
        if (s.deleted) {
          if (s.stored) {
            delFields.bind(1, s.id).run();
            delEntry.bind(1, s.id).run();
          }
          continue;
        }
        if (!s.stored) {
          insEntry.bind(1, s.id).bind(2, s.book).bind(3, s.objType).bind(4, s.modified).run();
        } else {
          touchEntry.bind(1, s.modified).bind(2, s.id).run();
        }
        // A new entry has each field once; a stored one may have it already.
        Statement& field = s.stored ? putField : addField;
        for (const EntryField& f : s.fields) {
          field.bind(1, s.id).bind(2, std::u16string_view(f.name)).bind(3, f.type);
          field.bind(4, std::u16string_view(f.value)).run();
        }
      }
    });
  } catch (...) {
    // Nothing was written: queue the changes again for the next attempt.
    std::lock_guard lock(stateMutex_);
    bool idle = pendingItems_.empty() && pendingEntries_.empty();
    for (ItemSnap& s : items) {
      s.row->dirty |= s.mask;
      if (!s.row->queued) {
        s.row->queued = true;
        pendingItems_[s.row->id] = s.row;
      }
    }
    for (EntrySnap& s : entries) {
      for (const EntryField& snap : s.fields) {
        for (EntryField& f : s.row->fields) {
          if (f.name == snap.name) f.dirty = true;
        }
      }
      if (!s.row->queued) {
        s.row->queued = true;
        pendingEntries_[s.row->id] = s.row;
      }
    }
    if (idle) {
      deadline_ = Clock::now() + kWriteDelay;
      wake_.notify_all();
    }
    if (pendingItems_.size() + pendingEntries_.size() >= kMaxPendingRows) {
      backlog_.store(true, std::memory_order_relaxed);
    }
    throw;
  }
  std::lock_guard lock(stateMutex_);
  for (ItemSnap& s : items) {
    if (!s.deleted) s.row->stored = true;
  }
  for (EntrySnap& s : entries) {
    if (!s.deleted) s.row->stored = true;
  }
  savedMark_.store(mark);
  // What a background commit failed to save is saved now.
  failure_.clear();
  failurePending_.store(false);
}

}  // namespace gw::standin
