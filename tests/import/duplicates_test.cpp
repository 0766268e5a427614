#include "import/duplicates.h"

#include <gtest/gtest.h>

#include "platform/oledate.h"
#include "tests/import/fakemailbox.h"

using namespace importing;
using namespace testing_support;

namespace {

double at(int y, int mo, int d, int h, int mi, int s = 0) {
  return platform::encodeDateTime({y, mo, d, h, mi, s});
}

std::int64_t secondsAt(int y, int mo, int d, int h, int mi, int s = 0) {
  return platform::dateToSeconds(at(y, mo, d, h, mi, s));
}

}  // namespace

TEST(DuplicateKeys, LetterCaseAndSurroundingBlanksIgnored) {
  struct Case {
    std::u16string a, b;
    bool same;
  } cases[] = {
      {u"  Team Meeting\t", u"team meeting", true},
      {u"\u00a0R\u00c9UNION\u3000", u"r\u00e9union", true},  // NBSP, ideographic space
      {u"\u0160KODA \u0178VES \u0152UVRE", u"\u0161koda \u00ffves \u0153uvre", true},
      {u"\u0391\u0398\u0397\u039d\u0391", u"\u03b1\u03b8\u03b7\u03bd\u03b1", true},  // Greek
      {u"\u041c\u041e\u0421\u041a\u0412\u0410 \u0401",
       u"\u043c\u043e\u0441\u043a\u0432\u0430 \u0451", true},  // Cyrillic
      {u"Team  meeting", u"team meeting", false},              // inner blanks count
      {u"Meeting 1", u"Meeting 2", false},
      {u"", u"  ", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DuplicateIndex::normalized(c.a) == DuplicateIndex::normalized(c.b), c.same)
        << std::string(c.a.begin(), c.a.end());
  }
}

TEST(DuplicateKeys, CalendarStartToTheMinute) {
  auto key = [](std::u16string_view s, const gw::Variant& v) {
    return DuplicateIndex::calendarKey(s, v);
  };
  gw::Variant start = gw::Variant::date(at(2026, 3, 2, 9, 30));
  const std::u16string k = key(u"Standup", start);
  EXPECT_EQ(key(u"STANDUP ", gw::Variant::date(at(2026, 3, 2, 9, 30, 59))), k);
  EXPECT_EQ(key(u"Standup", gw::Variant(u"3/2/2026 9:30:00 AM")), k);  // a date text
  EXPECT_EQ(DuplicateIndex::calendarKeySeconds(u"standup", secondsAt(2026, 3, 2, 9, 30, 12)), k);
  EXPECT_NE(key(u"Standup", gw::Variant::date(at(2026, 3, 2, 9, 31))), k);
  EXPECT_NE(key(u"Standup", gw::Variant::date(at(2026, 3, 3, 9, 30))), k);
  EXPECT_NE(key(u"Standup", gw::Variant()), k);
  EXPECT_EQ(key(u"Standup", gw::Variant()), key(u"standup", gw::Variant::null()));
  // Before 1899 too: a minute is never shared across the day boundary.
  EXPECT_NE(key(u"x", gw::Variant::date(at(1850, 1, 1, 0, 0))),
            key(u"x", gw::Variant::date(at(1849, 12, 31, 23, 59))));
  // A start that is no date stands for itself.
  EXPECT_EQ(key(u"x", gw::Variant(u" soon ")), key(u"X", gw::Variant(u"SOON")));
  EXPECT_NE(key(u"x", gw::Variant(u"soon")), key(u"x", gw::Variant()));
}

TEST(DuplicateKeys, EntryNameAndAddressKeptApart) {
  EXPECT_EQ(DuplicateIndex::entryKey(u" Ann Lee ", u"ANN@X.ORG"),
            DuplicateIndex::entryKey(u"ann lee", u"ann@x.org"));
  EXPECT_NE(DuplicateIndex::entryKey(u"ab", u"c"), DuplicateIndex::entryKey(u"a", u"bc"));
  EXPECT_NE(DuplicateIndex::entryKey(u"Ann", u""), DuplicateIndex::entryKey(u"", u"Ann"));
}

TEST(DuplicateIndexTest, CalendarOfOneKind) {
  auto mailbox = FakeMailbox::make();
  gw::Variant nine = gw::Variant::date(at(2026, 3, 2, 9, 0));
  mailbox->addItem({u"GW.MESSAGE.APPOINTMENT", u"Dentist", nine, {}});
  mailbox->addItem({u"GW.MESSAGE.TASK", u"Taxes", nine, {}});
  mailbox->addItem({u"GW.MESSAGE.APPOINTMENT", u"No start", {}, {}});

  DuplicateIndex index =
      DuplicateIndex::forCalendar(mailbox->account(), gw::CalendarKind::Appointment);
  EXPECT_EQ(mailbox->filters, std::vector<std::u16string>{u"(APPOINTMENT)"});
  EXPECT_EQ(index.size(), 2u);
  EXPECT_TRUE(index.isDuplicate(DuplicateIndex::calendarKey(u"dentist", nine)));
  EXPECT_TRUE(index.isDuplicate(DuplicateIndex::calendarKey(u"No Start", gw::Variant())));
  // A task of that subject and start is no appointment.
  const std::u16string taxes = DuplicateIndex::calendarKey(u"Taxes", nine);
  EXPECT_FALSE(index.contains(taxes));
  // Lines that repeat each other: the first is new, the next ones duplicates.
  EXPECT_FALSE(index.isDuplicate(taxes));
  EXPECT_TRUE(index.isDuplicate(taxes));
  EXPECT_EQ(index.size(), 3u);

  DuplicateIndex tasks = DuplicateIndex::forCalendar(mailbox->account(), gw::CalendarKind::Task);
  EXPECT_TRUE(tasks.contains(taxes));
  EXPECT_EQ(tasks.size(), 1u);
  EXPECT_THROW(DuplicateIndex::forCalendar(mailbox->account(), gw::CalendarKind::DocumentReference),
               std::invalid_argument);
}

TEST(DuplicateIndexTest, BookEntries) {
  auto mailbox = FakeMailbox::make();
  mailbox->addEntry(u"Friends", {u"Ann Lee", u"ann@x.org", {}});
  mailbox->addEntry(u"Friends", {u"", u"info@shop.com", {}});
  mailbox->addEntry(u"Work", {u"Ben", u"ben@work.com", {}});

  DuplicateIndex index = DuplicateIndex::forBook(mailbox->bookObject(u"Friends"));
  EXPECT_EQ(index.size(), 2u);
  EXPECT_TRUE(index.isDuplicate(DuplicateIndex::entryKey(u"ANN LEE", u" Ann@X.org")));
  EXPECT_TRUE(index.isDuplicate(DuplicateIndex::entryKey(u"", u"info@shop.com")));
  EXPECT_FALSE(index.isDuplicate(DuplicateIndex::entryKey(u"Ann Lee", u"ann@y.org")));
  EXPECT_FALSE(index.isDuplicate(DuplicateIndex::entryKey(u"Ben", u"ben@work.com")));
  EXPECT_TRUE(index.isDuplicate(DuplicateIndex::entryKey(u"ben", u"BEN@work.com")));
}
