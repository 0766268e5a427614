// The automation objects of the stand-in: session, accounts, address books and their
// entries and fields, the calendar and its items.
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <optional>
#include <vector>

#include "groupwise/dispatch.h"
#include "groupwise/error.h"
#include "groupwise/standin/filter.h"
#include "groupwise/standin/postoffice.h"
#include "groupwise/standin/standin.h"
#include "platform/ansi.h"
#include "platform/errors.h"
#include "platform/locale.h"
#include "platform/numtext.h"
#include "platform/oledate.h"

namespace gw::standin {
namespace {

using Args = std::span<const Variant>;
using PostOfficeRef = std::shared_ptr<PostOffice>;

std::string utf8(const std::u16string& s) {
  return platform::toUtf8(s);
}

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

// Every stand-in object turns conversion failures into GroupWise errors.
class StandinObject : public Object {
 public:
  Variant invoke(std::string_view member, InvokeKind kind, Args args) final {
    try {
      return dispatch(member, kind, args);
    } catch (const platform::ConversionError& e) {
      throw Error(e.what());
    }
  }

 protected:
  virtual Variant dispatch(std::string_view member, InvokeKind kind, Args args) = 0;

  // A read-only member: rejects puts and arguments.
  void getter(std::string_view member, InvokeKind kind, Args args) const {
    if (kind == InvokeKind::Put) throwReadOnly(*this, member);
    expectArgs(*this, member, args, 0);
  }
  void method(std::string_view member, InvokeKind kind) const {
    if (kind == InvokeKind::Put) throwNotAProperty(*this, member);
  }
};

// 1-based position into a collection of n, with a clear error.
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

// A 1-based collection: Count, Item by position (or by name where the collection has
// names) and, where it takes new elements, Add.
class CollectionObject : public StandinObject {
 protected:
  virtual std::size_t count() = 0;
  virtual ObjectRef at(std::size_t index) = 0;  // 0-based
  // Item with a text: the element of that name. Collections without names take
  // positions only.
  virtual ObjectRef named(std::string_view member, Args args) {
    intArg(*this, member, args, 0);  // raises the type mismatch
    return nullptr;
  }
  virtual std::size_t maxItemArgs() const { return 1; }
  virtual Variant add(std::string_view member, Args) { throwUnknownMember(*this, member); }

  Variant dispatch(std::string_view member, InvokeKind kind, Args args) override {
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
};

// ---------------------------------------------------------------- items

const char16_t* const kClassNames[] = {u"GW.MESSAGE.APPOINTMENT", u"GW.MESSAGE.DOCUMENTREFERENCE",
                                       u"GW.MESSAGE.MAIL",        u"GW.MESSAGE.NOTE",
                                       u"GW.MESSAGE.PHONE",       u"GW.MESSAGE.TASK"};

class FormattedText : public StandinObject {
 public:
  FormattedText(PostOfficeRef po, std::shared_ptr<ItemRow> row, bool subject)
      : po_(std::move(po)), row_(std::move(row)), subject_(subject) {}
  std::string_view typeName() const override { return "FormattedText"; }
  Variant defaultValue() override { return Variant(text()); }

