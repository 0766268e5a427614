#include "import/pairing.h"

#include <gtest/gtest.h>

#include "groupwise/standin/postoffice.h"
#include "import/fieldnames.h"
#include "platform/ansi.h"

using namespace importing;
using V = std::vector<std::string>;

namespace {

V bookFields() {
  V out;
  for (const auto& def : gw::standin::PostOffice::standardFieldDefs()) {
    out.push_back(platform::toUtf8(def.name));
  }
  return out;
}

}  // namespace

TEST(PairByName, NamesMatchWithoutCaseBlanksOrPunctuation) {
  EXPECT_EQ(normalizeName("E-mail 1 - Value"), "email1value");
  EXPECT_EQ(normalizeName(" Stra\xC3\x9F"
                          "e "),
            "stra\xC3\x9F"
            "e");
  V appointments = calendarFields(gw::CalendarKind::Appointment);
  EXPECT_EQ(
      pairByName({"START-date", "subject ", "Loca tion", "NOTES", "Colour", ""}, appointments),
      (V{"Start Date", "Subject", "Place", "Message", kSkip, kSkip}));
  // Every field pairs with a column of its own name, so the program's own exports pair
  // whole.
  for (const V& fields : {appointments, calendarFields(gw::CalendarKind::Task),
                          calendarFields(gw::CalendarKind::Note), bookFields()}) {
    EXPECT_EQ(pairByName(fields, fields), fields);
  }
}

TEST(PairByName, AFieldGoesToOneColumnOnly) {
  V book = bookFields();
  // The field's own name wins over the names of other programs, then the first column.
  EXPECT_EQ(pairByName({"Email", "E-Mail Address", "E-mail 1 - Value"}, book),
            (V{kSkip, "E-Mail Address", kSkip}));
  EXPECT_EQ(pairByName({"Primary Email", "Email"}, book), (V{kSkip, "E-Mail Address"}));
  EXPECT_EQ(pairByName({"Notes", "Notes"}, book), (V{"Comments", kSkip}));
  // Outlook's "Title" is a form of address; its "Job Title" is the title.
  EXPECT_EQ(pairByName({"Title", "First Name", "Job Title"}, book),
            (V{kSkip, "First Name", "Title"}));
  // In a calendar a title is the subject; a "Start" column is a whole start where the
  // kind has one, and a start date where not.
  EXPECT_EQ(pairByName({"Title", "Start", "End"}, calendarFields(gw::CalendarKind::Appointment)),
            (V{"Subject", "Start DateTime", "End DateTime"}));
  EXPECT_EQ(pairByName({"Title", "Start", "Due"}, calendarFields(gw::CalendarKind::Task)),
            (V{"Subject", "Start Date", "Due Date"}));
  EXPECT_EQ(pairedCount({"Subject", kSkip, "Place"}), 2u);
}
