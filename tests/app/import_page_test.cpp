#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/TRadioGroup.h"
#include "tests/app/apptest.h"

using testing_support::TempDir;
using testing_support::writeFile;

namespace {

const QStringList kAppointments = {
    "Start Date",         "Start Time",   "Start DateTime",   "End Date",
    "End Time",           "End DateTime", "Duration (HH:MM)", "Duration (HH.hh/100)",
    "Duration (minutes)", "Place",        "Subject",          "Message"};

}  // namespace

class ImportPage : public AppTest {
 protected:
  ImportPage() { form->FormActivate(); }
  QListWidget* fileFields() { return find<QListWidget>("ListBox3"); }
  QListWidget* gwFields() { return find<QListWidget>("ListBox4"); }
  TRadioGroup* destination() { return find<TRadioGroup>("RadioGroup5"); }
  void readFile(const std::string& firstLine) {
    writeFile(dir.file("in.txt"), firstLine + "\r\nrest\r\n");
    find<QLineEdit>("Edit3")->setText(QString::fromStdString(dir.file("in.txt")));
    form->Edit3KeyPress();
  }
  TempDir dir;
};

TEST_F(ImportPage, DestinationsOfferTheirFields) {
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
  target->setCurrentIndex(0);  // another book: its names, on both pages
  EXPECT_EQ(rows(gwFields()), rows(find<QListWidget>("ListBox1")));
  EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(ImportPage, RemovingMovingAndCuttingGroupWiseFields) {
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
  form->ListBox4DblClick();  // nothing selected: nothing removed
  find<QPushButton>("BitBtn4")->click();
  EXPECT_EQ(rows(gwFields()).size(), 2);
}

TEST_F(ImportPage, TheDateLayoutDefaultsToTheFirstWhenLeft) {
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

TEST_F(ImportPage, TheFileChooser) {
  writeFile(dir.file("in.txt"), "A\tB\r\n");
  find<TRadioGroup>("RadioGroup6")->setItemIndex(1);
  find<QLineEdit>("Edit3")->setText(QString::fromStdString(dir.file("in.txt")));
  dialogs.answers.push_back(std::nullopt);  // cancelled: the named file is read again
  find<QPushButton>("BitBtn3")->click();
  ASSERT_EQ(dialogs.opened.size(), 1u);
  EXPECT_EQ(dialogs.opened[0].title, "Open Import File");
  EXPECT_EQ(dialogs.opened[0].defaultSuffix, "txt");
  EXPECT_TRUE(dialogs.opened[0].mustExist);
  EXPECT_EQ(dialogs.opened[0].initialPath, dir.file("in.txt"));
  EXPECT_EQ(rows(fileFields()), (QStringList{"A", "<empty field>"}));
  // Reading the names chose the first date layout.
  EXPECT_EQ(find<QComboBox>("ImpDateComboBox")->currentText(), "month/day/year");

  writeFile(dir.file("other.txt"), "X\tYZ\r\n");
  dialogs.answers.push_back(dir.file("other.txt"));
  find<QPushButton>("BitBtn3")->click();
  EXPECT_EQ(find<QLineEdit>("Edit3")->text().toStdString(), dir.file("other.txt"));
  EXPECT_EQ(rows(fileFields()), (QStringList{"X", "YZ"}));

  // With no name the chooser starts in the program's folder.
  find<QLineEdit>("Edit3")->clear();
  dialogs.answers.push_back(std::nullopt);
  find<QPushButton>("BitBtn3")->click();
  EXPECT_EQ(dialogs.opened.back().initialPath, form->programDir.toStdString());
  EXPECT_EQ(dialogs.take(), std::vector<std::string>{"Unable to open import file."});
  EXPECT_TRUE(rows(fileFields()).isEmpty());
}

TEST_F(ImportPage, EnterInTheFileName) {
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

TEST_F(ImportPage, DelimitersSetTheStateWithoutRereading) {
  readFile("\"a\",\"b\"");
  find<TRadioGroup>("RadioGroup6")->setItemIndex(2);
  EXPECT_EQ(form->impDelimiters.impSeparator, ",");
  EXPECT_EQ(form->impDelimiters.impQuoteClose, "");
  EXPECT_EQ(rows(fileFields()), (QStringList{"a", "b"}));
  find<TRadioGroup>("RadioGroup6")->setItemIndex(1);
  EXPECT_EQ(form->impDelimiters.impSeparator, "\t");
  EXPECT_EQ(find<QLabel>("Label9")->text(),
            "Warning: <CR> or <CR><LF> within fields of import file not allowed!");
}