 protected:
  Variant dispatch(std::string_view member, InvokeKind kind, Args args) override {
    static const MemberTable table{{"PlainText", 0}};
    if (table.find(member) != 0) throwUnknownMember(*this, member);
    if (kind == InvokeKind::Put) {
      std::u16string v = args[0].toText();
      std::lock_guard lock(po_->stateMutex());
      po_->checkWriteError();
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
  PostOfficeRef po_;
  std::shared_ptr<ItemRow> row_;
  bool subject_;
};

class Message : public StandinObject {
 public:
  Message(PostOfficeRef po, std::shared_ptr<ItemRow> row)
      : po_(std::move(po)), row_(std::move(row)) {}
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
    kMessageId
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
                                   {"MessageID", kMessageId}};
    int id = table.find(member);
    if (id < 0) throwUnknownMember(*this, member);
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
        return Variant(platform::fromUtf8(std::to_string(r.id)));
    }
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
    // Convert before taking the lock: a bad value changes nothing.
    std::optional<std::int64_t> date;
    if ((id == kStartDate || id == kEndDate || id == kDueDate) && !v.isEmpty()) {
      date = dateSeconds(v);
    }
    std::lock_guard lock(po_->stateMutex());
    po_->checkWriteError();
    ItemRow& r = *row_;
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
      case kDuration: {
        double d = v.toReal();
        if (!std::isfinite(d) || d < 0) throw Error("A duration cannot be negative");
        r.duration = d;
        cols |= kColDuration;
        break;
      }
      case kSubject:
        r.subject = v.toText();
        cols |= kColSubject;
        break;
      case kBodyText:
        r.body = v.toText();
        cols |= kColBody;
        break;
      case kPlace:
        r.place = v.toText();
        cols |= kColPlace;
        break;
      case kCompleted:
        r.completed = v.toInt() != 0;
        cols |= kColCompleted;
        break;
      case kTaskPriority:
        if (v.isObject()) throw Error("TaskPriority takes a number or a text");
        r.priority = v.type() == VarType::Date ? Variant(v.toReal()) : v;
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
  PostOfficeRef po_;
  std::shared_ptr<ItemRow> row_;
};

struct MailboxContext {
  PostOfficeRef po;
  UserRecord owner;        // whose mailbox
  UserRecord sessionUser;  // who is logged in
};

class MessageList : public CollectionObject {
 public:
  // With rows: a found set. Without: the whole calendar, read on first use.
  MessageList(MailboxContext ctx, std::optional<std::vector<std::shared_ptr<ItemRow>>> rows)
      : ctx_(std::move(ctx)), rows_(std::move(rows)) {}
  std::string_view typeName() const override { return "Messages"; }

 protected:
  std::size_t count() override { return rows().size(); }
  ObjectRef at(std::size_t i) override { return std::make_shared<Message>(ctx_.po, rows()[i]); }

  Variant add(std::string_view member, Args args) override {
    expectArgs(*this, member, args, 1, 2);
    std::u16string cls = textArg(*this, member, args, 0);
    const char16_t* canonical = nullptr;
    for (const char16_t* c : kClassNames) {
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
    auto row = ctx_.po->newItem(ctx_.owner.id, canonical, boxType, ctx_.sessionUser.displayName);
    if (rows_) rows_->push_back(row);
    return Variant(ObjectRef(std::make_shared<Message>(ctx_.po, row)));
  }

 private:
  std::vector<std::shared_ptr<ItemRow>>& rows() {
    if (!rows_) rows_ = ctx_.po->items(ctx_.owner.id, "");
    return *rows_;
  }

  MailboxContext ctx_;
  std::optional<std::vector<std::shared_ptr<ItemRow>>> rows_;
};

class CalendarFolder : public StandinObject {
 public:
  explicit CalendarFolder(MailboxContext ctx) : ctx_(std::move(ctx)) {}
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
            ObjectRef(std::make_shared<MessageList>(ctx_, ctx_.po->items(ctx_.owner.id, sql))));
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
  MailboxContext ctx_;
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
  FieldsObject(BookContext ctx, std::shared_ptr<EntryRow> row)
      : ctx_(std::move(ctx)), row_(std::move(row)) {}
  std::string_view typeName() const override { return "Fields"; }

 protected:
  std::size_t count() override { return row_->fields.size(); }
  ObjectRef at(std::size_t i) override { return std::make_shared<FieldObject>(row_->fields[i]); }
  std::size_t maxItemArgs() const override { return 2; }

  // Item(name, type): the field of that name, and of that type when one is given.
  ObjectRef named(std::string_view member, Args args) override {
    const std::u16string& name = args[0].text();
    std::optional<int> type;
    if (args.size() > 1) type = intArg(*this, member, args, 1);
    std::lock_guard lock(ctx_.po->stateMutex());
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
    if (ctx_.book.id == 0) {
      throw Error("The address book \"Novell GroupWise Address Book\" is read-only");
    }
    const FieldDef* def = nullptr;
    for (const FieldDef& d : *ctx_.defs) {
      if (d.name == name) def = &d;
    }
    if (!def) {
      throw Error("The address book \"" + utf8(ctx_.book.name) + "\" has no field \"" + utf8(name) +
                  "\"");
    }
    if (def->type != type) {
      throw Error("The address book \"" + utf8(ctx_.book.name) + "\" defines the field \"" +
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
    std::lock_guard lock(ctx_.po->stateMutex());
    ctx_.po->checkWriteError();
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
    ctx_.po->entryChanged(row_);
    return Variant(ObjectRef(std::make_shared<FieldObject>(*target)));
  }

  BookContext ctx_;
  std::shared_ptr<EntryRow> row_;
};

class EntryObject : public StandinObject {
 public:
  EntryObject(BookContext ctx, std::shared_ptr<EntryRow> row)
      : ctx_(std::move(ctx)), row_(std::move(row)) {}
  std::string_view typeName() const override { return "AddressBookEntry"; }
  Variant defaultValue() override { return Variant(field(u"Name")); }

 protected:
  Variant dispatch(std::string_view member, InvokeKind kind, Args args) override {
    static const MemberTable table{
        {"ObjType", 0}, {"Fields", 1}, {"DisplayName", 2}, {"EMailAddress", 3}, {"EMailType", 4}};
    int id = table.find(member);
    if (id < 0) throwUnknownMember(*this, member);
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
      default:
        return Variant(field(u"E-Mail Type"));
    }
  }

 private:
  std::u16string field(const std::u16string& name) {
    std::lock_guard lock(ctx_.po->stateMutex());
    for (const EntryField& f : row_->fields) {
      if (f.name == name) return f.value;
    }
    return {};
  }
  BookContext ctx_;
  std::shared_ptr<EntryRow> row_;
};

class EntriesObject : public CollectionObject {
 public:
  explicit EntriesObject(BookContext ctx) : ctx_(std::move(ctx)) {}
  std::string_view typeName() const override { return "AddressBookEntries"; }

