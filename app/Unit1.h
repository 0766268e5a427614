// The main window: the session with GroupWise, the menu, the notebook holding the
// Export and Import pages, the settings file and proxy access.
#pragma once

#include <QMainWindow>
#include <QString>
#include <memory>
#include <string>

#include "app/PageHost.h"
#include "groupwise/object.h"
#include "platform/dialogs.h"

namespace Ui {
class TForm1;
}
class TForm2;
class TForm3;
class Tproxyform;
class ExportPage;
class ImportPage;

class TForm1 : public QMainWindow, public PageHost {
  Q_OBJECT

 public:
  // Runs FormCreate: opens the session. When that fails the user has been told and
  // sessionOpen() is false.
  explicit TForm1(platform::Dialogs& dialogs, QWidget* parent = nullptr);
  ~TForm1() override;

  bool sessionOpen() const { return gwSession && gwAccount; }
  void setWindows(TForm2* form2, TForm3* form3, Tproxyform* proxyform);
  // Commits what the post office has not saved yet, clears the texts and releases the
  // held GroupWise objects, the session last. False when changes could not be saved;
  // the user has been told.
  bool exitStep();

  ExportPage* exportPage() const { return exportPage_; }
  ImportPage* importPage() const { return importPage_; }

  // GroupWise objects held for the life of the program.
  gw::ObjectRef gwSession;
  gw::ObjectRef gwAccount;
  QString proxyUser;

  void FormCreate();
  // The reset of the first showing: both export dates to today and both pages' switches.
  void FormActivate();
  void QuitBtnClick();
  void BitBtn8Click();
  void HelpBtnClick();
  void BitBtn7Click();
  void About1Click();
  void Save1Click();
  void Open1Click();
  void Proxy1Click();
  void ProxyWinClosed();

  // PageHost.
  const gw::ObjectRef& account() const override { return gwAccount; }
  platform::Dialogs& dialogs() override { return dialogs_; }
  void reportError(const std::string& text) override;
  bool running() const override { return running_; }
  std::unique_ptr<RunLock> startRun(QWidget* keep) override;
  void processMessages() override;
  QString programDir() const override { return programDir_; }
  std::string postOffice() const override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void setCaption();
  void showBeside(QWidget* window);

  Ui::TForm1* ui;
  platform::Dialogs& dialogs_;
  ExportPage* exportPage_ = nullptr;
  ImportPage* importPage_ = nullptr;
  TForm2* form2_ = nullptr;
  TForm3* form3_ = nullptr;
  Tproxyform* proxyform_ = nullptr;
  QString programDir_;
  QString proxied_;  // the user whose mailbox is open by proxy; empty: the own one
  // The folder of the settings file last opened or saved, where the settings dialogs
  // start.
  QString settingsFolder_;
  bool shown_ = false;
  bool running_ = false;
  qint64 lastMessages_ = 0;
};
