// The Export page: data source, field lists, format settings, the sample line and the
// export run.
#include <QCoreApplication>
#include <QDateTime>
#include <QSignalBlocker>

#include "app/QtText.h"
#include "app/RunLock.h"
#include "app/Unit1.h"
#include "export/fieldnames.h"
#include "groupwise/gwapi.h"
#include "platform/ansi.h"
#include "ui_Unit1.h"

namespace api = gw::api;

namespace {

// The text of a masked date edit as the program reads it: the "/" literals kept and
// every unfilled position a blank.
std::string maskedText(const QLineEdit* edit) {
  QString shown = edit->displayText();
  shown.replace(QLatin1Char('_'), QLatin1Char(' '));
  return toAnsi(shown);
}

// Sets an editable combo box's text without running its change handler.
void setComboText(QComboBox* box, const QString& text) {
  QSignalBlocker block(box);
  box->setEditText(text);
}

}  // namespace

bool moveSelectedRow(QListWidget* list, int step) {
  int i = list->currentRow();
  if (i < 0 || !list->item(i)->isSelected()) return false;
  int j = i + step;
  if (j < 0 || j >= list->count()) return false;
  QSignalBlocker block(list);
  QListWidgetItem* item = list->takeItem(i);
  list->insertItem(j, item);
  list->setCurrentRow(j);
  return true;
}

std::vector<std::string> listTexts(const QListWidget* list) {
  std::vector<std::string> out;
  out.reserve(static_cast<std::size_t>(list->count()));
  for (int i = 0; i < list->count(); ++i) out.push_back(toAnsi(list->item(i)->text()));
  return out;
}

void TForm1::connectExportPage() {
  on(ui->RadioGroup1, &TRadioGroup::clicked, &TForm1::RadioGroup1Click);
  on(ui->RadioGroup2, &TRadioGroup::clicked, &TForm1::RadioGroup2Click);
  on(ui->RadioGroup3, &TRadioGroup::clicked, &TForm1::RadioGroup3Click);
  on(ui->RadioGroup4, &TRadioGroup::clicked, &TForm1::RadioGroup4Click);
  on(ui->ABComboBox, &QComboBox::editTextChanged, &TForm1::ABComboBoxChange);
  on(ui->ListBox1, &QListWidget::itemSelectionChanged, &TForm1::ListBox1Click);
  on(ui->ListBox1, &QListWidget::itemDoubleClicked, &TForm1::ListBox1DblClick);
  on(ui->ListBox2, &QListWidget::itemSelectionChanged, &TForm1::ListBox2Click);
  on(ui->ListBox2, &QListWidget::itemDoubleClicked, &TForm1::ListBox2DblClick);
  on(ui->BitBtn1, &QPushButton::clicked, &TForm1::BitBtn1Click);
  on(ui->BitBtn2, &QPushButton::clicked, &TForm1::BitBtn2Click);
  on(ui->DateRangeCheckBox, &QCheckBox::toggled, &TForm1::DateRangeCheckBoxClick);
  on(ui->ExportBtn, &QPushButton::clicked, &TForm1::ExportBtnClick);
}

void TForm1::RadioGroup1Click() {
  ui->ListBox1->clear();
  ui->ListBox2->clear();
  ui->ExportBtn->setEnabled(false);
  int item = ui->RadioGroup1->itemIndex();
  bool book = item == 3;
  ui->TimeRadioGroup->setVisible(item == 0);
  for (QWidget* w : {static_cast<QWidget*>(ui->DateRangeCheckBox),
                     static_cast<QWidget*>(ui->Label4), static_cast<QWidget*>(ui->MaskEdit1),
                     static_cast<QWidget*>(ui->Label5), static_cast<QWidget*>(ui->MaskEdit2)}) {
    w->setVisible(!book);
  }
  ui->Label6->setVisible(book);
  ui->ABComboBox->setVisible(false);
  switch (item) {
    case 0:
      fillList(ui->ListBox1, exporting::kAppointmentFields);
      break;
    case 1:
      fillList(ui->ListBox1, exporting::kTaskFields);
      break;
    case 2:
      fillList(ui->ListBox1, exporting::kNoteFields);
      break;
    case 3:
      populateABCombo();
      ui->ABComboBox->setVisible(true);
      // With no address book at all there is nothing to load.
      if (ui->ABComboBox->count() > 0) getGWABFields(ui->ABComboBox->currentText());
      break;
    default:
      break;
  }
}

