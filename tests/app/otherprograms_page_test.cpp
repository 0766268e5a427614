// Files from other programs through the Import page, as a user takes them: the page
// detects the layout and pairs by name, the preview shows what the import stores, the
// Skip button, a file that is no text; and a Standard CSV round trip in UTF-8.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableWidget>

#include "app/PreviewForm.h"
#include "app/TRadioGroup.h"
#include "groupwise/gwapi.h"
#include "platform/ansi.h"
#include "platform/oledate.h"
#include "tests/app/apptest.h"

namespace api = gw::api;
using gw::Variant;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

std::string fixture(const std::string& name) {
  return std::string(MARROWBY_IMPORT_FIXTURES) + "/" + name;
}

}  // namespace

class OtherProgramsPage : public AppTest {
 protected:
  OtherProgramsPage() { form->FormActivate(); }
  // Chooses a copy of a fixture with the file chooser (the rejected file would go beside
  // the fixture otherwise).
  void choose(const std::string& name) {
    std::string copy = dir.file(name);
    writeFile(copy, readFile(fixture(name)));
    dialogs.answers.push_back(copy);
    find<QPushButton>("BitBtn3")->click();
  }
  std::vector<gw::ObjectRef> items(const gw::ObjectRef& account, const char16_t* filter) {
    gw::ObjectRef found = api::findMessages(api::calendar(account), filter);
    std::vector<gw::ObjectRef> out;
    for (int i = 1; i <= api::count(found); ++i) out.push_back(api::item(found, i));
    return out;
  }
  QListWidget* gwFields() { return find<QListWidget>("ListBox4"); }
  TempDir dir;
};

TEST_F(OtherProgramsPage, AnOutlookCalendarIsDetectedPairedPreviewedAndImported) {
  choose("outlook-calendar.csv");
  EXPECT_EQ(find<QLabel>("ImpDetectLabel")->text().toStdString(),
            "Windows-1252, Standard CSV with ',', dates month/day/year, 7 of 22 columns paired "
            "by name");
  EXPECT_EQ(find<TRadioGroup>("RadioGroup6")->itemIndex(), 3);
  EXPECT_FALSE(find("ImpSeparatorComboBox")->isHidden());
  EXPECT_TRUE(find("Label9")->isHidden());  // line breaks inside fields are fine here
  EXPECT_TRUE(find<QCheckBox>("IgnoreFirstLineCB")->isChecked());
  QStringList pairing = rows(gwFields());
  EXPECT_EQ(pairing.size(), 22);
  EXPECT_EQ(pairing.mid(0, 5),
            (QStringList{"Subject", "Start Date", "Start Time", "End Date", "End Time"}));
  EXPECT_EQ(pairing.count("(skip)"), 15);
  EXPECT_EQ(pairing[15], "Message");  // "Description"
  EXPECT_EQ(pairing[16], "Place");    // "Location"

  // The preview shows exactly what the import then stores.
  find<QPushButton>("PreviewBtn")->click();
  auto* preview = form->findChild<PreviewForm*>("PreviewForm");
  ASSERT_TRUE(preview && preview->isVisible());
  auto* grid = preview->findChild<QTableWidget*>("PreviewGrid");
  ASSERT_GT(grid->rowCount(), 0);
  std::map<QString, QString> first;
  for (int c = 0; c < grid->columnCount(); ++c) {
    first[grid->horizontalHeaderItem(c)->text()] = grid->item(0, c) ? grid->item(0, c)->text() : "";
  }
  EXPECT_TRUE(items(form->gwAccount, u"(APPOINTMENT)").empty());  // nothing written
  preview->hide();

  find<QPushButton>("BitBtn6")->click();
  EXPECT_TRUE(dialogs.shown.empty()) << dialogs.shown[0].text;
  auto made = items(form->gwAccount, u"(APPOINTMENT)");
  ASSERT_EQ(find<QLabel>("countLabel")->text().toStdString(),
            std::to_string(made.size()) + (made.size() == 1 ? " appointment" : " appointments") +
                " - done");
  gw::ObjectRef budget;
  for (const auto& item : made) {
    if (api::getProperty(item, "Subject").toText() == first["Subject"].toStdU16String()) {
      budget = item;
    }
  }
  ASSERT_TRUE(budget) << first["Subject"].toStdString();
  EXPECT_EQ(QString::fromStdU16String(api::getProperty(budget, "Place").toText()), first["Place"]);
  EXPECT_EQ(QString::fromStdU16String(api::getProperty(budget, "BodyText").toText()),
            first["Message"]);
  EXPECT_TRUE(first["Message"].contains("\r\n"));  // a message of several lines
  EXPECT_EQ(
      QString::fromStdString(platform::dateToText(api::getProperty(budget, "StartDate").toDate())),
      first["Start Date"] + " " + first["Start Time"]);
}

