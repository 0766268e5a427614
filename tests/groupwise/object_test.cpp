#include <gtest/gtest.h>

#include "groupwise/dispatch.h"
#include "groupwise/error.h"
#include "groupwise/gwapi.h"
#include "tests/support/testsupport.h"

namespace {

class Counter : public gw::Object {
 public:
  std::string_view typeName() const override { return "Counter"; }
  gw::Variant invoke(std::string_view member, gw::InvokeKind kind,
                     std::span<const gw::Variant> args) override {
    static const gw::MemberTable table{{"Value", 0}, {"AddTo", 1}};
    switch (table.find(member)) {
      case 0:
        if (kind == gw::InvokeKind::Put) {
          value_ = gw::intArg(*this, member, args, 0);
          return {};
        }
        gw::expectArgs(*this, member, args, 0);
        return gw::Variant(value_);
      case 1:
        if (kind == gw::InvokeKind::Put) gw::throwNotAProperty(*this, member);
        gw::expectArgs(*this, member, args, 1);
        value_ += gw::intArg(*this, member, args, 0);
        return gw::Variant(value_);
      default:
        gw::throwUnknownMember(*this, member);
    }
  }

 private:
  std::int32_t value_ = 0;
};

gw::ObjectRef makeCounter() {
  return std::make_shared<Counter>();
}

}  // namespace

TEST(LateBinding, MembersByNameInAnyLetterCase) {
  gw::registerProgId("Test.Counter", &makeCounter);
  gw::ObjectRef c = gw::createOleObject("test.COUNTER");
  c->put("value", gw::Variant(5));
  EXPECT_EQ(c->call("ADDTO", {gw::Variant(2)}).toInt(), 7);
  EXPECT_EQ(c->get("VaLuE").toInt(), 7);
}

TEST(LateBinding, ErrorsNameWhatWentWrong) {
  gw::ObjectRef c = makeCounter();
  EXPECT_EQ(testing_support::errorText([] { gw::createOleObject("No.Such.Thing"); }),
            "Invalid class string: no program is registered as \"No.Such.Thing\"");
  EXPECT_EQ(testing_support::errorText([&] { c->get("Missing"); }),
            "Unknown name: \"Missing\" is not a member of the GroupWise Counter object");
  EXPECT_EQ(testing_support::errorText([&] { c->call("AddTo", {}); }),
            "Wrong number of arguments for Counter.AddTo: expected 1, got 0");
  EXPECT_EQ(testing_support::errorText([&] { c->call("AddTo", {gw::Variant(u"x")}); }),
            "Type mismatch: argument 1 of Counter.AddTo must be an integer, not a value of type "
            "(String)");
  EXPECT_EQ(testing_support::errorText([&] { c->put("AddTo", gw::Variant(1)); }),
            "The member \"AddTo\" of the GroupWise Counter object is a method and cannot be set");
  EXPECT_EQ(testing_support::errorText([] { gw::api::rootAccount(nullptr); }),
            "Invalid variant operation: no GroupWise object is held");
}
