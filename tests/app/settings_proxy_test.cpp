#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabWidget>

#include "app/TRadioGroup.h"
#include "groupwise/gwapi.h"
#include "tests/app/apptest.h"

namespace api = gw::api;
using gw::Variant;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

class Settings : public AppTest {
 protected:
  Settings() {
    form->FormActivate();
    writeFile(dir.file("in.txt"), "\"a\",\"b\",\"c\"\r\n");
  }
  void save(const std::string& path) {
    dialogs.answers.push_back(path);
    find<QAction>("Save1")->trigger();
  }
  void open(const std::string& path) {
    dialogs.answers.push_back(path);
    find<QAction>("Open1")->trigger();
  }
  TRadioGroup* group(const char* name) { return find<TRadioGroup>(name); }
  QCheckBox* box(const char* name) { return find<QCheckBox>(name); }
  QLineEdit* edit(const char* name) { return find<QLineEdit>(name); }
  QComboBox* combo(const char* name) { return find<QComboBox>(name); }
  QListWidget* list(const char* name) { return find<QListWidget>(name); }

  // Every control the file keeps, as text, for comparing whole states.
  std::vector<std::string> state() {
    std::vector<std::string> s;
    s.push_back(std::to_string(find<QTabWidget>("TabbedNotebook1")->currentIndex()));
    for (const char* n : {"ABComboBox", "ImpABComboBox", "ImpDateComboBox"}) {
      s.push_back(combo(n)->currentText().toStdString());
    }
    for (const char* n : {"CBquotereplace", "CBtrailspace", "CheckBox1", "DateRangeCheckBox",
                          "IgnoreFirstLineCB"}) {
      s.push_back(box(n)->isChecked() ? "1" : "0");
    }
    for (const char* n : {"Edit1", "Edit2", "Edit3", "MaskEdit1", "MaskEdit2"}) {
      s.push_back(edit(n)->text().toStdString());
    }
    for (const char* n : {"ListBox1", "ListBox2", "ListBox3", "ListBox4"}) {
      s.push_back(std::to_string(list(n)->currentRow()));
    }
    for (const char* n : {"RadioGroup1", "RadioGroup2", "RadioGroup3", "RadioGroup4", "RadioGroup5",
                          "RadioGroup6", "TimeRadioGroup"}) {
      s.push_back(std::to_string(group(n)->itemIndex()));
    }
    return s;
  }

  TempDir dir;
};

TEST_F(Settings, SaveThenOpenRestoresEveryControl) {
  group("RadioGroup1")->setItemIndex(1);
  dblClick(list("ListBox1"), "Subject");
  dblClick(list("ListBox1"), "Due Date");
  click(list("ListBox2"), "Due Date");
  group("RadioGroup2")->setItemIndex(1);
  group("RadioGroup3")->setItemIndex(1);
  group("RadioGroup4")->setItemIndex(2);
  group("TimeRadioGroup")->setItemIndex(1);
  box("CheckBox1")->setChecked(true);
  box("DateRangeCheckBox")->setChecked(true);
  edit("MaskEdit1")->setText("02/01/2004");
  edit("MaskEdit2")->setText("2 /9 /2004");
  edit("Edit1")->setText(QString::fromStdString(dir.file("caf\xC3\xA9.txt")));
  edit("Edit3")->setText(QString::fromStdString(dir.file("in.txt")));
  form->importPage()->Edit3KeyPress();
  click(list("ListBox3"), "b");
  group("RadioGroup5")->setItemIndex(2);
  group("RadioGroup6")->setItemIndex(1);
  click(list("ListBox4"), "Message");
  box("IgnoreFirstLineCB")->setChecked(true);
  box("CBtrailspace")->setChecked(true);
  box("CBquotereplace")->setChecked(true);
  combo("ImpDateComboBox")->setCurrentIndex(4);
  find<QTabWidget>("TabbedNotebook1")->setCurrentIndex(0);
  std::vector<std::string> saved = state();

  save(dir.file("choices.mwb"));
  ASSERT_EQ(dialogs.saved.size(), 1u);
  EXPECT_EQ(dialogs.saved[0].title, "Save Settings");
  EXPECT_EQ(dialogs.saved[0].defaultSuffix, "mwb");
  EXPECT_EQ(dialogs.saved[0].filter, "Marrowby settings (*.mwb);;All files (*)");
  EXPECT_EQ(dialogs.saved[0].initialPath,
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString());
  std::string bytes = readFile(dir.file("choices.mwb"));
  // The record as earlier versions read it, then the choices it has no room for.
  EXPECT_EQ(bytes.substr(0, 15), "\x0EMARROWBYV1.06d");
  EXPECT_EQ(bytes.substr(2360, 21), "MARROWBY-EXTENSION 1\n");
  EXPECT_NE(bytes.find("caf\xE9.txt"), std::string::npos);  // Windows-1252

  // Change what does not rebuild the lists, then open.
  group("RadioGroup2")->setItemIndex(0);
  group("RadioGroup4")->setItemIndex(0);
  group("TimeRadioGroup")->setItemIndex(0);
  group("RadioGroup6")->setItemIndex(2);
  box("CheckBox1")->setChecked(false);
  box("CBquotereplace")->setChecked(false);
  edit("Edit1")->setText("elsewhere.txt");
  edit("MaskEdit1")->clear();
  combo("ImpDateComboBox")->setCurrentIndex(0);
  list("ListBox2")->setCurrentRow(0);
  find<QTabWidget>("TabbedNotebook1")->setCurrentIndex(1);
  open(dir.file("choices.mwb"));
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_EQ(state(), saved);
  EXPECT_EQ(form->exportPage()->exportFormat.expSeparator, "\t");  // the handlers ran
  EXPECT_EQ(form->importPage()->impDelimiters.impSeparator, "\t");
  EXPECT_EQ(dialogs.opened.back().title, "Open Settings");
  EXPECT_EQ(dialogs.opened.back().filter, "Marrowby settings (*.mwb);;All files (*)");
  EXPECT_EQ(dialogs.opened.back().initialPath, dir.path());  // where the last one was
}

