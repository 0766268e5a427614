// The automation objects of the stand-in's mailboxes: accounts, the calendar and its
// items, address books and their entries and fields.
#include <cmath>
#include <optional>
#include <vector>

#include "groupwise/kinds.h"
#include "groupwise/standin/filter.h"
#include "groupwise/standin/objectbase.h"
#include "platform/locale.h"
#include "platform/numtext.h"
#include "platform/oledate.h"

namespace gw::standin {

// ---------------------------------------------------------------- shared pieces

bool equalsNoCase(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i], y = b[i];
    if (x < 128) x = static_cast<char16_t>(std::tolower(x));
    if (y < 128) y = static_cast<char16_t>(std::tolower(y));
    if (x != y) return false;
  }
  return true;
}

Variant StandinObject::invoke(std::string_view member, InvokeKind kind, Args args) {
  // A call may run the wait hook, and with it the window's events; the object and its
  // post office stay alive until the call returns, whatever those events release.
  auto keepAlive = shared_from_this();
  try {
    // The saving members report on failures themselves, and reading the marks after
    // a failure must work.
    static const MemberTable saving{{"ChangeMark", 0}, {"SavedMark", 0}, {"Commit", 0}};
    bool watched = po_ && saving.find(member) < 0;
    if (watched) po_->raisePendingFailure();
    Variant result = dispatch(member, kind, args);
    if (watched) po_->relieveBacklog();
    return result;
  } catch (const platform::ConversionError& e) {
    throw Error(e.what());
  }
}

std::optional<Variant> StandinObject::savingMember(std::string_view member, InvokeKind kind,
                                                   Args args) {
  static const MemberTable table{{"ChangeMark", 0}, {"SavedMark", 1}, {"Commit", 2}};
  switch (table.find(member)) {
    case 0:
      getter(member, kind, args);
      return Variant(static_cast<double>(po_->changeMark()));
    case 1:
      getter(member, kind, args);
      return Variant(static_cast<double>(po_->savedMark()));
    case 2:
      method(member, kind);
      expectArgs(*this, member, args, 0);
      po_->flush();
      return Variant();
    default:
      return std::nullopt;
  }
}

std::size_t position(const Object& self, std::string_view member, Args args, std::size_t k,
                     std::size_t n) {
  std::int32_t i = intArg(self, member, args, k);
  if (i < 1 || static_cast<std::size_t>(i) > n) {
    throw Error("Index " + std::to_string(i) + " is out of range: the " +
                std::string(self.typeName()) + " collection holds " + std::to_string(n) +
                (n == 1 ? " item" : " items"));
  }
  return static_cast<std::size_t>(i - 1);
}

Variant CollectionObject::dispatch(std::string_view member, InvokeKind kind, Args args) {
  static const MemberTable table{{"Count", 0}, {"Item", 1}, {"Add", 2}};
  switch (table.find(member)) {
    case 0:
      getter(member, kind, args);
      return Variant(static_cast<std::int32_t>(count()));
    case 1:
      method(member, kind);
      expectArgs(*this, member, args, 1, maxItemArgs());
      if (args[0].isText()) return Variant(named(member, args));
      return Variant(at(position(*this, member, args, 0, count())));
    case 2:
      method(member, kind);
      return add(member, args);
    default:
      throwUnknownMember(*this, member);
  }
}

std::int64_t parseIdentity(const std::u16string& text, const char* what) {
  std::int64_t id = 0;
  bool ok = !text.empty() && text.size() <= 18;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') ok = false;
    if (ok) id = id * 10 + (c - u'0');
  }
  if (!ok || id == 0) throw Error("\"" + utf8(text) + "\" is not " + what);
  return id;
}

