#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>

#include "app/TRadioGroup.h"
#include "groupwise/gwapi.h"
#include "tests/app/apptest.h"
#include "tests/support/fakeobject.h"

namespace api = gw::api;
using gw::Variant;

namespace {

const QStringList kAppointments = {"Start Date",
                                   "Start Time",
                                   "Start DateTime",
                                   "End Date",
                                   "End Time",
                                   "End DateTime",
                                   "Duration (HH.hh/100)",
                                   "Duration (minutes)",
                                   "Place",
                                   "Subject",
                                   "Message",
                                   "From"};
const QStringList kTasks = {"Start Date",   "Due Date", "AssignedDate", "ModifiedDate",
                            "CreationDate", "Subject",  "Priority",     "Completed",
                            "Message",      "From"};
const QStringList kNotes = {"Start Date", "Subject", "Message", "From"};

}  // namespace

class ExportPage : public AppTest {
 protected:
  ExportPage() { form->FormActivate(); }
  TRadioGroup* source() { return find<TRadioGroup>("RadioGroup1"); }
  QListWidget* available() { return find<QListWidget>("ListBox1"); }
  QListWidget* chosen() { return find<QListWidget>("ListBox2"); }
  QString sample() { return find<QLineEdit>("Edit2")->text(); }
  bool exportEnabled() { return find<QPushButton>("ExportBtn")->isEnabled(); }
};

TEST_F(ExportPage, EachSourceOffersItsFields) {
  struct Case {
    int item;
    QStringList fields;
    bool time, range, book;
  } cases[] = {
      {1, kTasks, false, true, false},
      {0, kAppointments, true, true, false},
      {2, kNotes, false, true, false},
      {3, {}, false, false, true},
  };
  for (const Case& c : cases) {
    dblClick(available(), available()->item(0)->text());  // a choice that the switch undoes
    source()->setItemIndex(c.item);
    if (!c.book) {
      EXPECT_EQ(rows(available()), c.fields) << c.item;
    }
    EXPECT_TRUE(rows(chosen()).isEmpty());
    EXPECT_FALSE(exportEnabled());
    EXPECT_EQ(!find("TimeRadioGroup")->isHidden(), c.time);
    for (const char* name : {"DateRangeCheckBox", "Label4", "MaskEdit1", "Label5", "MaskEdit2"}) {
      EXPECT_EQ(!find(name)->isHidden(), c.range) << name;
    }
    EXPECT_EQ(!find("Label6")->isHidden(), c.book);
    EXPECT_EQ(!find("ABComboBox")->isHidden(), c.book);
  }
}

TEST_F(ExportPage, ChoosingOrderingAndRemovingFields) {
  dblClick(available(), "Subject");
  dblClick(available(), "Start Date");
  EXPECT_EQ(rows(chosen()), (QStringList{"Subject", "Start Date"}));
  EXPECT_FALSE(available()->findItems("Subject", Qt::MatchExactly).size());
  EXPECT_TRUE(exportEnabled());
  EXPECT_EQ(sample(), "\"Subject\",\"Start Date\"<CR><LF>");
  EXPECT_FALSE(find<QPushButton>("BitBtn1")->isEnabled());

  click(chosen(), "Start Date");
  EXPECT_TRUE(find<QPushButton>("BitBtn1")->isEnabled());
  find<QPushButton>("BitBtn1")->click();
  EXPECT_EQ(rows(chosen()), (QStringList{"Start Date", "Subject"}));
  EXPECT_EQ(sample(), "\"Start Date\",\"Subject\"<CR><LF>");
  find<QPushButton>("BitBtn1")->click();  // already first: nothing moves
  EXPECT_EQ(rows(chosen()), (QStringList{"Start Date", "Subject"}));
  find<QPushButton>("BitBtn2")->click();
  find<QPushButton>("BitBtn2")->click();  // already last
  EXPECT_EQ(rows(chosen()), (QStringList{"Subject", "Start Date"}));

  // A click in the available list ends the reordering.
  click(available(), "Place");
  EXPECT_FALSE(find<QPushButton>("BitBtn1")->isEnabled());
  EXPECT_TRUE(chosen()->selectedItems().isEmpty());

  // Removing puts the name at the bottom of the available list.
  dblClick(chosen(), "Subject");
  EXPECT_EQ(available()->item(available()->count() - 1)->text(), "Subject");
  EXPECT_FALSE(find<QPushButton>("BitBtn2")->isEnabled());
  EXPECT_EQ(sample(), "\"Start Date\"<CR><LF>");
  dblClick(chosen(), "Start Date");
  EXPECT_FALSE(exportEnabled());

  // Delimiters and line end show in the sample; with nothing chosen it asks for fields.
  find<TRadioGroup>("RadioGroup2")->setItemIndex(1);
  EXPECT_EQ(sample(), "Please choose export fields.");
  dblClick(available(), "Subject");
  dblClick(available(), "Place");
  find<TRadioGroup>("RadioGroup3")->setItemIndex(1);
  EXPECT_EQ(sample(), "Subject<TAB>Place<LF>");
  EXPECT_EQ(form->exportFormat.expLineEnd, "\n");
}