TEST_F(OtherProgramsPage, GoogleContactsInUtf8GoIntoTheChosenBook) {
  find<TRadioGroup>("RadioGroup5")->setItemIndex(3);
  auto* target = find<QComboBox>("ImpABComboBox");
  target->setCurrentIndex(target->findText("Frequent Contacts"));
  emit target->activated(target->currentIndex());
  choose("google-contacts.csv");
  EXPECT_EQ(find<QComboBox>("ImpEncodingComboBox")->currentText(), "UTF-8");
  EXPECT_TRUE(rows(gwFields()).contains("E-Mail Address"));
  EXPECT_TRUE(rows(gwFields()).contains("First Name"));
  find<QPushButton>("BitBtn6")->click();
  EXPECT_TRUE(dialogs.shown.empty()) << dialogs.shown[0].text;
  gw::ObjectRef book = api::itemByName(api::addressBooks(form->gwAccount), u"Frequent Contacts");
  gw::ObjectRef entries = api::addressBookEntries(book);
  ASSERT_GT(api::count(entries), 0);
  std::u16string first =
      api::fieldItem(api::entryFields(api::item(entries, 1)), u"First Name").toText();
  EXPECT_EQ(first, u"Zo\u00eb");  // not garbled
}

TEST_F(OtherProgramsPage, SkipRowsByTheButtonAndTheCountMessage) {
  writeFile(dir.file("in.txt"), "\"a\",\"b\",\"c\",\"d\"\r\n");
  find<QLineEdit>("Edit3")->setText(QString::fromStdString(dir.file("in.txt")));
  form->importPage()->Edit3KeyPress();
  find<TRadioGroup>("RadioGroup5")->setItemIndex(2);  // Start Date, Subject, Message
  click(gwFields(), "Subject");
  find<QPushButton>("SkipBtn")->click();  // above the selected row
  EXPECT_EQ(rows(gwFields()), (QStringList{"Start Date", "(skip)", "Subject", "Message"}));
  EXPECT_TRUE(gwFields()->selectedItems().isEmpty());
  dblClick(gwFields(), "(skip)");
  EXPECT_EQ(rows(gwFields()), (QStringList{"Start Date", "Subject", "Message"}));

  find<QPushButton>("BitBtn6")->click();
  auto shown = dialogs.take();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_NE(shown[0].find("The import file has 4 fields and \"GroupWise Fields:\" has 3."),
            std::string::npos);
  EXPECT_NE(shown[0].find("(skip)"), std::string::npos) << shown[0];

  find<QPushButton>("SkipBtn")->click();  // nothing selected: fills up to the file's length
  EXPECT_EQ(rows(gwFields()), (QStringList{"Start Date", "Subject", "Message", "(skip)"}));
}

