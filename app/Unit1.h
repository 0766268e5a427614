// The main window: the session with GroupWise, the menu, and the Export and Import pages.
#pragma once

#include <QMainWindow>
#include <QString>
#include <string>

#include "groupwise/object.h"
#include "platform/dialogs.h"

namespace Ui {
class TForm1;
}
class TForm2;
class TForm3;
class Tproxyform;
class ActivationTracker;

class TForm1 : public QMainWindow {
  Q_OBJECT

 public:
  // Runs FormCreate: opens the session. When that fails the user has been told and
  // sessionOpen() is false.
  explicit TForm1(platform::Dialogs& dialogs, QWidget* parent = nullptr);
  ~TForm1() override;

  bool sessionOpen() const { return gwSession && gwAccount; }
  void setWindows(TForm2* form2, TForm3* form3, Tproxyform* proxyform);
  // Clears the texts and releases the held GroupWise objects, the session last.
  void exitStep();
  // The general error report: the error's own text in an error box; the program goes on.
  void reportError(const std::string& text);

  // GroupWise objects held for the life of the program or of the last command.
  gw::ObjectRef gwSession;
  gw::ObjectRef gwAccount;
  gw::ObjectRef gwAddressBooks;
  gw::ObjectRef gwAddressBook;
  gw::ObjectRef gwCalendar;
  gw::ObjectRef gwMessages;
  gw::ObjectRef gwMessage;
  QString programDir;
  QString proxyUser;

  void FormCreate();
  void FormActivate();
  void QuitBtnClick();
  void BitBtn8Click();
  void HelpBtnClick();
  void BitBtn7Click();
  void About1Click();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  // Runs a handler; an error it does not handle goes to the general error report.
  template <typename Fn>
  void guarded(Fn&& fn);
  void connectHandlers();
  void showBeside(QWidget* window);

  Ui::TForm1* ui;
  platform::Dialogs& dialogs_;
  ActivationTracker* activation_ = nullptr;
  TForm2* form2_ = nullptr;
  TForm3* form3_ = nullptr;
  Tproxyform* proxyform_ = nullptr;
  bool centred_ = false;
};