namespace {

std::u16string identityText(std::int64_t id) {
  return platform::fromUtf8(std::to_string(id));
}

[[noreturn]] void goneAt(const Object& self, std::size_t index) {
  throw Error("The " + std::string(self.typeName()) + " collection's element " +
              std::to_string(index + 1) + " is no longer in the post office: it was deleted");
}

// ---------------------------------------------------------------- items

class FormattedText : public StandinObject {
 public:
  FormattedText(PostOfficeRef po, std::shared_ptr<ItemRow> row, bool subject)
      : StandinObject(std::move(po)), row_(std::move(row)), subject_(subject) {}
  std::string_view typeName() const override { return "FormattedText"; }
  Variant defaultValue() override { return Variant(text()); }

 protected:
  Variant dispatch(std::string_view member, InvokeKind kind, Args args) override {
    static const MemberTable table{{"PlainText", 0}};
    if (table.find(member) != 0) throwUnknownMember(*this, member);
    if (kind == InvokeKind::Put) {
      std::u16string v = args[0].toText();  // before the lock: an object may be asked
      std::lock_guard lock(po_->stateMutex());
      if (row_->deleted) throw Error("The item was deleted");
      (subject_ ? row_->subject : row_->body) = std::move(v);
      row_->modified = nowSeconds();
      po_->itemChanged(row_, (subject_ ? kColSubject : kColBody) | kColModified);
      return {};
    }
    expectArgs(*this, member, args, 0);
    return Variant(text());
  }

 private:
  std::u16string text() const { return subject_ ? row_->subject : row_->body; }
  std::shared_ptr<ItemRow> row_;
  bool subject_;
};

class Message : public StandinObject {
 public:
  Message(Mailbox ctx, std::shared_ptr<ItemRow> row)
      : StandinObject(ctx->po), ctx_(std::move(ctx)), row_(std::move(row)) {}
  std::string_view typeName() const override { return "Message"; }

 protected:
  enum Id {
    kStartDate,
    kEndDate,
    kDueDate,
    kAssignedDate,
    kCreationDate,
    kModifiedDate,
    kDuration,
    kSubject,
    kBodyText,
    kPlace,
    kFromText,
    kCompleted,
    kTaskPriority,
    kClassName,
    kMessageId,
    kDelete
  };

  static Variant dateValue(const std::optional<std::int64_t>& s) {
    return s ? Variant::date(platform::secondsToDate(*s)) : Variant();
  }

  Variant dispatch(std::string_view member, InvokeKind kind, Args args) override {
    static const MemberTable table{{"StartDate", kStartDate},       {"EndDate", kEndDate},
                                   {"DueDate", kDueDate},           {"AssignedDate", kAssignedDate},
                                   {"CreationDate", kCreationDate}, {"ModifiedDate", kModifiedDate},
                                   {"Duration", kDuration},         {"Subject", kSubject},
                                   {"BodyText", kBodyText},         {"Place", kPlace},
                                   {"FromText", kFromText},         {"Completed", kCompleted},
                                   {"TaskPriority", kTaskPriority}, {"ClassName", kClassName},
                                   {"MessageID", kMessageId},       {"Delete", kDelete}};
    int id = table.find(member);
    if (id < 0) throwUnknownMember(*this, member);
    if (id == kDelete) {
      method(member, kind);
      expectArgs(*this, member, args, 0);
      remove();
      return {};
    }
    if (kind == InvokeKind::Put) return put(member, id, args[0]);
    expectArgs(*this, member, args, 0);
    const ItemRow& r = *row_;
    switch (id) {
      case kStartDate:
        return dateValue(r.start);
      case kEndDate:
        return dateValue(r.end());
      case kDueDate:
        return dateValue(r.due);
      case kAssignedDate:
        return dateValue(r.assigned);
      case kCreationDate:
        return dateValue(r.created);
      case kModifiedDate:
        return dateValue(r.modified);
      case kDuration:
        return Variant(r.duration);
      case kSubject:
        return Variant(ObjectRef(std::make_shared<FormattedText>(po_, row_, true)));
      case kBodyText:
        return Variant(ObjectRef(std::make_shared<FormattedText>(po_, row_, false)));
      case kPlace:
        return Variant(r.place);
      case kFromText:
        return Variant(r.from);
      case kCompleted:
        return Variant(r.completed);
      case kTaskPriority:
        return r.priority;
      case kClassName:
        return Variant(r.className);
      default:
        return Variant(identityText(r.id));
    }
  }

