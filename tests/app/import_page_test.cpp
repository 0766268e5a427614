#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <QMenuBar>
#include <QTimer>

#include "app/TRadioGroup.h"
#include "groupwise/gwapi.h"
#include "tests/app/apptest.h"

using testing_support::TempDir;
using testing_support::writeFile;

namespace {

const QStringList kAppointments = {
    "Start Date",         "Start Time",   "Start DateTime",   "End Date",
    "End Time",           "End DateTime", "Duration (HH:MM)", "Duration (HH.hh/100)",
    "Duration (minutes)", "Place",        "Subject",          "Message"};

}  // namespace

class ImportPageTest : public AppTest {
 protected:
  ImportPageTest() { form->FormActivate(); }
  QListWidget* fileFields() { return find<QListWidget>("ListBox3"); }
  QListWidget* gwFields() { return find<QListWidget>("ListBox4"); }
  TRadioGroup* destination() { return find<TRadioGroup>("RadioGroup5"); }
  void readFile(const std::string& firstLine) {
    writeFile(dir.file("in.txt"), firstLine + "\r\nrest\r\n");
    find<QLineEdit>("Edit3")->setText(QString::fromStdString(dir.file("in.txt")));
    form->importPage()->Edit3KeyPress();
  }
  TempDir dir;
};

