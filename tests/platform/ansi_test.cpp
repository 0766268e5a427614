#include <gtest/gtest.h>

#include "platform/ansi.h"

using platform::fromAnsi;
using platform::toAnsi;

TEST(Ansi, EveryByteRoundTrips) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(toAnsi(fromAnsi(all)), all);
}

TEST(Ansi, HighControlRangeIsWindows1252) {
  EXPECT_EQ(fromAnsi("\x80\x93\x94\x9F"), u"\u20AC\u201C\u201D\u0178");
  EXPECT_EQ(toAnsi(u"\u20AC caf\u00E9 \u2014"), "\x80 caf\xE9 \x97");
}

TEST(Ansi, MissingCharactersBecomeQuestionMarks) {
  EXPECT_EQ(toAnsi(u"\u4E2D\u6587"), "??");
  // A character outside the basic plane is one character, so one mark.
  EXPECT_EQ(toAnsi(u"a\U0001F600b"), "a?b");
  EXPECT_EQ(toAnsi(u"\xD800x"), "?x");  // a lone surrogate
}

TEST(Ansi, Utf8RoundTripsAndRepairsBadInput) {
  std::u16string text = u"Z\u00FCrich \u20AC \U0001F600";
  EXPECT_EQ(platform::fromUtf8(platform::toUtf8(text)), text);
  EXPECT_EQ(platform::fromUtf8("a\xFF"
                               "b"),
            u"a\uFFFDb");
}