  // Only the owner, or a user the owner granted proxy access, changes a mailbox.
  void remove() {
    if (ctx_->owner.id != ctx_->sessionUser.id &&
        !po_->proxyGranted(ctx_->owner.id, ctx_->sessionUser.id)) {
      throw Error("The item cannot be deleted: the user \"" + utf8(ctx_->owner.userId) +
                  "\" has not granted proxy access to \"" + utf8(ctx_->sessionUser.userId) + "\"");
    }
    po_->deleteItem(row_);
  }

  static std::int64_t dateSeconds(const Variant& v) { return platform::dateToSeconds(v.toDate()); }

  Variant put(std::string_view member, int id, const Variant& v) {
    switch (id) {
      case kAssignedDate:
      case kCreationDate:
      case kModifiedDate:
      case kFromText:
      case kClassName:
      case kMessageId:
        throwReadOnly(*this, member);
      default:
        break;
    }
    if (v.isNull()) {
      throw Error("The member \"" + std::string(member) + "\" cannot be set to a null value");
    }
    // Every conversion happens before the lock is taken: converting an object asks it
    // for its value, which may need the lock itself, and a bad value changes nothing.
    std::optional<std::int64_t> date;
    std::u16string text;
    double number = 0;
    bool flag = false;
    Variant priority;
    switch (id) {
      case kStartDate:
      case kEndDate:
      case kDueDate:
        if (!v.isEmpty()) date = dateSeconds(v);
        break;
      case kDuration:
        number = v.toReal();
        if (!std::isfinite(number) || number < 0) throw Error("A duration cannot be negative");
        break;
      case kSubject:
      case kBodyText:
      case kPlace:
        text = v.toText();
        break;
      case kCompleted:
        flag = v.toInt() != 0;
        break;
      case kTaskPriority:
        if (v.isObject()) throw Error("TaskPriority takes a number or a text");
        priority = v.type() == VarType::Date ? Variant(v.toReal()) : v;
        break;
      default:
        break;
    }
    std::lock_guard lock(po_->stateMutex());
    ItemRow& r = *row_;
    if (r.deleted) throw Error("The item was deleted");
    unsigned cols = kColModified;
    switch (id) {
      case kStartDate:
        r.start = date;  // the duration stays, so the end moves with the start
        cols |= kColStart;
        break;
      case kEndDate:
        if (r.isTask()) {
          r.due = date;
          cols |= kColDue;
        } else if (!date) {
          r.duration = 0;
          cols |= kColDuration;
        } else if (r.start) {
          if (*date < *r.start) {
            throw Error("The end " + platform::dateToText(platform::secondsToDate(*date)) +
                        " lies before the start " +
                        platform::dateToText(platform::secondsToDate(*r.start)));
          }
          r.duration = static_cast<double>(*date - *r.start) / 86400.0;
          cols |= kColDuration;
        } else {
          r.start = *date - std::llround(r.duration * 86400.0);
          cols |= kColStart;
        }
        break;
      case kDueDate:
        r.due = date;
        cols |= kColDue;
        break;
      case kDuration:
        r.duration = number;
        cols |= kColDuration;
        break;
      case kSubject:
        r.subject = std::move(text);
        cols |= kColSubject;
        break;
      case kBodyText:
        r.body = std::move(text);
        cols |= kColBody;
        break;
      case kPlace:
        r.place = std::move(text);
        cols |= kColPlace;
        break;
      case kCompleted:
        r.completed = flag;
        cols |= kColCompleted;
        break;
      case kTaskPriority:
        r.priority = std::move(priority);
        cols |= kColPriority;
        break;
      default:
        break;
    }
    r.modified = nowSeconds();
    po_->itemChanged(row_, cols);
    return {};
  }