TEST_F(ExportPage, AnEmptyAvailableListTakesNoDoubleClick) {
  source()->setItemIndex(2);
  for (const QString& name : kNotes) dblClick(available(), name);
  EXPECT_EQ(rows(chosen()), kNotes);
  form->ListBox1DblClick();
  EXPECT_EQ(rows(chosen()), kNotes);
}

TEST_F(ExportPage, AddressBooksOfTheAccount) {
  auto* exportBooks = find<QComboBox>("ABComboBox");
  auto* importBooks = find<QComboBox>("ImpABComboBox");
  for (int twice = 0; twice < 2; ++twice) {
    source()->setItemIndex(0);
    source()->setItemIndex(3);
    EXPECT_EQ(comboItems(exportBooks),
              (QStringList{"Novell GroupWise Address Book", "Frequent Contacts", "alice"}));
    EXPECT_EQ(comboItems(importBooks), (QStringList{"Frequent Contacts", "alice"}));
  }
  EXPECT_EQ(exportBooks->currentText(), "alice");
  EXPECT_EQ(importBooks->currentText(), "alice");
  EXPECT_EQ(rows(available()).first(), "Name");
  EXPECT_EQ(rows(available()), rows(find<QListWidget>("ListBox4")));

  // Picking the system book loads its fields into both pages' lists.
  exportBooks->setCurrentIndex(0);
  EXPECT_TRUE(rows(available()).contains("User ID"));
  EXPECT_TRUE(rows(find<QListWidget>("ListBox4")).contains("User ID"));
  EXPECT_TRUE(dialogs.shown.empty());

  // A typed name that names no book: the general error report, and empty lists.
  exportBooks->setEditText("Nonexistent");
  EXPECT_EQ(dialogs.take(),
            std::vector<std::string>{"There is no address book named \"Nonexistent\""});
  EXPECT_TRUE(rows(available()).isEmpty());
  EXPECT_TRUE(rows(find<QListWidget>("ListBox4")).isEmpty());
}

TEST_F(ExportPage, AnAccountWithoutAddressBooks) {
  auto books = std::make_shared<testing_support::FakeObject>();
  books->set("Count", Variant(0));
  auto account = std::make_shared<testing_support::FakeObject>();
  account->set("AddressBooks", Variant(gw::ObjectRef(books)));
  form->gwAccount = account;
  source()->setItemIndex(3);
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_EQ(find<QComboBox>("ABComboBox")->currentText(), "");
  EXPECT_EQ(find<QComboBox>("ImpABComboBox")->currentText(), "");
  EXPECT_TRUE(rows(available()).isEmpty());
}

TEST_F(ExportPage, DateRangeControls) {
  auto* box = find<QCheckBox>("DateRangeCheckBox");
  EXPECT_FALSE(find("MaskEdit1")->isEnabled());
  box->setChecked(true);
  for (const char* name : {"Label4", "Label5", "MaskEdit1", "MaskEdit2"}) {
    EXPECT_TRUE(find(name)->isEnabled()) << name;
  }
  EXPECT_EQ(find<QLineEdit>("MaskEdit1")->selectedText(), "01/05/2004");
  box->setChecked(false);
  EXPECT_FALSE(find("MaskEdit2")->isEnabled());
  EXPECT_EQ(find<QLineEdit>("MaskEdit1")->toolTip(),
            "Date range is for starting date on appointments, due date on tasks, day of note on "
            "notes.");
}

