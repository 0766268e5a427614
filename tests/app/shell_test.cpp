#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QWindow>

#include "app/Application.h"
#include "app/Program.h"
#include "tests/app/apptest.h"

using testing_support::FakeDialogs;
using testing_support::ScopedEnv;
using testing_support::TempDir;

TEST_F(AppTest, TitleCaptionAndStartPage) {
  EXPECT_EQ(QCoreApplication::applicationName(), "Marrowby v1.06a");
  EXPECT_EQ(form->windowTitle(), "Marrowby v1.06c");
  auto* tabs = find<QTabWidget>("TabbedNotebook1");
  EXPECT_EQ(tabs->currentIndex(), 1);
  EXPECT_EQ(tabs->tabText(0), "Export");
  EXPECT_EQ(tabs->tabText(1), "Import");
  EXPECT_EQ(find<QAction>("Proxy1")->text(), "&Proxy");
  EXPECT_EQ(find<QAction>("Open1")->text(), "&Open...");
  EXPECT_EQ(find<QAction>("Save1")->text(), "&Save...");
  EXPECT_EQ(find<QAction>("About1")->text(), "&About");
  EXPECT_EQ(find<QPushButton>("QuitBtn")->text(), "Q&uit");
  EXPECT_EQ(find<QPushButton>("BitBtn8")->text(), "Q&uit");
  EXPECT_EQ(find<QPushButton>("HelpBtn")->text(), "&Help");
  EXPECT_EQ(find<QPushButton>("BitBtn7")->text(), "&Help");
  EXPECT_TRUE(form->sessionOpen());
  EXPECT_FALSE(form->programDir().isEmpty());
  EXPECT_FALSE(form->programDir().endsWith('/'));
  // The window can be resized and maximized.
  EXPECT_NE(form->minimumSize(), form->maximumSize());
  EXPECT_TRUE(form->windowFlags() & Qt::WindowMaximizeButtonHint);
}

TEST_F(AppTest, FirstActivationPutsTodayInBothDateFields) {
  showAndActivate();
  EXPECT_EQ(find<QLineEdit>("MaskEdit1")->text(), "01/05/2004");
  EXPECT_EQ(find<QLineEdit>("MaskEdit2")->text(), "01/05/2004");
}

TEST_F(AppTest, HelpShowsOneWindowEachTime) {
  find<QPushButton>("HelpBtn")->click();
  find<QPushButton>("HelpBtn")->click();
  int visible = 0;
  for (QWidget* w : QApplication::topLevelWidgets())
    visible += w->isVisible() && qobject_cast<TForm2*>(w);
  EXPECT_EQ(visible, 1);
  EXPECT_EQ(form2.windowTitle(), "Marrowby Help: Export");
  form2.findChild<QPushButton*>("BitBtn1")->click();
  EXPECT_FALSE(form2.isVisible());
  find<QPushButton>("HelpBtn")->click();
  EXPECT_TRUE(form2.isVisible());
  find<QPushButton>("BitBtn7")->click();
  EXPECT_TRUE(form3.isVisible());
  EXPECT_EQ(form3.windowTitle(), "Marrowby Help: Import");
  auto* exportText = form2.findChild<QPlainTextEdit*>("Memo1");
  auto* importText = form3.findChild<QPlainTextEdit*>("Memo1");
  EXPECT_TRUE(exportText->toPlainText().contains("To Export:"));
  EXPECT_TRUE(exportText->toPlainText().contains("GW_POSTOFFICE"));
  EXPECT_TRUE(exportText->toPlainText().contains("10. "));
  EXPECT_TRUE(importText->toPlainText().contains("To Import:"));
  EXPECT_TRUE(importText->toPlainText().contains("7. "));
  EXPECT_TRUE(exportText->isReadOnly());
  EXPECT_TRUE(importText->isReadOnly());
  form2.hide();
  form3.hide();
}

TEST_F(AppTest, AboutBox) {
  find<QAction>("About1")->trigger();
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].kind, platform::MessageKind::Information);
  EXPECT_EQ(dialogs.shown[0].text,
            "Marrowby\nLimited support available\nby email at support@marrowby.example");
}

TEST_F(AppTest, QuitButtonsAndTheCloseBoxEndTheProgram) {
  for (const char* how : {"QuitBtn", "BitBtn8", "close"}) {
    form->show();
    form2.show();  // another window open does not keep the program running
    QTimer::singleShot(0, form.get(), [&] {
      if (std::string(how) == "close") {
        form->close();
      } else {
        find<QPushButton>(how)->click();
      }
    });
    bool timedOut = false;
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
      timedOut = true;
      QCoreApplication::exit(99);
    });
    watchdog.start(5000);
    EXPECT_EQ(QCoreApplication::exec(), 0) << how;
    EXPECT_FALSE(timedOut) << how;
    EXPECT_TRUE(dialogs.shown.empty()) << how;  // no question asked
    form2.hide();
  }
}

TEST_F(AppTest, AnErrorNoHandlerCatchesIsReportedAndTheProgramGoesOn) {
  // An event handler that throws, as a failing GroupWise call would.
  class Faulty : public QObject {
   public:
    bool event(QEvent* e) override {
      if (e->type() == QEvent::User) throw std::runtime_error("The post office is gone");
      return QObject::event(e);
    }
  } faulty;
  QCoreApplication::postEvent(&faulty, new QEvent(QEvent::User));
  QCoreApplication::processEvents();
  EXPECT_EQ(dialogs.take(), std::vector<std::string>{"The post office is gone"});
  find<QAction>("About1")->trigger();
  EXPECT_EQ(dialogs.shown.size(), 1u);
}

TEST(Startup, APostOfficeThatCannotBeOpenedEndsTheProgram) {
  TempDir dir;
  testing_support::writeFile(dir.file("po.db"), "not a post office");
  ScopedEnv path("GW_POSTOFFICE", dir.file("po.db"));
  ScopedEnv user("GW_USER", "alice");
  FakeDialogs dialogs;
  EXPECT_EQ(runMarrowby(*qApp, dialogs), 1);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].kind, platform::MessageKind::Error);
  // The message names the file and what is wrong with it.
  EXPECT_EQ(dialogs.shown[0].text.rfind("Unable to access GroupWise!\n\n", 0), 0u);
  EXPECT_NE(dialogs.shown[0].text.find(dir.file("po.db")), std::string::npos)
      << dialogs.shown[0].text;
  for (QWidget* w : QApplication::topLevelWidgets())
    EXPECT_FALSE(w->isVisible()) << w->objectName().toStdString();
  EXPECT_EQ(testing_support::readFile(dir.file("po.db")), "not a post office");
}