 private:
  Mailbox ctx_;
  std::shared_ptr<ItemRow> row_;
};

class MessageList : public CollectionObject {
 public:
  // With identities: a found set. Without: the whole calendar, read on first use.
  MessageList(Mailbox ctx, std::optional<std::vector<std::int64_t>> ids)
      : CollectionObject(ctx->po), ctx_(std::move(ctx)) {
    if (ids) rows_.emplace(std::move(*ids));
  }
  std::string_view typeName() const override { return "Messages"; }

 protected:
  std::size_t count() override { return rows().size(); }
  ObjectRef at(std::size_t i) override {
    auto row = rows().at(i, [&](std::span<const std::int64_t> ids) { return po_->loadItems(ids); });
    if (!row || row->deleted) goneAt(*this, i);
    return std::make_shared<Message>(ctx_, std::move(row));
  }

  Variant add(std::string_view member, Args args) override {
    expectArgs(*this, member, args, 1, 2);
    std::u16string cls = textArg(*this, member, args, 0);
    const char16_t* canonical = nullptr;
    for (const char16_t* c : kItemClassNames) {
      if (equalsNoCase(cls, c)) canonical = c;
    }
    if (!canonical) {
      throw Error("Unknown item class \"" + utf8(cls) +
                  "\": GroupWise creates GW.MESSAGE.APPOINTMENT, GW.MESSAGE.DOCUMENTREFERENCE, "
                  "GW.MESSAGE.MAIL, GW.MESSAGE.NOTE, GW.MESSAGE.PHONE and GW.MESSAGE.TASK items");
    }
    int boxType = args.size() > 1 ? intArg(*this, member, args, 1) : 3;
    if (boxType < 1 || boxType > 6) {
      throw Error("Unknown message box type " + std::to_string(boxType));
    }
    auto row = po_->newItem(ctx_->owner.id, canonical, boxType, ctx_->sessionUser.displayName);
    if (rows_) rows_->append(row->id);
    return Variant(ObjectRef(std::make_shared<Message>(ctx_, row)));
  }

 private:
  PagedRows<ItemRow>& rows() {
    if (!rows_) rows_.emplace(po_->itemIds(ctx_->owner.id, ""));
    return *rows_;
  }

  Mailbox ctx_;
  std::optional<PagedRows<ItemRow>> rows_;
};

class CalendarFolder : public StandinObject {
 public:
  explicit CalendarFolder(Mailbox ctx) : StandinObject(ctx->po), ctx_(std::move(ctx)) {}
  std::string_view typeName() const override { return "Folder"; }

 protected:
  Variant dispatch(std::string_view member, InvokeKind kind, Args args) override {
    static const MemberTable table{{"FindMessages", 0}, {"Messages", 1}, {"Name", 2}};
    switch (table.find(member)) {
      case 0: {
        method(member, kind);
        expectArgs(*this, member, args, 1);
        std::string filter = platform::toAnsi(textArg(*this, member, args, 0));
        auto today = platform::dateToSeconds(platform::todayDate()) / 86400;
        std::string sql = filterToSql(*parseFilter(filter, today));
        return Variant(
            ObjectRef(std::make_shared<MessageList>(ctx_, po_->itemIds(ctx_->owner.id, sql))));
      }
      case 1:
        getter(member, kind, args);
        return Variant(ObjectRef(std::make_shared<MessageList>(ctx_, std::nullopt)));
      case 2:
        getter(member, kind, args);
        return Variant(u"Calendar");
      default:
        throwUnknownMember(*this, member);
    }
  }