TEST_F(Settings, TheChosenFieldsComeBackWithTheirSource) {
  group("RadioGroup1")->setItemIndex(1);
  dblClick(list("ListBox1"), "Subject");
  dblClick(list("ListBox1"), "Due Date");
  click(list("ListBox1"), "Priority");
  group("RadioGroup7")->setItemIndex(1);
  save(dir.file("tasks.mwb"));
  group("RadioGroup1")->setItemIndex(2);
  group("RadioGroup7")->setItemIndex(0);
  open(dir.file("tasks.mwb"));
  // Opened again on the same source, the file's fields replace those chosen since.
  dblClick(list("ListBox1"), "Completed");
  open(dir.file("tasks.mwb"));
  EXPECT_EQ(group("RadioGroup1")->itemIndex(), 1);
  EXPECT_EQ(rows(list("ListBox2")), (QStringList{"Subject", "Due Date"}));
  EXPECT_EQ(list("ListBox1")->count(), 8);
  EXPECT_EQ(list("ListBox1")->currentItem()->text(), "Priority");
  EXPECT_EQ(group("RadioGroup7")->itemIndex(), 1);
  EXPECT_EQ(edit("Edit2")->text(), "\"Subject\",\"Due Date\"<CR><LF>");

  // A file of the record alone (as earlier versions write) loads with the defaults.
  std::string bytes = readFile(dir.file("tasks.mwb"));
  writeFile(dir.file("old.mwb"), bytes.substr(0, 2360));
  group("RadioGroup1")->setItemIndex(2);
  open(dir.file("old.mwb"));
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_EQ(group("RadioGroup1")->itemIndex(), 1);
  EXPECT_EQ(list("ListBox2")->count(), 0);
  EXPECT_EQ(group("RadioGroup7")->itemIndex(), 0);
}

TEST_F(Settings, LongTextsComeBackCutTo255) {
  QString longPath = QString::fromStdString(dir.path() + "/" + std::string(300, 'x'));
  edit("Edit1")->setText(longPath);
  save(dir.file("long.mwb"));
  open(dir.file("long.mwb"));
  EXPECT_EQ(edit("Edit1")->text(), longPath.left(255));
}

