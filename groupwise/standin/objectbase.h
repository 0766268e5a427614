// What the automation objects of the stand-in share: the base classes, the mailbox
// context and the members every object with a post office answers.
#pragma once

#include <cctype>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "groupwise/dispatch.h"
#include "groupwise/error.h"
#include "groupwise/standin/postoffice.h"
#include "platform/ansi.h"
#include "platform/errors.h"

namespace gw::standin {

using Args = std::span<const Variant>;
using PostOfficeRef = std::shared_ptr<PostOffice>;

inline std::string utf8(const std::u16string& s) {
  return platform::toUtf8(s);
}

bool equalsNoCase(const std::u16string& a, const std::u16string& b);

// Every stand-in object turns conversion failures into GroupWise errors, and raises a
// failed background commit of its post office at the next call.
class StandinObject : public Object {
 public:
  explicit StandinObject(PostOfficeRef po = nullptr) : po_(std::move(po)) {}
  Variant invoke(std::string_view member, InvokeKind kind, Args args) final;

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

  // ChangeMark, SavedMark and Commit, for the account and the session: the marks as
  // reals; Commit saves everything now. Returns nothing when `member` is none of them.
  std::optional<Variant> savingMember(std::string_view member, InvokeKind kind, Args args);

  PostOfficeRef po_;
};

// A 1-based collection: Count, Item by position (or by name where the collection has
// names) and, where it takes new elements, Add.
class CollectionObject : public StandinObject {
 public:
  using StandinObject::StandinObject;

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

  Variant dispatch(std::string_view member, InvokeKind kind, Args args) override;
};

// The rows of a collection that holds identities: read a page at a time as the caller
// walks it; only the current page is held.
template <typename Row>
class PagedRows {
 public:
  static constexpr std::size_t kPage = 256;
  using Loader = std::function<std::vector<std::shared_ptr<Row>>(std::span<const std::int64_t>)>;

  explicit PagedRows(std::vector<std::int64_t> ids) : ids_(std::move(ids)) {}
  std::size_t size() const { return ids_.size(); }
  void append(std::int64_t id) { ids_.push_back(id); }
  // The row at index i; null when it is no longer in the post office.
  std::shared_ptr<Row> at(std::size_t i, const Loader& load) {
    if (i < start_ || i >= start_ + page_.size()) {
      start_ = i - i % kPage;
      std::size_t n = std::min(kPage, ids_.size() - start_);
      page_.clear();
      page_ = load(std::span<const std::int64_t>(ids_).subspan(start_, n));
    }
    return page_[i - start_];
  }

 private:
  std::vector<std::int64_t> ids_;
  std::size_t start_ = 0;
  std::vector<std::shared_ptr<Row>> page_;
};

// 1-based position into a collection of n, with a clear error.
std::size_t position(const Object& self, std::string_view member, Args args, std::size_t k,
                     std::size_t n);

// Whose mailbox an object belongs to, and who is logged in.
struct MailboxContext {
  PostOfficeRef po;
  UserRecord owner;
  UserRecord sessionUser;
};

// Shared by the objects of one account.
using Mailbox = std::shared_ptr<const MailboxContext>;

ObjectRef makeAccount(MailboxContext ctx);

// An identity text (MessageID, EntryID) as the number it stands for.
std::int64_t parseIdentity(const std::u16string& text, const char* what);

}  // namespace gw::standin