 protected:
  std::size_t count() override { return rows().size(); }
  ObjectRef at(std::size_t i) override { return std::make_shared<EntryObject>(ctx_, rows()[i]); }

  Variant add(std::string_view member, Args args) override {
    expectArgs(*this, member, args, 1, 4);
    if (ctx_.book.id == 0) {
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
    auto row = ctx_.po->newEntry(ctx_.book.id, objType, std::move(fields));
    if (rows_) rows_->push_back(row);
    return Variant(ObjectRef(std::make_shared<EntryObject>(ctx_, row)));
  }

 private:
  std::vector<std::shared_ptr<EntryRow>>& rows() {
    if (!rows_) rows_ = ctx_.po->entries(ctx_.book.id);
    return *rows_;
  }

  BookContext ctx_;
  std::optional<std::vector<std::shared_ptr<EntryRow>>> rows_;
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
  AddressBookObject(PostOfficeRef po, BookRecord book) : ctx_{std::move(po), std::move(book), {}} {}
  std::string_view typeName() const override { return "AddressBook"; }
  Variant defaultValue() override { return Variant(ctx_.book.name); }

 protected:
  Variant dispatch(std::string_view member, InvokeKind kind, Args args) override {
    static const MemberTable table{{"Name", 0}, {"FieldDefinitions", 1}, {"AddressBookEntries", 2}};
    int id = table.find(member);
    if (id < 0) throwUnknownMember(*this, member);
    getter(member, kind, args);
    if (id == 0) return Variant(ctx_.book.name);
    loadDefs();
    if (id == 1) return Variant(ObjectRef(std::make_shared<FieldDefinitionsObject>(ctx_.defs)));
    return Variant(ObjectRef(std::make_shared<EntriesObject>(ctx_)));
  }

 private:
  void loadDefs() {
    if (!ctx_.defs) {
      ctx_.defs = std::make_shared<const std::vector<FieldDef>>(ctx_.po->fieldDefs(ctx_.book.id));
    }
  }
  BookContext ctx_;
};

class AddressBooksObject : public CollectionObject {
 public:
  AddressBooksObject(PostOfficeRef po, std::vector<BookRecord> books)
      : po_(std::move(po)), books_(std::move(books)) {}
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
  PostOfficeRef po_;
  std::vector<BookRecord> books_;
};

// ---------------------------------------------------------------- account and session

class AccountObject : public StandinObject {
 public:
  explicit AccountObject(MailboxContext ctx) : ctx_(std::move(ctx)) {}
  std::string_view typeName() const override { return "Account"; }

 protected:
  Variant dispatch(std::string_view member, InvokeKind kind, Args args) override {
    static const MemberTable table{{"AddressBooks", 0}, {"Calendar", 1}, {"Owner", 2}, {"Name", 3}};
    int id = table.find(member);
    if (id < 0) throwUnknownMember(*this, member);
    getter(member, kind, args);
    switch (id) {
      case 0:
        // A proxied account reaches the logged-in user's own address books.
        return Variant(ObjectRef(
            std::make_shared<AddressBooksObject>(ctx_.po, ctx_.po->books(ctx_.sessionUser.id))));
      case 1:
        return Variant(ObjectRef(std::make_shared<CalendarFolder>(ctx_)));
      case 2:
        return Variant(ctx_.owner.userId);
      default:
        return Variant(ctx_.owner.displayName);
    }
  }

