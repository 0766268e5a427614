#include <gtest/gtest.h>

#include "groupwise/error.h"
#include "groupwise/object.h"
#include "groupwise/variant.h"
#include "platform/errors.h"
#include "platform/oledate.h"

using gw::Variant;

namespace {

// An object whose default value is a text, as a formatted text or a field is.
class Holder : public gw::Object {
 public:
  explicit Holder(Variant v) : v_(std::move(v)) {}
  std::string_view typeName() const override { return "Holder"; }
  gw::Variant invoke(std::string_view, gw::InvokeKind, std::span<const Variant>) override {
    return {};
  }
  Variant defaultValue() override { return v_; }

 private:
  Variant v_;
};

}  // namespace

TEST(Variant, ToTextByTheAutomationRules) {
  double date = platform::encodeDateTime({2004, 1, 15, 14, 30, 0});
  struct Case {
    Variant value;
    std::u16string text;
  } cases[] = {
      {Variant(), u""},
      {Variant(true), u"True"},
      {Variant(false), u"False"},
      {Variant(-1), u"-1"},
      {Variant(2.5), u"2.5"},
      {Variant::date(date), u"1/15/2004 2:30:00 PM"},
      {Variant::date(38001.0), u"1/15/2004"},
      {Variant(u"text"), u"text"},
      {Variant(gw::ObjectRef(std::make_shared<Holder>(Variant(u"plain")))), u"plain"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.value.toText(), c.text);
  EXPECT_THROW(Variant::null().toText(), platform::ConversionError);
  auto noDefault = std::make_shared<Holder>(Variant());
  EXPECT_EQ(Variant(gw::ObjectRef(noDefault)).toText(), u"");
}

TEST(Variant, NumbersAndDates) {
  EXPECT_EQ(Variant(true).toInt(), -1);
  EXPECT_EQ(Variant(2.5).toInt(), 2);  // half to even
  EXPECT_EQ(Variant(3.5).toInt(), 4);
  EXPECT_EQ(Variant(u" 42").toInt(), 42);
  EXPECT_EQ(Variant(u"1.5").toInt(), 2);
  EXPECT_EQ(Variant().toInt(), 0);
  EXPECT_EQ(Variant().toReal(), 0.0);
  EXPECT_EQ(Variant(u"1/15/2004").toDate(), 38001.0);
  EXPECT_EQ(Variant(38001).toDate(), 38001.0);
  EXPECT_TRUE(Variant(7).toBool());
  EXPECT_FALSE(Variant(u"False").toBool());
  for (const Variant& bad : {Variant(u"abc"), Variant::null(), Variant(1e12)}) {
    EXPECT_THROW(bad.toInt(), platform::ConversionError);
  }
  EXPECT_THROW(Variant(u"31/12/2004").toDate(), platform::ConversionError);
  EXPECT_THROW(Variant(u"x").toObject(), gw::Error);
  EXPECT_TRUE(Variant(gw::ObjectRef()).isEmpty());
}