TEST_F(Settings, FilesThatAreNoSettingsChangeNothing) {
  save(dir.file("good.mwb"));
  std::string good = readFile(dir.file("good.mwb"));
  std::string lower = good;
  lower[1] = 'm';
  writeFile(dir.file("case.mwb"), lower);
  writeFile(dir.file("short.mwb"), good.substr(0, 2000));
  std::string text;
  while (text.size() < 3000) text += "\"Subject\",\"Start Date\"\r\n";
  writeFile(dir.file("import.txt"), text.substr(0, 3000));
  group("RadioGroup2")->setItemIndex(1);
  edit("Edit1")->setText("mine.txt");
  std::vector<std::string> before = state();
  struct Case {
    std::string file;
    std::string message;
  } cases[] = {
      {"case.mwb", "is not a Marrowby settings file."},
      {"short.mwb", "is too short for a settings file: it holds 2000 of the 2360 bytes."},
      {"import.txt", "is not a Marrowby settings file."},
      {"missing.mwb", "could not be opened: No such file or directory."},
      {"", "is a folder, not a file."},
  };
  for (const Case& c : cases) {
    std::string path = c.file.empty() ? dir.path() : dir.file(c.file);
    open(path);
    EXPECT_EQ(dialogs.take(), std::vector<std::string>{"Unable to open settings file.\n\n" + path +
                                                       " " + c.message})
        << c.file;
    EXPECT_EQ(state(), before) << c.file;
  }
  // Cancelling the dialog reads nothing.
  find<QAction>("Open1")->trigger();
  EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(Settings, ASaveThatFailsLeavesTheFileAsItWas) {
  save(dir.file("kept.mwb"));
  std::string before = readFile(dir.file("kept.mwb"));
  edit("Edit1")->setText("changed.txt");
  save(dir.file("no/such/folder/kept.mwb"));
  auto shown = dialogs.take();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(
      shown[0].rfind("Unable to save settings file.\n\n" + dir.file("no/such/folder/kept.mwb"), 0),
      0u)
      << shown[0];
  EXPECT_EQ(readFile(dir.file("kept.mwb")), before);
  find<QAction>("Save1")->trigger();  // cancelled: nothing written
  EXPECT_EQ(readFile(dir.file("kept.mwb")), before);
}

TEST_F(Settings, SavingOverAFileAsksFirst) {
  save(dir.file("kept.mwb"));
  std::string before = readFile(dir.file("kept.mwb"));
  edit("Edit1")->setText("changed.txt");
  dialogs.replies.push_back(false);
  save(dir.file("kept.mwb"));
  EXPECT_EQ(dialogs.take(),
            std::vector<std::string>{dir.file("kept.mwb") +
                                     " already exists.\nDo you want to replace it?"});
  EXPECT_EQ(readFile(dir.file("kept.mwb")), before);
  dialogs.replies.push_back(true);
  save(dir.file("kept.mwb"));
  EXPECT_NE(readFile(dir.file("kept.mwb")), before);
}

class Proxy : public AppTest {
 protected:
  Proxy() {
    po.addUser("boss", "Bea Boss");
    po.addUser("other");
    po.grantProxy("boss", "alice");
    gw::ObjectRef bossCalendar = api::calendar(po.account("boss"));
    gw::ObjectRef meeting = api::addMessage(api::messages(bossCalendar), u"GW.MESSAGE.APPOINTMENT");
    api::setSubject(meeting, u"Board meeting");
    api::setProperty(meeting, "StartDate", Variant(u"1/20/2004 10:00"));
    form->FormActivate();
  }
  // "&Proxy", then a user id and "&Proxy now".
  void proxyTo(const QString& user) {
    find<QAction>("Proxy1")->trigger();
    EXPECT_TRUE(proxyform.isVisible());
    EXPECT_FALSE(form->gwAccount);  // no account while the window is open
    proxyform.findChild<QLineEdit*>("Edit1")->setText(user);
    proxyform.findChild<QPushButton*>("pxyButton")->click();
    EXPECT_FALSE(proxyform.isVisible());
  }
  std::u16string accountName() { return api::name(form->gwAccount); }
  TempDir dir;
};

TEST_F(Proxy, TheProxyWindow) {
  find<QAction>("Proxy1")->trigger();
  EXPECT_EQ(proxyform.windowTitle(), "Select User to Proxy");
  EXPECT_EQ(proxyform.findChild<QPushButton*>("pxyButton")->text(), "&Proxy now");
  EXPECT_EQ(proxyform.findChild<QPushButton*>("revertButton")->text(), "&Revert to self");
  auto* label = proxyform.findChild<QLabel*>("UserLabel");
  EXPECT_EQ(label->buddy(), proxyform.findChild<QLineEdit*>("Edit1"));
  // The users who let alice in, to pick from.
  auto* users = proxyform.findChild<QListWidget*>("ListBox1");
  EXPECT_FALSE(users->isHidden());
  ASSERT_EQ(rows(users), QStringList{"Bea Boss (boss)"});
  users->setCurrentRow(0);
  EXPECT_EQ(proxyform.findChild<QLineEdit*>("Edit1")->text(), "boss");
  proxyform.findChild<QLineEdit*>("Edit1")->clear();
  // The main window takes no input meanwhile.
  EXPECT_EQ(proxyform.windowModality(), Qt::ApplicationModal);
  proxyform.close();
  EXPECT_EQ(form->windowTitle(), "Marrowby v1.06c");
  EXPECT_EQ(accountName(), u"alice");
}

TEST_F(Proxy, ExportAndImportWorkOnTheProxiedMailbox) {
  proxyTo("boss");
  EXPECT_EQ(form->windowTitle(), "Marrowby v1.06c - proxying boss");
  EXPECT_EQ(accountName(), u"Bea Boss");

  find<QLineEdit>("Edit1")->setText(QString::fromStdString(dir.file("boss.txt")));
  dblClick(find<QListWidget>("ListBox1"), "Subject");
  find<QPushButton>("ExportBtn")->click();
  EXPECT_EQ(readFile(dir.file("boss.txt")), "\"Board meeting\"\r\n");

  writeFile(dir.file("note.txt"), "\"For the boss\"\r\n");
  find<QLineEdit>("Edit3")->setText(QString::fromStdString(dir.file("note.txt")));
  form->importPage()->Edit3KeyPress();
  find<TRadioGroup>("RadioGroup5")->setItemIndex(2);
  dblClick(find<QListWidget>("ListBox4"), "Start Date");
  find<QPushButton>("BitBtn9")->click();
  find<QPushButton>("BitBtn6")->click();
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_EQ(api::count(api::findMessages(api::calendar(po.account("boss")), u"(NOTE)")), 1);
  EXPECT_EQ(api::count(api::findMessages(api::calendar(po.account("alice")), u"(NOTE)")), 0);

  // Closing the window by its close box while proxying proxies the same user again.
  find<QAction>("Proxy1")->trigger();
  proxyform.close();
  EXPECT_EQ(form->windowTitle(), "Marrowby v1.06c - proxying boss");
  EXPECT_EQ(accountName(), u"Bea Boss");

  find<QAction>("Proxy1")->trigger();
  EXPECT_EQ(proxyform.findChild<QLineEdit*>("Edit1")->text(), "boss");  // kept between uses
  proxyform.findChild<QPushButton*>("revertButton")->click();
  EXPECT_EQ(form->windowTitle(), "Marrowby v1.06c");
  EXPECT_EQ(accountName(), u"alice");
  EXPECT_TRUE(form->proxyUser.isEmpty());
}

TEST_F(Proxy, ChosenBooksAndTheirListsStayAcrossAProxy) {
  find<TRadioGroup>("RadioGroup5")->setItemIndex(3);
  auto* target = find<QComboBox>("ImpABComboBox");
  target->setCurrentIndex(target->findText("Frequent Contacts"));
  emit target->activated(target->currentIndex());
  auto* pairing = find<QListWidget>("ListBox4");
  delete pairing->takeItem(0);
  QStringList before = rows(pairing);
  find<TRadioGroup>("RadioGroup1")->setItemIndex(3);
  dblClick(find<QListWidget>("ListBox1"), "Name");

  proxyTo("boss");
  EXPECT_EQ(form->windowTitle(), "Marrowby v1.06c - proxying boss");
  EXPECT_EQ(target->currentText(), "Frequent Contacts");
  EXPECT_EQ(rows(pairing), before);
  EXPECT_EQ(rows(find<QListWidget>("ListBox2")), QStringList{"Name"});
  EXPECT_TRUE(form->importPage()->gwAddressBook);  // taken from the new account
  EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(Proxy, ARefusedUserLeavesTheOwnAccount) {
  proxyTo("other");
  EXPECT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].kind, platform::MessageKind::Warning);
  EXPECT_EQ(dialogs.shown[0].text,
            "Could not proxy user other: The user \"other\" has not granted proxy access to "
            "\"alice\"");
  EXPECT_EQ(form->windowTitle(), "Marrowby v1.06c");
  EXPECT_EQ(accountName(), u"alice");
  EXPECT_EQ(form->proxyUser, "other");  // the close box would try it again
  dialogs.shown.clear();
  proxyTo("");  // an empty user id is the own mailbox
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_EQ(accountName(), u"alice");
}