 private:
  MailboxContext ctx_;
};

std::u16string systemDisplayName(const std::string& user) {
  struct passwd* pw = ::getpwnam(user.c_str());
  if (!pw || !pw->pw_gecos) return {};
  std::string gecos = pw->pw_gecos;
  gecos = gecos.substr(0, gecos.find(','));
  return platform::fromUtf8(gecos);
}

void makeParentFolders(const std::string& path) {
  for (std::size_t p = path.find('/', 1); p != std::string::npos; p = path.find('/', p + 1)) {
    ::mkdir(path.substr(0, p).c_str(), 0700);
  }
}

class SessionObject : public StandinObject {
 public:
  ~SessionObject() override {
    if (!po_) return;
    try {
      po_->flush();
    } catch (const std::exception&) {
      // The post office reports it when it closes.
    }
  }
  std::string_view typeName() const override { return "Application"; }
  const PostOfficeRef& postOffice() const { return po_; }

 protected:
  Variant dispatch(std::string_view member, InvokeKind kind, Args args) override {
    static const MemberTable table{{"Login", 0}, {"RootAccount", 1}, {"proxy", 2}};
    switch (table.find(member)) {
      case 0:
        method(member, kind);
        expectArgs(*this, member, args, 0);
        login();
        return {};
      case 1:
        getter(member, kind, args);
        requireLogin();
        return Variant(
            ObjectRef(std::make_shared<AccountObject>(MailboxContext{po_, user_, user_})));
      case 2: {
        method(member, kind);
        expectArgs(*this, member, args, 1);
        requireLogin();
        return proxy(textArg(*this, member, args, 0));
      }
      default:
        throwUnknownMember(*this, member);
    }
  }

 private:
  void requireLogin() const {
    if (!po_) throw Error("Not logged in to GroupWise: call Login first");
  }

  void login() {
    if (po_) return;
    std::string path = postOfficePath();
    std::string user = loginUserName();
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 && errno == ENOENT) {
      if (!std::getenv("GW_POSTOFFICE")) makeParentFolders(path);
      NewUser first;
      first.userId = platform::fromUtf8(user);
      first.displayName = systemDisplayName(user);
      PostOffice::create(path, first);
    }
    auto po = PostOffice::open(path);
    auto u = po->findUser(platform::fromUtf8(user));
    if (!u) {
      throw Error("The post office " + path + " has no mailbox for the user \"" + user + "\"");
    }
    po_ = std::move(po);
    user_ = *u;
  }

  Variant proxy(const std::u16string& userId) {
    auto other = po_->findUser(userId);
    if (!other || other->kind != kPerson) {
      throw Error("There is no GroupWise user \"" + utf8(userId) + "\" in this post office");
    }
    if (other->id != user_.id && !po_->proxyGranted(other->id, user_.id)) {
      throw Error("The user \"" + utf8(other->userId) + "\" has not granted proxy access to \"" +
                  utf8(user_.userId) + "\"");
    }
    return Variant(ObjectRef(std::make_shared<AccountObject>(MailboxContext{po_, *other, user_})));
  }

  PostOfficeRef po_;
  UserRecord user_;
};

ObjectRef makeSession() {
  return std::make_shared<SessionObject>();
}

}  // namespace

void registerProgId() {
  gw::registerProgId("NovellGroupWareSession", &makeSession);
}

ObjectRef createSession() {
  return makeSession();
}

std::shared_ptr<PostOffice> sessionPostOffice(const ObjectRef& session) {
  auto* s = dynamic_cast<SessionObject*>(session.get());
  return s ? s->postOffice() : nullptr;
}

std::string postOfficePath() {
  if (const char* p = std::getenv("GW_POSTOFFICE"); p && *p) return p;
  std::string base;
  if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x) {
    base = x;
  } else {
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
      struct passwd* pw = ::getpwuid(::geteuid());
      home = pw ? pw->pw_dir : "/tmp";
    }
    base = std::string(home) + "/.local/share";
  }
  return base + "/marrowby/postoffice.db";
}

std::string loginUserName() {
  if (const char* u = std::getenv("GW_USER"); u && *u) return u;
  if (struct passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_name) return pw->pw_name;
  if (const char* u = std::getenv("USER"); u && *u) return u;
  return "user";
}

}  // namespace gw::standin
