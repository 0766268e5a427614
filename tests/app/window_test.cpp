// The main window with a real window system: run by with-display.sh under Xvfb and
// openbox, since a headless platform gives no real activation and focus.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <memory>

#include "app/Application.h"
#include "app/ExportPage.h"
#include "app/ImportPage.h"
#include "app/QtDialogs.h"
#include "app/TRadioGroup.h"
#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/Unit3.h"
#include "app/Unit4.h"
#include "groupwise/standin/standin.h"
#include "platform/locale.h"
#include "platform/oledate.h"
#include "tests/support/testsupport.h"

extern char** environ;

namespace {

void setToday(int day) {
  platform::setFixedNow(platform::encodeDateTime({2004, 1, day, 10, 0, 0}));
}

// Another program that takes the focus for a moment.
void runFocusThief() {
  std::string self = testing_support::programDir() + "/app_window_tests";
  char* argv[] = {self.data(), const_cast<char*>("--focus-thief"), nullptr};
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv, environ), 0);
  int status = 0;
  while (::waitpid(pid, &status, WNOHANG) == 0) QTest::qWait(20);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// Closes the modal dialog that the next step opens, once it is up.
void closeNextDialog() {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer] {
    if (QWidget* box = QApplication::activeModalWidget()) {
      box->close();
      timer->deleteLater();
    }
  });
  timer->start(100);
}

QStringList rows(const QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

}  // namespace

TEST(RealWindow, ChoicesStayWhenTheFocusComesBack) {
  gw::standin::registerProgId();
  testing_support::PostOfficeFixture po;
  testing_support::TempDir dir;
  testing_support::writeFile(dir.file("in.txt"), "\"a\",\"b\",\"c\"\r\n");
  QtDialogs dialogs;
  setToday(5);
  auto form = std::make_unique<TForm1>(dialogs);
  TForm2 form2;
  TForm3 form3;
  Tproxyform proxyform;
  form->setWindows(&form2, &form3, &proxyform);
  dialogs.setParent(form.get());
  auto find = [&](const char* name) { return form->findChild<QWidget*>(name); };
  auto list = [&](const char* name) { return form->findChild<QListWidget*>(name); };
  auto backToMain = [&] {
    form->activateWindow();
    return QTest::qWaitForWindowActive(form.get(), 5000);
  };

  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get(), 5000));
  auto* start = form->findChild<QLineEdit*>("MaskEdit1");
  EXPECT_EQ(start->text().toStdString(), "01/05/2004");

  // The user's choices on both pages.
  auto* chooseFrom = list("ListBox1");
  for (const char* field : {"Subject", "Start Date", "Place"}) {
    chooseFrom->setCurrentItem(chooseFrom->findItems(field, Qt::MatchExactly)[0]);
    form->exportPage()->ListBox1DblClick();
  }
  start->setText("02/02/2002");
  form->findChild<TRadioGroup*>("RadioGroup5")->setItemIndex(3);
  auto* target = form->findChild<QComboBox*>("ImpABComboBox");
  target->setCurrentIndex(target->findText("Frequent Contacts"));
  emit target->activated(target->currentIndex());
  form->findChild<QLineEdit*>("Edit3")->setText(QString::fromStdString(dir.file("in.txt")));
  form->importPage()->Edit3KeyPress();
  auto* pairing = list("ListBox4");
  delete pairing->takeItem(0);
  delete pairing->takeItem(1);
  auto state = [&] {
    return QStringList{start->text(), target->currentText()} + rows(list("ListBox2")) +
           rows(list("ListBox1")) + rows(list("ListBox3")) + rows(pairing);
  };
  const QStringList chosen = state();
  setToday(6);

  struct Step {
    const char* what;
    std::function<void()> run;
  } steps[] = {
      {"help window",
       [&] {
         qobject_cast<QPushButton*>(find("HelpBtn"))->click();
         ASSERT_TRUE(QTest::qWaitForWindowActive(&form2, 5000));
         qobject_cast<QPushButton*>(find("BitBtn7"))->click();
         ASSERT_TRUE(QTest::qWaitForWindowActive(&form3, 5000));
       }},
      {"another program", [&] { runFocusThief(); }},
      {"About box",
       [&] {
         closeNextDialog();
         form->findChild<QAction*>("About1")->trigger();
       }},
      {"error box",
       [&] {
         closeNextDialog();
         qobject_cast<QPushButton*>(find("BitBtn6"))->click();  // the counts differ
       }},
      {"settings open dialog",
       [&] {
         closeNextDialog();
         form->findChild<QAction*>("Open1")->trigger();
       }},
      {"settings save dialog",
       [&] {
         closeNextDialog();
         form->findChild<QAction*>("Save1")->trigger();
       }},
      {"proxy window",
       [&] {
         form->findChild<QAction*>("Proxy1")->trigger();
         ASSERT_TRUE(QTest::qWaitForWindowActive(&proxyform, 5000));
         proxyform.close();  // the close box
       }},
  };
  for (const Step& step : steps) {
    step.run();
    ASSERT_TRUE(backToMain()) << step.what;
    QTest::qWait(200);
    EXPECT_EQ(state(), chosen) << step.what;
  }
  EXPECT_TRUE(form->gwAccount);
  form2.hide();
  form3.hide();
  platform::setFixedNow(std::nullopt);
}