class ExportThroughTheWindow : public ExportPage {
 protected:
  ExportThroughTheWindow() {
    gw::ObjectRef list = api::messages(api::calendar(form->gwAccount));
    for (int i = 0; i < 3; ++i) {
      gw::ObjectRef task = api::addMessage(list, u"GW.MESSAGE.TASK");
      api::setSubject(task, u"task " + std::u16string(1, static_cast<char16_t>(u'1' + i)));
      Variant day(u"1/" + std::u16string(1, static_cast<char16_t>(u'1' + i)) + u"/2004");
      api::setProperty(task, "StartDate", day);
      api::setProperty(task, "DueDate", day);  // a task's range goes by its due date
    }
    find<QLineEdit>("Edit1")->setText(QString::fromStdString(dir.file("out.txt")));
  }
  testing_support::TempDir dir;
};

TEST_F(ExportThroughTheWindow, ChooseFieldsPressExportReadTheFile) {
  source()->setItemIndex(1);
  dblClick(available(), "Subject");
  dblClick(available(), "Start Date");
  find<QCheckBox>("CheckBox1")->setChecked(true);
  find<QCheckBox>("DateRangeCheckBox")->setChecked(true);
  find<QLineEdit>("MaskEdit1")->setText("01/02/2004");
  find<QLineEdit>("MaskEdit2")->setText("01/03/2004");
  // While the export runs, nothing else can be started.
  bool lockedDuringRun = false;
  QTimer::singleShot(0, form.get(), [&] {
    lockedDuringRun = !form->menuBar()->isEnabled() &&
                      !find<QTabWidget>("TabbedNotebook1")->tabBar()->isEnabled() &&
                      !find("BitBtn6")->isEnabled() && !find("ExportBtn")->isEnabled() &&
                      !find("Panel1")->isHidden() && find("PBar1")->isEnabled() && form->running();
  });
  find<QPushButton>("ExportBtn")->click();
  EXPECT_TRUE(lockedDuringRun);
  EXPECT_EQ(testing_support::readFile(dir.file("out.txt")),
            "\"Subject\",\"Start Date\"\r\n\"task 2\",\"1/2/2004\"\r\n\"task 3\",\"1/3/2004\"\r\n");
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_TRUE(find("Panel1")->isHidden());
  EXPECT_TRUE(form->menuBar()->isEnabled());
  EXPECT_TRUE(find("BitBtn6")->isEnabled());
  EXPECT_TRUE(find("ExportBtn")->isEnabled());
  EXPECT_FALSE(find("BitBtn1")->isEnabled());  // what was disabled stays so
  EXPECT_FALSE(find("ExportBtn")->testAttribute(Qt::WA_SetCursor));
  EXPECT_FALSE(form->running());
}

TEST_F(ExportThroughTheWindow, AFileThatCannotBeCreated) {
  dblClick(available(), "Subject");
  for (const QString& path : {QString::fromStdString(dir.file("missing/out.txt")), QString()}) {
    find<QLineEdit>("Edit1")->setText(path);
    find<QPushButton>("ExportBtn")->click();
    EXPECT_EQ(dialogs.take(), std::vector<std::string>{"Unable to create export file."});
    EXPECT_EQ(find<QLineEdit>("Edit1")->text(), "");
  }
}

TEST_F(ExportThroughTheWindow, AnErrorThatEndsTheExportComesAfterTheCleanUp) {
  find<QLineEdit>("Edit1")->setText("/dev/full");
  source()->setItemIndex(1);
  dblClick(available(), "Subject");
  find<QPushButton>("ExportBtn")->click();
  auto shown = dialogs.take();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_NE(shown[0].find("No space left on device"), std::string::npos) << shown[0];
  EXPECT_TRUE(find("Panel1")->isHidden());
  EXPECT_FALSE(find("ExportBtn")->testAttribute(Qt::WA_SetCursor));
  EXPECT_TRUE(form->menuBar()->isEnabled());
  EXPECT_FALSE(form->running());
}