 private:
  Mailbox ctx_;
};

// ---------------------------------------------------------------- address books

using FieldDefsRef = std::shared_ptr<const std::vector<FieldDef>>;

const char* fieldTypeName(int type) {
  return type == kFieldNumber ? "number" : type == kFieldDate ? "date" : "text";
}

struct BookContext {
  PostOfficeRef po;
  BookRecord book;
  FieldDefsRef defs;
};
// Shared by the objects of one book.
using Book = std::shared_ptr<const BookContext>;

class FieldObject : public StandinObject {
 public:
  explicit FieldObject(EntryField f) : f_(std::move(f)) {}
  std::string_view typeName() const override { return "Field"; }
  Variant defaultValue() override { return value(); }

 protected:
  Variant dispatch(std::string_view member, InvokeKind kind, Args args) override {
    static const MemberTable table{{"Name", 0}, {"Value", 1}, {"FieldType", 2}};
    int id = table.find(member);
    if (id < 0) throwUnknownMember(*this, member);
    getter(member, kind, args);
    if (id == 0) return Variant(f_.name);
    if (id == 1) return value();
    return Variant(static_cast<std::int32_t>(f_.type));
  }

 private:
  Variant value() const {
    if (f_.type == kFieldNumber) {
      if (auto d = platform::tryStrToFloat(platform::toAnsi(f_.value))) return Variant(*d);
    } else if (f_.type == kFieldDate) {
      if (auto d = platform::parseDateText(platform::toAnsi(f_.value))) return Variant::date(*d);
    }
    return Variant(f_.value);
  }
  EntryField f_;
};

class FieldsObject : public CollectionObject {
 public:
  FieldsObject(Book ctx, std::shared_ptr<EntryRow> row)
      : CollectionObject(ctx->po), ctx_(std::move(ctx)), row_(std::move(row)) {}
  std::string_view typeName() const override { return "Fields"; }

 protected:
  std::size_t count() override {
    std::lock_guard lock(po_->stateMutex());
    return row_->fields.size();
  }
  ObjectRef at(std::size_t i) override {
    std::lock_guard lock(po_->stateMutex());
    if (i >= row_->fields.size()) goneAt(*this, i);
    return std::make_shared<FieldObject>(row_->fields[i]);
  }
  std::size_t maxItemArgs() const override { return 2; }

  // Item(name, type): the field of that name, and of that type when one is given.
  ObjectRef named(std::string_view member, Args args) override {
    const std::u16string& name = args[0].text();
    std::optional<int> type;
    if (args.size() > 1) type = intArg(*this, member, args, 1);
    std::lock_guard lock(po_->stateMutex());
    for (const EntryField& f : row_->fields) {
      if (f.name == name && (!type || *type == f.type)) return std::make_shared<FieldObject>(f);
    }
    throw Error("The address book entry has no " +
                (type ? std::string(fieldTypeName(*type)) + " " : "") + "field \"" + utf8(name) +
                "\"");
  }

  Variant add(std::string_view member, Args args) override {
    expectArgs(*this, member, args, 3);
    std::u16string name = textArg(*this, member, args, 0);
    int type = intArg(*this, member, args, 1);
    if (ctx_->book.id == 0) {
      throw Error("The address book \"Novell GroupWise Address Book\" is read-only");
    }
    const FieldDef* def = nullptr;
    for (const FieldDef& d : *ctx_->defs) {
      if (d.name == name) def = &d;
    }
    if (!def) {
      throw Error("The address book \"" + utf8(ctx_->book.name) + "\" has no field \"" +
                  utf8(name) + "\"");
    }
    if (def->type != type) {
      throw Error("The address book \"" + utf8(ctx_->book.name) + "\" defines the field \"" +
                  utf8(name) + "\" as a " + fieldTypeName(def->type) + " field, not " +
                  fieldTypeName(type));
    }
    std::u16string value;
    if (type == kFieldNumber) {
      value = platform::fromAnsi(platform::floatToText(args[2].toReal()));
    } else if (type == kFieldDate) {
      value = platform::fromAnsi(platform::dateToText(args[2].toDate()));
    } else {
      value = args[2].toText();
    }
    std::lock_guard lock(po_->stateMutex());
    if (row_->deleted) throw Error("The address book entry was deleted");
    EntryField* target = nullptr;
    for (EntryField& f : row_->fields) {
      if (f.name == name) target = &f;
    }
    if (!target) {
      row_->fields.push_back({name, type, {}, false});
      target = &row_->fields.back();
    }
    target->value = std::move(value);
    target->type = type;
    target->dirty = true;
    row_->modified = nowSeconds();
    po_->entryChanged(row_);
    return Variant(ObjectRef(std::make_shared<FieldObject>(*target)));
  }

