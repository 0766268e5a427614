// The main window: the session with GroupWise, the menu, and the Export and Import pages.
#pragma once

#include <QMainWindow>
#include <QString>
#include <functional>
#include <string>

#include "export/exporter.h"
#include "groupwise/object.h"
#include "import/importer.h"
#include "platform/dialogs.h"

namespace Ui {
class TForm1;
}
class TForm2;
class TForm3;
class Tproxyform;
class ActivationTracker;

class QListWidget;

class TForm1 : public QMainWindow,
               private exporting::ValueOptions,
               private exporting::DateRange,
               private exporting::RunHost {
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

  // Export page.
  void RadioGroup1Click();
  void populateABCombo();
  void getGWABFields(const QString& name);
  void ABComboBoxChange();
  void ListBox1Click();
  void ListBox1DblClick();
  void ListBox2Click();
  void ListBox2DblClick();
  void BitBtn1Click();
  void BitBtn2Click();
  void MakeSample();
  void RadioGroup2Click();
  void RadioGroup3Click();
  void RadioGroup4Click();
  void DateRangeCheckBoxClick();
  void ExportBtnClick();

  // Import page.
  void BitBtn3Click();
  void Edit3KeyPress();  // Enter in the file name
  void RadioGroup5Click();
  void ImpABComboBoxChange();
  void RadioGroup6Click();
  void ListBox4DblClick();
  void BitBtn4Click();
  void BitBtn5Click();
  void BitBtn9Click();
  void ImpDateComboBoxExit();
  void getImpFields(const QString& path);
  void BitBtn6Click();

  // Settings file.
  void Save1Click();
  void Open1Click();

  // Proxy access.
  void Proxy1Click();
  void ProxyWinClosed();

  // Runs a command of another window through the general error report.
  template <typename Fn>
  void runHandler(Fn&& fn) {
    guarded(std::forward<Fn>(fn));
  }

  // The import delimiter state the "Delimiters:" group sets.
  importing::Delimiters impDelimiters;
  // The open dialog keeps its state between the import file choice and Settings Open.
  platform::FileDialogOptions openDialog1;

  // The export record layout the radio groups set.
  exporting::ExportFormat exportFormat;

  // True while an export or import runs; nothing else starts meanwhile.
  bool running() const { return running_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  // Runs a handler; an error it does not handle goes to the general error report.
  template <typename Fn>
  void guarded(Fn&& fn) {
    try {
      fn();
    } catch (const std::exception& e) {
      reportError(e.what());
    }
  }
  // Connects a control's signal to a handler that runs guarded.
  template <typename Sender, typename Signal>
  void on(Sender* sender, Signal signal, void (TForm1::*handler)()) {
    connect(sender, signal, this,
            [this, handler] { guarded([this, handler] { (this->*handler)(); }); });
  }
  void connectHandlers();
  void connectExportPage();
  void connectImportPage();
  void setCaption();
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showBeside(QWidget* window);

  // exporting::ValueOptions, DateRange, RunHost over the Export page's controls.
  int timeFormatItem() const override;
  int yearFormatItem() const override;
  bool limited() const override;
  std::string startText() const override;
  std::string stopText() const override;
  void processMessages() override;
  void showProgress(bool shown) override;
  void setProgress(int position) override;
  // The Import page's choices.
  int delimiterMode() const;
  bool removeTrailingSpaces() const;
  bool removeQuotes() const;
  int itemIndex() const;
  void selectItem(int index);
  void setCountText(const std::string& text);
  // Lets window messages through, at most every few milliseconds.
  std::function<void()> messagePump();

  friend class RunLock;

  Ui::TForm1* ui;
  platform::Dialogs& dialogs_;
  ActivationTracker* activation_ = nullptr;
  TForm2* form2_ = nullptr;
  TForm3* form3_ = nullptr;
  Tproxyform* proxyform_ = nullptr;
  bool centred_ = false;
  bool running_ = false;
  qint64 lastMessages_ = 0;
};

// Moves the selected row of a list one place up (-1) or down (+1) and selects it
// there; false when there is no selected row or no room to move.
bool moveSelectedRow(QListWidget* list, int step);
// The 8-bit texts of a list's rows.
std::vector<std::string> listTexts(const QListWidget* list);