TEST_F(OtherProgramsPage, AFileThatIsNoTextIsReadOnlyWhenTheUserSaysSo) {
  writeFile(dir.file("photo.csv"), std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
  dialogs.answers.push_back(dir.file("photo.csv"));
  dialogs.replies.push_back(false);
  find<QPushButton>("BitBtn3")->click();
  auto shown = dialogs.take();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_NE(shown[0].find("does not look like a text file"), std::string::npos) << shown[0];
  EXPECT_NE(shown[0].find(dir.file("photo.csv")), std::string::npos) << shown[0];
  EXPECT_TRUE(rows(find<QListWidget>("ListBox3")).isEmpty());
  find<QPushButton>("BitBtn6")->click();  // asked again; no: nothing is imported
  EXPECT_EQ(dialogs.take().size(), 1u);
  EXPECT_TRUE(items(form->gwAccount, u"(APPOINTMENT)").empty());
}

TEST_F(OtherProgramsPage, AStandardCsvRoundTripInUtf8KeepsEveryLetterAndLineBreak) {
  po.addUser("bob", "Bob Builder");
  po.grantProxy("bob", "alice");
  gw::ObjectRef list = api::messages(api::calendar(form->gwAccount));
  struct Appointment {
    const char16_t *subject, *place, *message, *start;
  } made[] = {
      {u"\u0412\u0441\u0442\u0440\u0435\u0447\u0430 \u00ab\u043f\u043b\u0430\u043d\u00bb",
       u"Z\u00fcrich; Raum \"5\"", u"Agenda:\r\n1. \"big\" items\r\n2. \u6771\u4eac",
       u"1/15/2026 10:30:00 PM"},
      {u"Lunch, with Ren\u00e9e", u"", u"", u"2/1/2026 12:00:00 PM"},
  };
  for (const Appointment& a : made) {
    gw::ObjectRef item = api::addMessage(list, u"GW.MESSAGE.APPOINTMENT");
    api::setSubject(item, a.subject);
    api::setProperty(item, "Place", Variant(a.place));
    api::setProperty(item, "BodyText", Variant(a.message));
    api::setProperty(item, "StartDate", Variant(a.start));
    api::setProperty(item, "Duration", Variant(1.0 / 24));
  }
  auto exportTo = [&](const std::string& path) {
    find<QTabWidget>("TabbedNotebook1")->setCurrentIndex(0);
    find<TRadioGroup>("RadioGroup1")->setItemIndex(1);
    find<TRadioGroup>("RadioGroup1")->setItemIndex(0);  // a fresh list
    for (const char* f : {"Subject", "Start DateTime", "End DateTime", "Place", "Message"}) {
      dblClick(find<QListWidget>("ListBox1"), f);
    }
    find<TRadioGroup>("RadioGroup2")->setItemIndex(2);
    find<QComboBox>("ExpEncodingComboBox")->setCurrentIndex(1);
    find<QCheckBox>("CheckBox1")->setChecked(true);
    find<QLineEdit>("Edit1")->setText(QString::fromStdString(path));
    find<QPushButton>("ExportBtn")->click();
  };
  exportTo(dir.file("alice.csv"));
  EXPECT_TRUE(dialogs.shown.empty());

  // Into Bob's calendar, by proxy: the page detects and pairs the file by itself.
  find<QAction>("Proxy1")->trigger();
  proxyform.findChild<QLineEdit*>("Edit1")->setText("bob");
  proxyform.findChild<QPushButton*>("pxyButton")->click();
  find<QTabWidget>("TabbedNotebook1")->setCurrentIndex(1);
  find<TRadioGroup>("RadioGroup5")->setItemIndex(0);
  dialogs.answers.push_back(dir.file("alice.csv"));
  find<QPushButton>("BitBtn3")->click();
  EXPECT_EQ(find<QComboBox>("ImpEncodingComboBox")->currentText(), "UTF-8");
  EXPECT_EQ(find<TRadioGroup>("RadioGroup6")->itemIndex(), 3);
  EXPECT_EQ(rows(gwFields()),
            (QStringList{"Subject", "Start DateTime", "End DateTime", "Place", "Message"}));
  find<QPushButton>("BitBtn6")->click();
  EXPECT_TRUE(dialogs.shown.empty()) << dialogs.shown[0].text;
  EXPECT_EQ(items(form->gwAccount, u"(APPOINTMENT)").size(), 2u);

  exportTo(dir.file("bob.csv"));
  EXPECT_EQ(readFile(dir.file("bob.csv")), readFile(dir.file("alice.csv")));
  EXPECT_NE(readFile(dir.file("bob.csv")).find("\xE6\x9D\xB1\xE4\xBA\xAC"), std::string::npos);
}

TEST_F(OtherProgramsPage, EachFileChosenIsTakenAsItIs) {
  choose("outlook-calendar.csv");
  EXPECT_TRUE(find<QCheckBox>("IgnoreFirstLineCB")->isChecked());
  // A file without a header line: its first line is data and is imported.
  writeFile(dir.file("plain.txt"), "\"Lunch\",\"1/15/2026\"\r\n\"Dinner\",\"1/16/2026\"\r\n");
  dialogs.answers.push_back(dir.file("plain.txt"));
  find<QPushButton>("BitBtn3")->click();
  EXPECT_FALSE(find<QCheckBox>("IgnoreFirstLineCB")->isChecked());

  // An empty file says so, and so does Import.
  writeFile(dir.file("empty.csv"), "");
  dialogs.answers.push_back(dir.file("empty.csv"));
  find<QPushButton>("BitBtn3")->click();
  EXPECT_EQ(dialogs.take(), std::vector<std::string>{dir.file("empty.csv") +
                                                     " is empty: there is nothing to import."});
  find<QPushButton>("BitBtn6")->click();
  auto shown = dialogs.take();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].rfind("There is nothing to import: ", 0), 0u) << shown[0];
}

TEST_F(OtherProgramsPage, TheTwoFieldListsScrollAsOne) {
  std::string header;
  for (int i = 0; i < 92; ++i)
    header += (i ? "," : "") + std::string("Column ") + std::to_string(i);
  writeFile(dir.file("wide.csv"), header + "\r\n");
  form->show();  // lists scroll only when they are shown
  dialogs.answers.push_back(dir.file("wide.csv"));
  find<QPushButton>("BitBtn3")->click();
  find<QPushButton>("SkipBtn")->click();
  auto* files = find<QListWidget>("ListBox3");
  ASSERT_EQ(gwFields()->count(), files->count());
  QApplication::processEvents();
  ASSERT_GT(gwFields()->verticalScrollBar()->maximum(), 40);
  gwFields()->verticalScrollBar()->setValue(40);
  EXPECT_EQ(files->verticalScrollBar()->value(), 40);
  files->verticalScrollBar()->setValue(12);
  EXPECT_EQ(gwFields()->verticalScrollBar()->value(), 12);
}