  Book ctx_;
  std::shared_ptr<EntryRow> row_;
};

class EntryObject : public StandinObject {
 public:
  EntryObject(Book ctx, std::shared_ptr<EntryRow> row)
      : StandinObject(ctx->po), ctx_(std::move(ctx)), row_(std::move(row)) {}
  std::string_view typeName() const override { return "AddressBookEntry"; }
  Variant defaultValue() override { return Variant(field(u"Name")); }

 protected:
  Variant dispatch(std::string_view member, InvokeKind kind, Args args) override {
    static const MemberTable table{{"ObjType", 0},      {"Fields", 1},    {"DisplayName", 2},
                                   {"EMailAddress", 3}, {"EMailType", 4}, {"EntryID", 5},
                                   {"ModifiedDate", 6}, {"Delete", 7}};
    int id = table.find(member);
    if (id < 0) throwUnknownMember(*this, member);
    if (id == 7) {
      method(member, kind);
      expectArgs(*this, member, args, 0);
      if (ctx_->book.id == 0) {
        throw Error(
            "The address book \"Novell GroupWise Address Book\" is read-only: its entries "
            "cannot be deleted");
      }
      po_->deleteEntry(row_);
      return {};
    }
    getter(member, kind, args);
    switch (id) {
      case 0:
        return Variant(static_cast<std::int32_t>(row_->objType));
      case 1:
        return Variant(ObjectRef(std::make_shared<FieldsObject>(ctx_, row_)));
      case 2:
        return Variant(field(u"Name"));
      case 3:
        return Variant(field(u"E-Mail Address"));
      case 4:
        return Variant(field(u"E-Mail Type"));
      case 5:
        return Variant(identityText(row_->id));
      default: {
        std::lock_guard lock(po_->stateMutex());
        return row_->modified ? Variant::date(platform::secondsToDate(*row_->modified)) : Variant();
      }
    }
  }

 private:
  std::u16string field(const std::u16string& name) {
    std::lock_guard lock(po_->stateMutex());
    for (const EntryField& f : row_->fields) {
      if (f.name == name) return f.value;
    }
    return {};
  }
  Book ctx_;
  std::shared_ptr<EntryRow> row_;
};

class EntriesObject : public CollectionObject {
 public:
  explicit EntriesObject(Book ctx) : CollectionObject(ctx->po), ctx_(std::move(ctx)) {}
  std::string_view typeName() const override { return "AddressBookEntries"; }

 protected:
  std::size_t count() override { return rows().size(); }
  ObjectRef at(std::size_t i) override {
    auto row = rows().at(
        i, [&](std::span<const std::int64_t> ids) { return po_->loadEntries(ctx_->book.id, ids); });
    if (!row || row->deleted) goneAt(*this, i);
    return std::make_shared<EntryObject>(ctx_, std::move(row));
  }