// Tab from the first control of a page: the names of the controls it visits, in order,
// until it comes back to the first.
QStringList tabChain(QWidget* first) {
  first->setFocus(Qt::TabFocusReason);
  QStringList names;
  for (int i = 0; i < 80; ++i) {
    QWidget* now = QApplication::focusWidget();
    if (!now || (i > 0 && now == first)) break;
    names << now->objectName();
    QTest::keyClick(now, Qt::Key_Tab);
  }
  return names;
}

TEST(RealWindow, TabVisitsEveryControlInReadingOrder) {
  gw::standin::registerProgId();
  testing_support::PostOfficeFixture po;
  QtDialogs dialogs;
  TForm1 form(dialogs);
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form, 5000));
  auto* tabs = form.findChild<QTabWidget*>("TabbedNotebook1");
  tabs->setCurrentIndex(0);
  QStringList exportChain = tabChain(form.findChild<QWidget*>("RadioGroup1_0"));
  // Radio buttons take the focus one group at a time (arrows move inside a group);
  // disabled and hidden controls are passed over.
  EXPECT_EQ(exportChain.mid(0, 14),
            (QStringList{"RadioGroup1_0", "RadioGroup2_0", "RadioGroup3_0", "RadioGroup4_0",
                         "TimeRadioGroup_0", "RadioGroup7_0", "ExpEncodingComboBox", "CheckBox1",
                         "Edit1", "DateRangeCheckBox", "ListBox1", "ListBox2", "Edit2", "HelpBtn"}))
      << exportChain.join(", ").toStdString();
  tabs->setCurrentIndex(1);
  QStringList importChain = tabChain(form.findChild<QWidget*>("Edit3"));
  EXPECT_EQ(
      importChain.mid(0, 9),
      (QStringList{"Edit3", "BitBtn3", "ImpDateComboBox", "ImpEncodingComboBox", "RadioGroup5_0",
                   "RadioGroup6_0", "IgnoreFirstLineCB", "CBtrailspace", "CBquotereplace"}))
      << importChain.join(", ").toStdString();
  EXPECT_TRUE(importChain.contains("BitBtn6"));
  EXPECT_LT(importChain.indexOf("ListBox3"), importChain.indexOf("ListBox4"));
  EXPECT_LT(importChain.indexOf("ListBox4"), importChain.indexOf("BitBtn6"));
}

TEST(RealWindow, LeavingABoxTakesUpWhatWasTyped) {
  gw::standin::registerProgId();
  testing_support::PostOfficeFixture po;
  testing_support::TempDir dir;
  testing_support::writeFile(dir.file("in.csv"), "Subject,Place\r\nLunch,Home\r\n");
  QtDialogs dialogs;
  TForm1 form(dialogs);
  dialogs.setParent(&form);
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form, 5000));
  form.findChild<QTabWidget*>("TabbedNotebook1")->setCurrentIndex(1);

  // A file name typed and left with Tab is read as Enter reads it.
  auto* file = form.findChild<QLineEdit*>("Edit3");
  file->setFocus();
  QTest::keyClicks(file, QString::fromStdString(dir.file("in.csv")));
  QTest::keyClick(file, Qt::Key_Tab);
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return form.findChild<QListWidget*>("ListBox3")->count() == 2; }, 3000));

  // A book name that names no book, left with Tab: one message, and the box goes back.
  form.findChild<TRadioGroup*>("RadioGroup5")->setItemIndex(3);
  auto* books = form.findChild<QComboBox*>("ImpABComboBox");
  QString loaded = books->currentText();
  books->setFocus();
  books->lineEdit()->selectAll();
  QTest::keyClicks(books->lineEdit(), "Nonexistent Book");
  closeNextDialog();
  QTest::keyClick(books->lineEdit(), Qt::Key_Tab);
  EXPECT_TRUE(QTest::qWaitFor([&] { return books->currentText() == loaded; }, 3000))
      << books->currentText().toStdString();
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "--focus-thief") {
    QApplication app(argc, argv);
    QWidget w;
    w.setWindowTitle("another program");
    w.resize(200, 100);
    w.show();
    w.activateWindow();
    if (!QTest::qWaitForWindowActive(&w, 5000)) return 1;
    QTest::qWait(200);
    return 0;
  }
  if (qEnvironmentVariableIsEmpty("DISPLAY")) {
    std::printf("no display: run through with-display.sh\n");
    return 1;
  }
  MarrowbyApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
