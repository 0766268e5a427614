#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
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

class ExportPageTest : public AppTest {
 protected:
  ExportPageTest() { form->FormActivate(); }
  TRadioGroup* source() { return find<TRadioGroup>("RadioGroup1"); }
  QListWidget* available() { return find<QListWidget>("ListBox1"); }
  QListWidget* chosen() { return find<QListWidget>("ListBox2"); }
  QString sample() { return find<QLineEdit>("Edit2")->text(); }
  bool exportEnabled() { return find<QPushButton>("ExportBtn")->isEnabled(); }
};

TEST_F(ExportPageTest, EachSourceOffersItsFields) {
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

TEST_F(ExportPageTest, ChoosingOrderingAndRemovingFields) {
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
  EXPECT_EQ(form->exportPage()->exportFormat.expLineEnd, "\n");
}

TEST_F(ExportPageTest, AnEmptyAvailableListTakesNoDoubleClick) {
  source()->setItemIndex(2);
  for (const QString& name : kNotes) dblClick(available(), name);
  EXPECT_EQ(rows(chosen()), kNotes);
  form->exportPage()->ListBox1DblClick();
  EXPECT_EQ(rows(chosen()), kNotes);
}

TEST_F(ExportPageTest, AddressBooksOfTheAccount) {
  auto* books = find<QComboBox>("ABComboBox");
  for (int twice = 0; twice < 2; ++twice) {
    source()->setItemIndex(0);
    source()->setItemIndex(3);
    EXPECT_EQ(comboItems(books),
              (QStringList{"Novell GroupWise Address Book", "Frequent Contacts", "alice"}));
  }
  EXPECT_EQ(books->currentText(), "alice");
  EXPECT_EQ(rows(available()).first(), "Name");

  // Picking the system book from the list loads its fields.
  books->setCurrentIndex(0);
  emit books->activated(0);
  EXPECT_TRUE(rows(available()).contains("User ID"));
  EXPECT_TRUE(dialogs.shown.empty());

  // Typing loads nothing until the name is confirmed; letter case does not matter.
  QStringList systemFields = rows(available());
  books->setEditText("frequent");
  books->setEditText("frequent contacts");
  EXPECT_EQ(rows(available()), systemFields);
  QTest::keyClick(books->lineEdit(), Qt::Key_Return);
  EXPECT_EQ(books->currentText(), "Frequent Contacts");
  EXPECT_FALSE(rows(available()).contains("User ID"));
  QStringList contactFields = rows(available());

  // Another name: one message naming it and the books there are; the box goes back.
  books->setEditText("Nonexistent");
  QTest::keyClick(books->lineEdit(), Qt::Key_Return);
  EXPECT_EQ(dialogs.take(),
            std::vector<std::string>{"There is no address book named \"Nonexistent\". The address "
                                     "books here are \"Novell GroupWise Address Book\", \"Frequent "
                                     "Contacts\", \"alice\"."});
  EXPECT_EQ(books->currentText(), "Frequent Contacts");
  EXPECT_EQ(rows(available()), contactFields);
}

TEST_F(ExportPageTest, EachPageHasItsOwnAddressBookAndLists) {
  auto* importBooks = find<QComboBox>("ImpABComboBox");
  auto* gwFields = find<QListWidget>("ListBox4");
  find<TRadioGroup>("RadioGroup5")->setItemIndex(3);
  importBooks->setCurrentIndex(importBooks->findText("Frequent Contacts"));
  emit importBooks->activated(importBooks->currentIndex());
  delete gwFields->takeItem(0);  // the user's pairing
  QStringList pairing = rows(gwFields);

  // The Export page's source and book change nothing on the Import page.
  source()->setItemIndex(3);
  auto* exportBooks = find<QComboBox>("ABComboBox");
  exportBooks->setCurrentIndex(0);
  emit exportBooks->activated(0);
  source()->setItemIndex(1);
  EXPECT_EQ(importBooks->currentText(), "Frequent Contacts");
  EXPECT_EQ(rows(gwFields), pairing);

  // ... nor the Import page's destination anything on the Export page.
  dblClick(available(), "Subject");
  QStringList left = rows(available());
  find<TRadioGroup>("RadioGroup5")->setItemIndex(0);
  find<TRadioGroup>("RadioGroup5")->setItemIndex(3);
  EXPECT_EQ(rows(available()), left);
  EXPECT_EQ(rows(chosen()), QStringList{"Subject"});
}

TEST_F(ExportPageTest, ADoubleClickMovesThatRowOnlyAndLeavesNoneSelected) {
  dblClick(available(), "From");  // the last row
  EXPECT_EQ(rows(chosen()), QStringList{"From"});
  EXPECT_EQ(available()->count(), kAppointments.size() - 1);
  EXPECT_TRUE(available()->selectedItems().isEmpty());
  EXPECT_TRUE(chosen()->selectedItems().isEmpty());
  EXPECT_FALSE(find<QPushButton>("BitBtn1")->isEnabled());

  // Enter moves the selected row as a double click does; Delete takes it out again.
  click(available(), "Place");
  QTest::keyClick(available(), Qt::Key_Return);
  EXPECT_EQ(rows(chosen()), (QStringList{"From", "Place"}));
  click(chosen(), "From");
  EXPECT_TRUE(find<QPushButton>("BitBtn2")->isEnabled());
  QTest::keyClick(chosen(), Qt::Key_Delete);
  EXPECT_EQ(rows(chosen()), QStringList{"Place"});
  EXPECT_FALSE(find<QPushButton>("BitBtn2")->isEnabled());
  EXPECT_EQ(sample(), "\"Place\"<CR><LF>");

  // The sample follows the source too.
  source()->setItemIndex(2);
  EXPECT_EQ(sample(), "Please choose export fields.");
}

TEST_F(ExportPageTest, AnAccountWithoutAddressBooks) {
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

TEST_F(ExportPageTest, DateRangeControls) {
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

class ExportThroughTheWindow : public ExportPageTest {
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
  EXPECT_EQ(find<QLabel>("ExportStatusLabel")->text().toStdString(),
            "2 tasks written to " + dir.file("out.txt"));
}

// A calendar whose search finds `count` items made on demand; item `failAt` fails as a
// post office that cannot be read does.
gw::ObjectRef fakeAccount(int count, int failAt) {
  auto found = std::make_shared<testing_support::FakeObject>();
  found->set("Count", Variant(count));
  found->method("Item", [failAt](std::span<const Variant> args) {
    if (args[0].toInt() == failAt) throw gw::StoreError("The post office cannot be read");
    auto item = std::make_shared<testing_support::FakeObject>();
    item->set("Subject", Variant(u"item " + args[0].toText()));
    return Variant(gw::ObjectRef(item));
  });
  auto calendar = std::make_shared<testing_support::FakeObject>();
  calendar->method("FindMessages",
                   [found](std::span<const Variant>) { return Variant(gw::ObjectRef(found)); });
  auto account = std::make_shared<testing_support::FakeObject>();
  account->set("Calendar", Variant(gw::ObjectRef(calendar)));
  return account;
}

TEST_F(ExportThroughTheWindow, AnExportThatIsRefusedFailsOrIsCancelledLeavesTheFileAsItWas) {
  testing_support::writeFile(dir.file("out.txt"), "precious");
  dblClick(available(), "Subject");
  auto fileKept = [&] {
    EXPECT_EQ(testing_support::readFile(dir.file("out.txt")), "precious");
    EXPECT_EQ(QDir(QString::fromStdString(dir.path())).entryList(QDir::Files | QDir::Hidden),
              QStringList{"out.txt"});
  };

  // A date range that is none: refused before the file is touched.
  find<QCheckBox>("DateRangeCheckBox")->setChecked(true);
  find<QLineEdit>("MaskEdit1")->setText("13/45/2004");
  find<QPushButton>("ExportBtn")->click();
  auto shown = dialogs.take();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_NE(shown[0].find("13/45/2004"), std::string::npos) << shown[0];
  fileKept();
  find<QCheckBox>("DateRangeCheckBox")->setChecked(false);

  // A post office that fails half-way.
  form->gwAccount = fakeAccount(3, 2);
  find<QPushButton>("ExportBtn")->click();
  shown = dialogs.take();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_NE(shown[0].find("The post office cannot be read"), std::string::npos) << shown[0];
  fileKept();

  // Cancel while it runs: no file, and the page says so.
  form->gwAccount = fakeAccount(2000000, -1);
  QTimer::singleShot(0, form.get(), [&] { find<QPushButton>("CancelBtn")->click(); });
  find<QPushButton>("ExportBtn")->click();
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_EQ(find<QLabel>("ExportStatusLabel")->text().toStdString(),
            "Export cancelled: no file was written to " + dir.file("out.txt") + ".");
  fileKept();
  EXPECT_FALSE(form->running());
}

TEST_F(ExportThroughTheWindow, StandardCsvInEitherEncoding) {
  gw::ObjectRef note =
      api::addMessage(api::messages(api::calendar(form->gwAccount)), u"GW.MESSAGE.NOTE");
  api::setSubject(note, u"Caf\u00e9 \u041c\u043e\u0441\u043a\u0432\u0430, \"big\"");
  api::setProperty(note, "BodyText", Variant(u"line 1\r\nline 2"));
  source()->setItemIndex(2);
  dblClick(available(), "Subject");
  dblClick(available(), "Message");
  find<TRadioGroup>("RadioGroup2")->setItemIndex(2);
  EXPECT_FALSE(find("ExpSeparatorComboBox")->isHidden());
  EXPECT_FALSE(find("RadioGroup4")->isEnabled());  // no quote substitute in this mode
  find<QComboBox>("ExpSeparatorComboBox")->setCurrentIndex(1);
  EXPECT_EQ(sample(), "Subject;Message<CR><LF>");

  find<QPushButton>("ExportBtn")->click();
  EXPECT_EQ(testing_support::readFile(dir.file("out.txt")),
            "\"Caf\xE9 ??????, \"\"big\"\"\";\"line 1\r\nline 2\"\r\n");
  auto shown = dialogs.take();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0], "6 characters that Windows-1252 does not have were written as \"?\" in " +
                          dir.file("out.txt") +
                          ". Choose the encoding UTF-8 to keep every character.");

  find<QComboBox>("ExpEncodingComboBox")->setCurrentIndex(2);
  find<QPushButton>("ExportBtn")->click();
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_EQ(testing_support::readFile(dir.file("out.txt")),
            "\xEF\xBB\xBF\"Caf\xC3\xA9 \xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0, "
            "\"\"big\"\"\";\"line 1\r\nline 2\"\r\n");
}

TEST_F(ExportThroughTheWindow, AFileThatCannotBeCreated) {
  dblClick(available(), "Subject");
  for (const QString& path : {QString::fromStdString(dir.file("missing/out.txt")), QString()}) {
    find<QLineEdit>("Edit1")->setText(path);
    find<QPushButton>("ExportBtn")->click();
    auto shown = dialogs.take();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].rfind("Unable to create export file.\n\n", 0), 0u) << shown[0];
    EXPECT_NE(shown[0].find(path.isEmpty() ? "No file name" : "No such file or directory"),
              std::string::npos)
        << shown[0];
    EXPECT_EQ(find<QLineEdit>("Edit1")->text(), path);  // kept for the user to mend
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