  Variant add(std::string_view member, Args args) override {
    expectArgs(*this, member, args, 1, 4);
    if (ctx_->book.id == 0) {
      throw Error(
          "The address book \"Novell GroupWise Address Book\" is read-only: entries are "
          "added to personal address books only");
    }
    std::u16string name = textArg(*this, member, args, 0);
    std::u16string email = args.size() > 1 ? textArg(*this, member, args, 1) : u"";
    std::u16string type = args.size() > 2 ? textArg(*this, member, args, 2) : u"NGW";
    int objType = args.size() > 3 ? intArg(*this, member, args, 3) : kPerson;
    if (objType < kPerson || objType > kOrganization) {
      throw Error("Unknown address book entry type " + std::to_string(objType));
    }
    if (name.empty() && email.empty()) {
      throw Error(
          "GroupWise cannot create an address book entry without a display name or an "
          "e-mail address");
    }
    std::vector<EntryField> fields{{u"Name", kFieldText, name, true},
                                   {u"E-Mail Address", kFieldText, email, true},
                                   {u"E-Mail Type", kFieldText, type, true}};
    auto row = po_->newEntry(ctx_->book.id, objType, std::move(fields));
    if (rows_) rows_->append(row->id);
    return Variant(ObjectRef(std::make_shared<EntryObject>(ctx_, row)));
  }

 private:
  PagedRows<EntryRow>& rows() {
    if (!rows_) rows_.emplace(po_->entryIds(ctx_->book.id));
    return *rows_;
  }

  Book ctx_;
  std::optional<PagedRows<EntryRow>> rows_;
};

class FieldDefinitionObject : public StandinObject {
 public:
  explicit FieldDefinitionObject(FieldDef def) : def_(std::move(def)) {}
  std::string_view typeName() const override { return "FieldDefinition"; }
  Variant defaultValue() override { return Variant(def_.name); }

 protected:
  Variant dispatch(std::string_view member, InvokeKind kind, Args args) override {
    static const MemberTable table{{"Name", 0}, {"FieldType", 1}};
    int id = table.find(member);
    if (id < 0) throwUnknownMember(*this, member);
    getter(member, kind, args);
    return id == 0 ? Variant(def_.name) : Variant(static_cast<std::int32_t>(def_.type));
  }

 private:
  FieldDef def_;
};

class FieldDefinitionsObject : public CollectionObject {
 public:
  explicit FieldDefinitionsObject(FieldDefsRef defs) : defs_(std::move(defs)) {}
  std::string_view typeName() const override { return "FieldDefinitions"; }

 protected:
  std::size_t count() override { return defs_->size(); }
  ObjectRef at(std::size_t i) override {
    return std::make_shared<FieldDefinitionObject>((*defs_)[i]);
  }
  ObjectRef named(std::string_view, Args args) override {
    for (const FieldDef& d : *defs_) {
      if (d.name == args[0].text()) return std::make_shared<FieldDefinitionObject>(d);
    }
    throw Error("No field definition \"" + utf8(args[0].text()) + "\"");
  }

 private:
  FieldDefsRef defs_;
};

class AddressBookObject : public StandinObject {
 public:
  AddressBookObject(PostOfficeRef po, BookRecord book)
      : StandinObject(po),
        ctx_(std::make_shared<BookContext>(BookContext{po, std::move(book), {}})) {}
  std::string_view typeName() const override { return "AddressBook"; }
  Variant defaultValue() override { return Variant(ctx_->book.name); }

 protected:
  Variant dispatch(std::string_view member, InvokeKind kind, Args args) override {
    static const MemberTable table{
        {"Name", 0}, {"FieldDefinitions", 1}, {"AddressBookEntries", 2}, {"GetEntry", 3}};
    int id = table.find(member);
    if (id < 0) throwUnknownMember(*this, member);
    if (id == 3) {
      method(member, kind);
      expectArgs(*this, member, args, 1);
      std::u16string text = textArg(*this, member, args, 0);
      loadDefs();
      auto row = po_->findEntry(ctx_->book.id, parseIdentity(text, "an EntryID"));
      if (!row) {
        throw Error("The address book \"" + utf8(ctx_->book.name) + "\" has no entry \"" +
                    utf8(text) + "\"");
      }
      return Variant(ObjectRef(std::make_shared<EntryObject>(ctx_, std::move(row))));
    }
    getter(member, kind, args);
    if (id == 0) return Variant(ctx_->book.name);
    loadDefs();
    if (id == 1) return Variant(ObjectRef(std::make_shared<FieldDefinitionsObject>(ctx_->defs)));
    return Variant(ObjectRef(std::make_shared<EntriesObject>(ctx_)));
  }