void TForm1::populateABCombo() {
  ui->ABComboBox->blockSignals(true);
  ui->ImpABComboBox->blockSignals(true);
  ui->ABComboBox->clear();
  ui->ImpABComboBox->clear();
  ui->ABComboBox->blockSignals(false);
  ui->ImpABComboBox->blockSignals(false);
  gw::ObjectRef books = api::addressBooks(gwAccount);
  int n = api::count(books);
  QString last;
  for (int i = 1; i <= n; ++i) {
    std::u16string name = api::name(api::item(books, i));
    last = fromWide(name);
    {
      QSignalBlocker block(ui->ABComboBox);
      ui->ABComboBox->addItem(last);
    }
    if (name != api::kSystemBookName) {
      QSignalBlocker block(ui->ImpABComboBox);
      ui->ImpABComboBox->addItem(last);
    }
  }
  setComboText(ui->ABComboBox, last);
  setComboText(ui->ImpABComboBox, last);
}

void TForm1::getGWABFields(const QString& name) {
  ui->ListBox1->clear();
  ui->ListBox4->clear();
  gwAddressBooks = api::addressBooks(gwAccount);
  gwAddressBook = api::itemByName(gwAddressBooks, toWide(name));
  gw::ObjectRef defs = api::fieldDefinitions(gwAddressBook);
  int n = api::count(defs);
  for (int i = 1; i <= n; ++i) {
    QString field = fromWide(api::name(api::item(defs, i)));
    ui->ListBox1->addItem(field);
    ui->ListBox4->addItem(field);
  }
}

void TForm1::ABComboBoxChange() {
  getGWABFields(ui->ABComboBox->currentText());
}

void TForm1::ListBox1Click() {
  ui->BitBtn1->setEnabled(false);
  ui->BitBtn2->setEnabled(false);
  QSignalBlocker block(ui->ListBox2);
  ui->ListBox2->clearSelection();
  ui->ListBox2->setCurrentRow(-1);
}

void TForm1::ListBox1DblClick() {
  for (int i = ui->ListBox1->count() - 1; i >= 0; --i) {
    if (!ui->ListBox1->item(i)->isSelected()) continue;
    ui->ListBox2->addItem(ui->ListBox1->item(i)->text());
    QSignalBlocker block(ui->ListBox1);
    ui->ListBox1->clearSelection();
    delete ui->ListBox1->takeItem(i);
  }
  if (ui->ListBox2->count() > 0) {
    ui->ExportBtn->setEnabled(true);
    MakeSample();
  }
}

void TForm1::ListBox2Click() {
  ui->BitBtn1->setEnabled(true);
  ui->BitBtn2->setEnabled(true);
}

void TForm1::ListBox2DblClick() {
  for (int i = ui->ListBox2->count() - 1; i >= 0; --i) {
    if (!ui->ListBox2->item(i)->isSelected()) continue;
    ui->ListBox1->addItem(ui->ListBox2->item(i)->text());
    QSignalBlocker block(ui->ListBox2);
    ui->ListBox2->clearSelection();
    delete ui->ListBox2->takeItem(i);
    ui->BitBtn1->setEnabled(false);
    ui->BitBtn2->setEnabled(false);
  }
  if (ui->ListBox2->count() == 0) {
    ui->ExportBtn->setEnabled(false);
  } else {
    MakeSample();
  }
}

void TForm1::BitBtn1Click() {
  if (moveSelectedRow(ui->ListBox2, -1)) MakeSample();
}

