// Activation with a real window system: run by with-display.sh under Xvfb and openbox,
// since a headless platform delivers only a window's first activation.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>

#include "app/Application.h"
#include "app/QtDialogs.h"
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

}  // namespace

TEST(RealWindow, DatesResetWhenTheFocusComesBackFromOwnWindowsOnly) {
  gw::standin::registerProgId();
  testing_support::PostOfficeFixture po;
  QtDialogs dialogs;
  setToday(5);
  auto form = std::make_unique<TForm1>(dialogs);
  TForm2 form2;
  TForm3 form3;
  Tproxyform proxyform;
  form->setWindows(&form2, &form3, &proxyform);
  dialogs.setParent(form.get());
  auto* start = form->findChild<QLineEdit*>("MaskEdit1");
  auto* stop = form->findChild<QLineEdit*>("MaskEdit2");
  auto backToMain = [&] {
    form->activateWindow();
    return QTest::qWaitForWindowActive(form.get(), 5000);
  };

  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get(), 5000));
  EXPECT_EQ(start->text().toStdString(), "01/05/2004");

  // A help window, then back: the activation step runs.
  start->setText("02/02/2002");
  setToday(6);
  form->findChild<QPushButton*>("HelpBtn")->click();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form2, 5000));
  ASSERT_TRUE(backToMain());
  EXPECT_TRUE(QTest::qWaitFor([&] { return start->text() == "01/06/2004"; }, 3000))
      << start->text().toStdString();
  EXPECT_EQ(stop->text().toStdString(), "01/06/2004");

  // Another application, then back: the user's choices stay.
  start->setText("02/02/2002");
  setToday(7);
  runFocusThief();
  ASSERT_TRUE(backToMain());
  QTest::qWait(300);
  EXPECT_EQ(start->text().toStdString(), "02/02/2002");

  // A message box, closed: the activation step runs.
  QTimer::singleShot(300, [] {
    if (QWidget* box = QApplication::activeModalWidget()) box->close();
  });
  form->findChild<QAction*>("About1")->trigger();
  EXPECT_TRUE(QTest::qWaitFor([&] { return start->text() == "01/07/2004"; }, 3000))
      << start->text().toStdString();

  // The proxy window holds the main window until it closes, then gives it back.
  start->setText("02/02/2002");
  setToday(8);
  form->findChild<QAction*>("Proxy1")->trigger();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&proxyform, 5000));
  EXPECT_EQ(QApplication::activeModalWidget(), &proxyform);
  proxyform.close();  // the close box
  EXPECT_TRUE(QTest::qWaitFor([&] { return start->text() == "01/08/2004"; }, 3000))
      << start->text().toStdString();
  EXPECT_TRUE(form->gwAccount);
  platform::setFixedNow(std::nullopt);
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
