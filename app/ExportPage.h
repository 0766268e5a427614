// The Export page: data source, field lists, format settings, the sample line and the
// export run. It owns its controls and their handlers (named as on the form) and its
// own address book.
#pragma once

#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "export/exporter.h"
#include "groupwise/object.h"

namespace Ui {
class ExportPage;
}
namespace settings {
struct SettingsRecord;
}
class PageHost;
class BookBox;
class QListWidget;
class QListWidgetItem;

class ExportPage : public QWidget {
  Q_OBJECT

 public:
  ExportPage(PageHost& host, QWidget* parent = nullptr);
  ~ExportPage() override;

  // The reset of the window's first showing: both dates to today and the data-source
  // switch.
  void resetForStart();
  // The account changed (proxy): the book list is read again; a chosen book that the
  // new account also has stays chosen with its field lists.
  void accountChanged();
  // Lets go of every GroupWise object the page holds.
  void releaseObjects();

  // Handlers, as the form names them.
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
  void ExpSeparatorComboBoxChange();
  void ExpEncodingComboBoxChange();
  void DateRangeCheckBoxClick();
  void ExportBtnClick();
  void HelpBtnClick();
  void QuitBtnClick();

  // The settings file: the page's controls into the record, and back.
  void saveSettings(settings::SettingsRecord& r) const;
  // Everything but the radio groups, which come last (their handlers see the rest).
  void restoreValues(const settings::SettingsRecord& r);
  void restoreGroups(const settings::SettingsRecord& r);
  // The choices kept in the extension block, once the lists are rebuilt.
  void restoreExtension(const settings::SettingsRecord& r);

  // The export record layout the radio groups set.
  exporting::ExportFormat exportFormat;
  // GroupWise objects of the page's last command.
  gw::ObjectRef gwAddressBooks;
  gw::ObjectRef gwAddressBook;
  gw::ObjectRef gwCalendar;
  gw::ObjectRef gwMessages;
  gw::ObjectRef gwMessage;

 signals:
  void helpRequested();
  void quitRequested();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  class Choices;
  class Progress;
  void connectHandlers();
  void setTabOrder();
  // Moves one row to the end of the other list; nothing stays selected.
  void moveRow(QListWidget* from, QListWidgetItem* row, QListWidget* to);
  void updateButtons();

  PageHost& host_;
  Ui::ExportPage* ui;
  BookBox* books_ = nullptr;
  std::unique_ptr<Choices> choices_;
  std::unique_ptr<Progress> progress_;
};