TEST_F(ImportPageTest, DestinationsOfferTheirFields) {
  readFile("\"a\",\"b\",\"c\",\"d\"");
  EXPECT_EQ(rows(fileFields()), (QStringList{"a", "b", "c", "d"}));
  EXPECT_EQ(rows(gwFields()), kAppointments);
  destination()->setItemIndex(1);
  EXPECT_EQ(rows(gwFields()),
            (QStringList{"Start Date", "Due Date", "Subject", "Priority", "Completed", "Message"}));
  destination()->setItemIndex(2);
  EXPECT_EQ(rows(gwFields()), (QStringList{"Start Date", "Subject", "Message"}));
  EXPECT_EQ(rows(fileFields()), (QStringList{"a", "b", "c", "d"}));  // untouched
  EXPECT_TRUE(find("ImpABComboBox")->isHidden());
  EXPECT_TRUE(find("Label10")->isHidden());

  destination()->setItemIndex(3);
  EXPECT_FALSE(find("ImpABComboBox")->isHidden());
  EXPECT_FALSE(find("Label10")->isHidden());
  auto* target = find<QComboBox>("ImpABComboBox");
  EXPECT_EQ(comboItems(target), (QStringList{"Frequent Contacts", "alice"}));
  EXPECT_EQ(target->currentText(), "alice");
  EXPECT_EQ(rows(gwFields()).first(), "Name");
  EXPECT_TRUE(rows(gwFields()).contains("E-Mail Type"));
  QStringList exportFields = rows(find<QListWidget>("ListBox1"));
  target->setCurrentIndex(0);  // another book picked: its names, on this page only
  emit target->activated(0);
  EXPECT_EQ(target->currentText(), "Frequent Contacts");
  EXPECT_EQ(rows(gwFields()).first(), "Name");
  EXPECT_EQ(rows(find<QListWidget>("ListBox1")), exportFields);
  EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(ImportPageTest, RemovingMovingAndCuttingGroupWiseFields) {
  readFile("\"a\",\"b\",\"c\",\"d\"");
  destination()->setItemIndex(2);
  dblClick(gwFields(), "Subject");
  EXPECT_EQ(rows(gwFields()), (QStringList{"Start Date", "Message"}));
  find<QPushButton>("BitBtn9")->click();  // fewer GroupWise rows than file fields
  EXPECT_EQ(rows(gwFields()), (QStringList{"Start Date", "Message"}));

  destination()->setItemIndex(0);
  readFile("\"a\",\"b\"");
  find<QPushButton>("BitBtn9")->click();
  EXPECT_EQ(rows(gwFields()), (QStringList{"Start Date", "Start Time"}));

  click(gwFields(), "Start Date");
  find<QPushButton>("BitBtn4")->click();  // first row up: nothing
  EXPECT_EQ(rows(gwFields()), (QStringList{"Start Date", "Start Time"}));
  find<QPushButton>("BitBtn5")->click();
  EXPECT_EQ(rows(gwFields()), (QStringList{"Start Time", "Start Date"}));
  EXPECT_EQ(gwFields()->currentItem()->text(), "Start Date");
  find<QPushButton>("BitBtn5")->click();  // last row down: nothing
  find<QPushButton>("BitBtn4")->click();
  EXPECT_EQ(rows(gwFields()), (QStringList{"Start Date", "Start Time"}));

  gwFields()->clearSelection();
  gwFields()->setCurrentRow(-1);
  form->importPage()->ListBox4DblClick();  // nothing selected: nothing removed
  find<QPushButton>("BitBtn4")->click();
  EXPECT_EQ(rows(gwFields()).size(), 2);
}

TEST_F(ImportPageTest, TheDateLayoutDefaultsToTheFirstWhenLeft) {
  auto* box = find<QComboBox>("ImpDateComboBox");
  EXPECT_EQ(box->currentText(), "MM/DD/YY            (01/31/97)");
  EXPECT_EQ(box->count(), 9);
  EXPECT_EQ(box->maxVisibleItems(), 12);
  showAndActivate();
  box->setFocus();
  box->setEditText("my own layout");
  find<QLineEdit>("Edit3")->setFocus();
  EXPECT_EQ(box->currentText(), "month/day/year");
  EXPECT_EQ(box->currentIndex(), 0);
  // A layout picked stays picked.
  box->setCurrentIndex(4);
  box->setFocus();
  find<QLineEdit>("Edit3")->setFocus();
  EXPECT_EQ(box->currentText(), "year-month-day");
}

TEST_F(ImportPageTest, TheFileChooser) {
  writeFile(dir.file("in.txt"), "A\tB\r\n");
  find<TRadioGroup>("RadioGroup6")->setItemIndex(1);
  find<QLineEdit>("Edit3")->setText(QString::fromStdString(dir.file("in.txt")));
  dialogs.answers.push_back(std::nullopt);  // cancelled: nothing changes
  find<QPushButton>("BitBtn3")->click();
  ASSERT_EQ(dialogs.opened.size(), 1u);
  EXPECT_EQ(dialogs.opened[0].title, "Open Import File");
  EXPECT_EQ(dialogs.opened[0].defaultSuffix, "txt");
  EXPECT_TRUE(dialogs.opened[0].mustExist);
  EXPECT_EQ(dialogs.opened[0].initialPath, dir.file("in.txt"));
  EXPECT_TRUE(rows(fileFields()).isEmpty());
  EXPECT_TRUE(dialogs.shown.empty());
  dialogs.answers.push_back(dir.file("in.txt"));
  find<QPushButton>("BitBtn3")->click();
  EXPECT_EQ(rows(fileFields()), (QStringList{"A", "<empty field>"}));
  // Reading the names chose the first date layout.
  EXPECT_EQ(find<QComboBox>("ImpDateComboBox")->currentText(), "month/day/year");

  writeFile(dir.file("other.txt"), "X\tYZ\r\n");
  dialogs.answers.push_back(dir.file("other.txt"));
  find<QPushButton>("BitBtn3")->click();
  EXPECT_EQ(find<QLineEdit>("Edit3")->text().toStdString(), dir.file("other.txt"));
  EXPECT_EQ(rows(fileFields()), (QStringList{"X", "YZ"}));

  // With no name the chooser starts in the program's folder; cancelling says nothing.
  find<QLineEdit>("Edit3")->clear();
  dialogs.answers.push_back(std::nullopt);
  find<QPushButton>("BitBtn3")->click();
  EXPECT_EQ(dialogs.opened.back().initialPath, form->programDir().toStdString());
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_EQ(rows(fileFields()), (QStringList{"X", "YZ"}));
}

TEST_F(ImportPageTest, EnterInTheFileName) {
  readFile("\"a\",\"b\"");
  EXPECT_EQ(rows(fileFields()), (QStringList{"a", "b"}));
  find<QLineEdit>("Edit3")->setText(QString::fromStdString(dir.file("missing.txt")));
  QTest::keyClick(find<QLineEdit>("Edit3"), Qt::Key_Return);
  EXPECT_EQ(rows(fileFields()), (QStringList{"a", "b"}));  // nothing read, nothing said
  EXPECT_TRUE(dialogs.shown.empty());
  find<QLineEdit>("Edit3")->setText(QString::fromStdString(dir.path()));
  QTest::keyClick(find<QLineEdit>("Edit3"), Qt::Key_Enter);
  EXPECT_TRUE(dialogs.shown.empty());
  writeFile(dir.file("new.txt"), "\"p\",\"q\",\"r\"\n");
  find<QLineEdit>("Edit3")->setText(QString::fromStdString(dir.file("new.txt")));
  QTest::keyClick(find<QLineEdit>("Edit3"), Qt::Key_Return);
  EXPECT_EQ(rows(fileFields()), (QStringList{"p", "q", "r"}));
}

TEST_F(ImportPageTest, DelimitersReadTheFileAgain) {
  readFile("p,q\tr,ss");
  find<TRadioGroup>("RadioGroup6")->setItemIndex(1);
  EXPECT_EQ(form->importPage()->impDelimiters.impSeparator, "\t");
  EXPECT_EQ(rows(fileFields()), (QStringList{"p,q", "r,ss"}));
  find<TRadioGroup>("RadioGroup6")->setItemIndex(2);
  EXPECT_EQ(form->importPage()->impDelimiters.impSeparator, ",");
  EXPECT_EQ(rows(fileFields()), (QStringList{"p", "q\tr", "ss"}));
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_EQ(find<QLabel>("Label9")->text(),
            "Warning: <CR> or <CR><LF> within fields of import file not allowed!");
}

class ImportThroughTheWindow : public ImportPageTest {
 protected:
  std::vector<std::u16string> subjects(const char16_t* filter) {
    gw::ObjectRef found = gw::api::findMessages(gw::api::calendar(form->gwAccount), filter);
    std::vector<std::u16string> out;
    for (int i = 1; i <= gw::api::count(found); ++i) {
      out.push_back(gw::api::getProperty(gw::api::item(found, i), "Subject").toText());
    }
    return out;
  }
};

TEST_F(ImportThroughTheWindow, FileDestinationPairingImport) {
  std::string content =
      "\"Subject\",\"Due Date\",\"Priority\"\r\n\"Renew permit\",\"1/20/2004\",\"B\"\r\n"
      "\"File taxes\",\"4/15/2004\",\"1\"\r\n";
  // Enough lines that the run lets the window take messages on the way.
  for (int i = 0; i < 3000; ++i) content += "\"zz later\",\"12/31/2004\",\"3\"\r\n";
  writeFile(dir.file("tasks.txt"), content);
  dialogs.answers.push_back(dir.file("tasks.txt"));
  find<QPushButton>("BitBtn3")->click();
  destination()->setItemIndex(1);
  find<QCheckBox>("IgnoreFirstLineCB")->setChecked(true);
  // Pair Subject, Due Date, Priority: move Subject up twice, remove Start Date, cut.
  dblClick(gwFields(), "Start Date");
  click(gwFields(), "Subject");
  find<QPushButton>("BitBtn4")->click();
  find<QPushButton>("BitBtn9")->click();
  EXPECT_EQ(rows(gwFields()), (QStringList{"Subject", "Due Date", "Priority"}));
  bool duringRun = false, locked = false;
  QTimer::singleShot(0, form.get(), [&] {
    duringRun = form->running();
    locked = !form->menuBar()->isEnabled() && !find("BitBtn6")->isEnabled() &&
             !find("ListBox4")->isEnabled() && !find("RadioGroup5")->isEnabled();
  });
  find<QPushButton>("BitBtn6")->click();
  if (duringRun) {  // the window took messages while the run went on
    EXPECT_TRUE(locked);
  }
  EXPECT_TRUE(dialogs.shown.empty());
  auto made = subjects(u"(TASK)");
  ASSERT_EQ(made.size(), 3002u);
  EXPECT_EQ(made[0], u"Renew permit");
  EXPECT_EQ(made[1], u"File taxes");
  gw::ObjectRef first =
      gw::api::item(gw::api::findMessages(gw::api::calendar(form->gwAccount), u"(TASK)"), 1);
  EXPECT_EQ(gw::api::getProperty(first, "TaskPriority").toInt(), 2);
  EXPECT_FALSE(find("BitBtn6")->testAttribute(Qt::WA_SetCursor));
  EXPECT_TRUE(find("ListBox4")->isEnabled());
  EXPECT_TRUE(form->menuBar()->isEnabled());
}

TEST_F(ImportThroughTheWindow, TheMappingMustMatchInBothDirections) {
  readFile("\"a\",\"b\",\"c\",\"d\",\"e\"");
  destination()->setItemIndex(1);  // 6 GroupWise fields against 5 file fields
  find<QPushButton>("BitBtn6")->click();
  auto shown = dialogs.take();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_NE(shown[0].find("The import file has 5 fields and \"GroupWise Fields:\" has 6. The "
                          "GroupWise list is longer by 1: remove"),
            std::string::npos)
      << shown[0];
  readFile("\"a\",\"b\",\"c\",\"d\",\"e\",\"f\",\"g\"");
  find<QPushButton>("BitBtn6")->click();
  shown = dialogs.take();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_NE(shown[0].find("The import file has 7 fields and \"GroupWise Fields:\" has 6. The "
                          "file's list is longer by 1"),
            std::string::npos)
      << shown[0];
  EXPECT_TRUE(subjects(u"(TASK)").empty());
  EXPECT_EQ(rows(gwFields()).size(), 6);  // neither list changed
  EXPECT_EQ(rows(fileFields()).size(), 7);
}

TEST_F(ImportThroughTheWindow, AnAddressBookImportCountsItsEntries) {
  writeFile(dir.file("people.txt"), "Ann\tann@x.org\r\nBen\tben@x.org\r\n");
  find<TRadioGroup>("RadioGroup6")->setItemIndex(1);
  find<QLineEdit>("Edit3")->setText(QString::fromStdString(dir.file("people.txt")));
  form->importPage()->Edit3KeyPress();
  destination()->setItemIndex(3);
  find<QComboBox>("ImpABComboBox")->setCurrentIndex(0);  // Frequent Contacts
  // Name, E-Mail Address: remove the fields between them, then cut the rest.
  for (const char* f : {"First Name", "Last Name", "Title", "Department", "Organization"}) {
    dblClick(gwFields(), f);
  }
  find<QPushButton>("BitBtn9")->click();
  EXPECT_EQ(rows(gwFields()), (QStringList{"Name", "E-Mail Address"}));
  find<QPushButton>("BitBtn6")->click();
  EXPECT_EQ(find<QLabel>("countLabel")->text(), "2 - done");
  EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(ImportThroughTheWindow, AnErrorThatEndsTheRunIsReportedAndTheButtonComesBack) {
  readFile("\"Start Time\"");
  writeFile(dir.file("in.txt"), "\"Start Time\"\r\n\"x:30\"\r\n");
  find<QCheckBox>("IgnoreFirstLineCB")->setChecked(true);
  dblClick(gwFields(), "Start Date");
  find<QPushButton>("BitBtn9")->click();
  ASSERT_EQ(rows(gwFields()), (QStringList{"Start Time"}));
  find<QPushButton>("BitBtn6")->click();
  // The line is set aside; the end message says so.
  EXPECT_EQ(
      dialogs.take(),
      std::vector<std::string>{
          "Import of " + dir.file("in.txt") +
          ":\n\nImported 0 items; 1 line set aside.\n\nLine 2, Start Time, \"x:30\": 'x:30' is "
          "not a valid time\n\nThe lines set aside are in " +
          dir.file("in.rejected.txt") + "; mend them there and import that file alone."});
  EXPECT_FALSE(find("BitBtn6")->testAttribute(Qt::WA_SetCursor));
  EXPECT_FALSE(form->running());
}

TEST_F(ImportThroughTheWindow, UndoTheLastImportAlsoAfterARestart) {
  writeFile(dir.file("notes.csv"), "Subject\r\nfirst\r\nsecond\r\nfirst\r\n");
  find<QLineEdit>("Edit3")->setText(QString::fromStdString(dir.file("notes.csv")));
  destination()->setItemIndex(2);
  form->importPage()->Edit3KeyPress();
  find<QPushButton>("PairBtn")->click();
  ASSERT_EQ(rows(gwFields()), QStringList{"Subject"});
  EXPECT_FALSE(find("UndoImportBtn")->isEnabled());
  find<QCheckBox>("SkipDuplicatesCB")->setChecked(true);
  find<QPushButton>("BitBtn6")->click();
  EXPECT_EQ(dialogs.take(), std::vector<std::string>{"Import of " + dir.file("notes.csv") +
                                                     ":\n\n2 imported, 1 already there."});
  EXPECT_EQ(subjects(u"(NOTE)").size(), 2u);
  EXPECT_TRUE(find("UndoImportBtn")->isEnabled());

  // Another start of the program finds the journal; No keeps everything.
  form = std::make_unique<TForm1>(dialogs);
  form->setWindows(&form2, &form3, &proxyform);
  form->FormActivate();
  ASSERT_TRUE(find("UndoImportBtn")->isEnabled());
  find<QPushButton>("UndoImportBtn")->click();
  auto asked = dialogs.take();
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].rfind("Remove the 2 notes imported from notes.csv on ", 0), 0u) << asked[0];
  EXPECT_EQ(subjects(u"(NOTE)").size(), 2u);
  dialogs.replies.push_back(true);
  find<QPushButton>("UndoImportBtn")->click();
  auto said = dialogs.take();
  ASSERT_EQ(said.size(), 2u);
  EXPECT_EQ(said[1], "2 notes removed.");
  EXPECT_TRUE(subjects(u"(NOTE)").empty());
  EXPECT_FALSE(find("UndoImportBtn")->isEnabled());
}
