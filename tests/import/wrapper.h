// A late-bound object that hands every call on to a post-office object and wraps the
// objects it gets back, so that a test can refuse a call, fail the post office, record
// the calls made, or give an account saving marks (ChangeMark, SavedMark, Commit).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "groupwise/error.h"
#include "groupwise/object.h"

namespace testing_support {

struct CallScript {
  // Runs before every call; may throw to refuse it or to fail the post office.
  std::function<void(std::string_view member, gw::InvokeKind kind,
                     std::span<const gw::Variant> args)>
      before;
  std::vector<std::string> calls;  // member names, in order

  // Saving marks: every put and every Add or add is a change; the changes are saved at
  // a Commit and, as a write-behind would, every `saveEvery` changes (0: only at Commit).
  bool marks = false;
  int saveEvery = 0;
  double changes = 0, saved = 0;
  std::function<void()> onCommit;  // may throw
};

class Wrapper : public gw::Object {
 public:
  Wrapper(gw::ObjectRef inner, std::shared_ptr<CallScript> script, bool account = false)
      : inner_(std::move(inner)), script_(std::move(script)), account_(account) {}

  static gw::ObjectRef account(gw::ObjectRef inner, std::shared_ptr<CallScript> script) {
    return std::make_shared<Wrapper>(std::move(inner), std::move(script), true);
  }

  std::string_view typeName() const override { return inner_->typeName(); }
  gw::Variant defaultValue() override { return inner_->defaultValue(); }

  gw::Variant invoke(std::string_view member, gw::InvokeKind kind,
                     std::span<const gw::Variant> args) override {
    CallScript& s = *script_;
    s.calls.emplace_back(member);
    if (account_ && s.marks) {
      if (member == "ChangeMark") return gw::Variant(s.changes);
      if (member == "SavedMark") return gw::Variant(s.saved);
      if (member == "Commit") {
        if (s.onCommit) s.onCommit();
        s.saved = s.changes;
        return {};
      }
    }
    if (s.before) s.before(member, kind, args);
    // The post office has no Delete yet; the call is recorded and counts as done.
    if (member == "Delete") return {};
    gw::Variant v = inner_->invoke(member, kind, args);
    bool change = kind == gw::InvokeKind::Put ||
                  (kind == gw::InvokeKind::Method && (member == "Add" || member == "add"));
    if (change) {
      ++s.changes;
      if (s.saveEvery > 0 && static_cast<int>(s.changes) % s.saveEvery == 0) s.saved = s.changes;
    }
    if (v.isObject() && v.object()) {
      return gw::Variant(gw::ObjectRef(std::make_shared<Wrapper>(v.object(), script_)));
    }
    return v;
  }

 private:
  gw::ObjectRef inner_;
  std::shared_ptr<CallScript> script_;
  bool account_;
};

}  // namespace testing_support
