// The Import page: the file, its field names, the destination and the pairing of the
// file's fields with GroupWise fields, and the import run. It owns its controls and
// their handlers (named as on the form) and its own address book.
#pragma once

#include <QWidget>
#include <memory>
#include <string>

#include "groupwise/object.h"
#include "import/format.h"
#include "import/importer.h"
#include "platform/dialogs.h"

namespace Ui {
class ImportPage;
}
namespace settings {
struct SettingsRecord;
}
class PageHost;
class BookBox;
class PreviewForm;

class ImportPage : public QWidget {
  Q_OBJECT

 public:
  ImportPage(PageHost& host, QWidget* parent = nullptr);
  ~ImportPage() override;

  // The reset of the window's first showing: the destination switch.
  void resetForStart();
  // The account changed (proxy): the book list is read again; a chosen book that the
  // new account also has stays chosen with the pairing.
  void accountChanged();
  void releaseObjects();

  // Handlers, as the form names them.
  void BitBtn3Click();
  void Edit3KeyPress();  // Enter in the file name
  void Edit3Exit();      // the focus leaves the file name
  void RadioGroup5Click();
  void populateABCombo();
  void getGWABFields(const QString& name);
  void ImpABComboBoxChange();
  void RadioGroup6Click();
  void ListBox4DblClick();
  void BitBtn4Click();
  void BitBtn5Click();
  void BitBtn9Click();
  void ImpDateComboBoxExit();
  void getImpFields(const QString& path);
  void BitBtn6Click();
  void ImpEncodingComboBoxChange();
  void ImpSeparatorComboBoxChange();
  void SkipBtnClick();
  void PairBtnClick();
  void PreviewBtnClick();
  void UndoImportBtnClick();
  // "Undo last import" is enabled when the current account has an import to undo.
  void updateUndo();
  void HelpBtnClick();  // BitBtn7
  void QuitBtnClick();  // BitBtn8

  void saveSettings(settings::SettingsRecord& r) const;
  void restoreValues(const settings::SettingsRecord& r);
  void restoreGroups(const settings::SettingsRecord& r);
  void restoreExtension(const settings::SettingsRecord& r);

  // The import delimiter state the "Delimiters" group sets.
  importing::Delimiters impDelimiters;
  // The file's format, destination and pairing as the page shows them.
  importing::ImportRequest request() const;
  // The chooser of the import file keeps its state between uses.
  platform::FileDialogOptions openDialog1;
  gw::ObjectRef gwAddressBooks;
  gw::ObjectRef gwAddressBook;

 signals:
  void helpRequested();
  void quitRequested();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  class RunHost;
  void connectHandlers();
  void setTabOrder();
  // A file newly named: checked, its layout detected, its fields read and, when its
  // header names two or more fields, paired by name.
  void takeFile(const QString& path);
  // The field names of the destination, in the order the page offers them.
  std::vector<std::string> destinationFields() const;
  importing::FileFormat fileFormat() const;
  // The date layout chosen; the first when none is.
  int dateMask();
  void showSeparator();
  // Reads the named file's fields again with the format now chosen.
  void rereadFields();
  // The file looks like text, or the user says to go on.
  bool acceptFile(const QString& path);

  PageHost& host_;
  Ui::ImportPage* ui;
  BookBox* books_ = nullptr;
  QStringList bookFields_;  // all fields of the loaded book
  PreviewForm* preview_ = nullptr;
  QString lastTaken_;        // the file last read
  bool autoPaired_ = false;  // the pairing came from the file's header
  bool detecting_ = false;   // controls set from a detection read the file once, after
};