 private:
  void loadDefs() {
    if (!ctx_->defs) {
      ctx_->defs = std::make_shared<const std::vector<FieldDef>>(po_->fieldDefs(ctx_->book.id));
    }
  }
  std::shared_ptr<BookContext> ctx_;
};

class AddressBooksObject : public CollectionObject {
 public:
  AddressBooksObject(PostOfficeRef po, std::vector<BookRecord> books)
      : CollectionObject(std::move(po)), books_(std::move(books)) {}
  std::string_view typeName() const override { return "AddressBooks"; }

 protected:
  std::size_t count() override { return books_.size(); }
  ObjectRef at(std::size_t i) override {
    return std::make_shared<AddressBookObject>(po_, books_[i]);
  }

  // A book by its name: the exact name first, then in any letter case.
  ObjectRef named(std::string_view, Args args) override {
    const std::u16string& name = args[0].text();
    const BookRecord* found = nullptr;
    for (const BookRecord& b : books_) {
      if (b.name == name) found = &b;
    }
    if (!found) {
      for (const BookRecord& b : books_) {
        if (!found && equalsNoCase(b.name, name)) found = &b;
      }
    }
    if (!found) throw Error("There is no address book named \"" + utf8(name) + "\"");
    return std::make_shared<AddressBookObject>(po_, *found);
  }

 private:
  std::vector<BookRecord> books_;
};

// ---------------------------------------------------------------- account

class AccountObject : public StandinObject {
 public:
  explicit AccountObject(Mailbox ctx) : StandinObject(ctx->po), ctx_(std::move(ctx)) {}
  std::string_view typeName() const override { return "Account"; }

 protected:
  Variant dispatch(std::string_view member, InvokeKind kind, Args args) override {
    if (auto v = savingMember(member, kind, args)) return *v;
    static const MemberTable table{
        {"AddressBooks", 0}, {"Calendar", 1}, {"Owner", 2}, {"Name", 3}, {"GetMessage", 4}};
    int id = table.find(member);
    if (id < 0) throwUnknownMember(*this, member);
    if (id == 4) {
      method(member, kind);
      expectArgs(*this, member, args, 1);
      std::u16string text = textArg(*this, member, args, 0);
      auto row = po_->findItem(ctx_->owner.id, parseIdentity(text, "a MessageID"));
      if (!row) {
        throw Error("The mailbox of \"" + utf8(ctx_->owner.userId) + "\" has no item \"" +
                    utf8(text) + "\"");
      }
      return Variant(ObjectRef(std::make_shared<Message>(ctx_, std::move(row))));
    }
    getter(member, kind, args);
    switch (id) {
      case 0:
        // A proxied account reaches the logged-in user's own address books.
        return Variant(
            ObjectRef(std::make_shared<AddressBooksObject>(po_, po_->books(ctx_->sessionUser.id))));
      case 1:
        return Variant(ObjectRef(std::make_shared<CalendarFolder>(ctx_)));
      case 2:
        return Variant(ctx_->owner.userId);
      default:
        return Variant(ctx_->owner.displayName);
    }
  }

 private:
  Mailbox ctx_;
};

}  // namespace

ObjectRef makeAccount(MailboxContext ctx) {
  return std::make_shared<AccountObject>(std::make_shared<const MailboxContext>(std::move(ctx)));
}

}  // namespace gw::standin