void TForm1::BitBtn2Click() {
  if (moveSelectedRow(ui->ListBox2, +1)) MakeSample();
}

void TForm1::MakeSample() {
  std::string sample =
      exporting::MakeSample(listTexts(ui->ListBox2), exportFormat, ui->RadioGroup3->itemIndex());
  ui->Edit2->setText(fromAnsi(sample));
}

void TForm1::RadioGroup2Click() {
  exportFormat.setDelimiters(ui->RadioGroup2->itemIndex());
  MakeSample();
}

void TForm1::RadioGroup3Click() {
  exportFormat.setLineEnd(ui->RadioGroup3->itemIndex());
  MakeSample();
}

void TForm1::RadioGroup4Click() {
  exportFormat.setQuoteSubstitute(ui->RadioGroup4->itemIndex());
}

void TForm1::DateRangeCheckBoxClick() {
  bool on = ui->DateRangeCheckBox->isChecked();
  for (QWidget* w : {static_cast<QWidget*>(ui->Label4), static_cast<QWidget*>(ui->Label5),
                     static_cast<QWidget*>(ui->MaskEdit1), static_cast<QWidget*>(ui->MaskEdit2)}) {
    w->setEnabled(on);
  }
  if (on) {
    ui->MaskEdit1->setFocus();
    ui->MaskEdit1->selectAll();
  }
}

void TForm1::ExportBtnClick() {
  if (running_) return;
  ui->ExportBtn->setCursor(Qt::WaitCursor);
  exporting::ExportRequest request;
  request.path = ui->Edit1->text().toStdString();
  request.source = static_cast<exporting::ExportSource>(ui->RadioGroup1->itemIndex());
  request.account = gwAccount;
  request.addressBook = gwAddressBook;
  for (int i = 0; i < ui->ListBox2->count(); ++i) {
    request.fields.push_back(ui->ListBox2->item(i)->text().toStdString());
  }
  request.format = exportFormat;
  request.header = ui->CheckBox1->isChecked();
  request.timeFormatItem = timeFormatItem();
  request.yearFormatItem = yearFormatItem();
  request.range.on = limited();
  request.range.start = startText();
  request.range.stop = stopText();
  std::string failure;
  bool cannotCreate = false;
  {
    RunLock lock(this, ui->Panel1);
    ui->Panel1->setGeometry(ui->ExportPage->rect());
    try {
      exporting::runExport(request, *this);
    } catch (const exporting::CannotCreateFile&) {
      cannotCreate = true;
    } catch (const std::exception& e) {
      failure = e.what();
    }
    showProgress(false);
  }
  ui->ExportBtn->unsetCursor();
  if (cannotCreate) {
    dialogs_.message(platform::MessageKind::Error, "Unable to create export file.");
    ui->Edit1->clear();
  } else if (!failure.empty()) {
    reportError(failure);
  }
}

int TForm1::timeFormatItem() const {
  return ui->TimeRadioGroup->itemIndex();
}

int TForm1::yearFormatItem() const {
  return ui->RadioGroup7->itemIndex();
}

bool TForm1::limited() const {
  return ui->DateRangeCheckBox->isChecked();
}

std::string TForm1::startText() const {
  return maskedText(ui->MaskEdit1);
}

std::string TForm1::stopText() const {
  return maskedText(ui->MaskEdit2);
}

void TForm1::processMessages() {
  // A few milliseconds between turns keeps the window responsive without slowing the run.
  qint64 now = QDateTime::currentMSecsSinceEpoch();
  if (now - lastMessages_ < 15) return;
  lastMessages_ = now;
  QCoreApplication::processEvents();
}

void TForm1::showProgress(bool shown) {
  ui->PBar1->setVisible(shown);
  ui->Panel1->setVisible(shown);
  if (shown) ui->Panel1->raise();
}

void TForm1::setProgress(int position) {
  ui->PBar1->setValue(position);
}
