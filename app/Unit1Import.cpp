// The Import page: the file, its field names, the destination and the pairing of the
// file's fields with GroupWise fields.
#include <QDateTime>
#include <QFileInfo>
#include <QFocusEvent>
#include <QSignalBlocker>

#include "app/QtText.h"
#include "app/RunLock.h"
#include "app/Unit1.h"
#include "groupwise/gwapi.h"
#include "import/fieldnames.h"
#include "platform/ansi.h"
#include "ui_Unit1.h"

namespace {

importing::FileFormat importFormat(int mode, bool trim, bool quotes) {
  importing::FileFormat format;
  format.mode = mode;
  format.removeTrailingSpaces = trim;
  format.removeQuotes = quotes;
  return format;
}

}  // namespace

void TForm1::connectImportPage() {
  on(ui->BitBtn3, &QPushButton::clicked, &TForm1::BitBtn3Click);
  on(ui->Edit3, &QLineEdit::returnPressed, &TForm1::Edit3KeyPress);
  on(ui->RadioGroup5, &TRadioGroup::clicked, &TForm1::RadioGroup5Click);
  on(ui->RadioGroup6, &TRadioGroup::clicked, &TForm1::RadioGroup6Click);
  on(ui->ImpABComboBox, &QComboBox::editTextChanged, &TForm1::ImpABComboBoxChange);
  on(ui->ListBox4, &QListWidget::itemDoubleClicked, &TForm1::ListBox4DblClick);
  on(ui->BitBtn4, &QPushButton::clicked, &TForm1::BitBtn4Click);
  on(ui->BitBtn5, &QPushButton::clicked, &TForm1::BitBtn5Click);
  on(ui->BitBtn9, &QPushButton::clicked, &TForm1::BitBtn9Click);
  on(ui->BitBtn6, &QPushButton::clicked, &TForm1::BitBtn6Click);
  ui->ImpDateComboBox->installEventFilter(this);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ui->ImpDateComboBox && event->type() == QEvent::FocusOut &&
      static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
    guarded([this] { ImpDateComboBoxExit(); });
  }
  return QMainWindow::eventFilter(watched, event);
}

void TForm1::BitBtn3Click() {
  QString named = ui->Edit3->text();
  openDialog1.initialPath = named.isEmpty() ? programDir.toStdString() : named.toStdString();
  if (auto chosen = dialogs_.openFile(openDialog1)) {
    openDialog1.fileName = *chosen;
    ui->Edit3->setText(QString::fromStdString(*chosen));
  }
  // Chosen or cancelled, the named file's fields are read again.
  getImpFields(ui->Edit3->text());
}

void TForm1::Edit3KeyPress() {
  QFileInfo file(ui->Edit3->text());
  if (file.exists() && !file.isDir()) getImpFields(ui->Edit3->text());
}

void TForm1::getImpFields(const QString& path) {
  ui->ListBox3->clear();
  if (itemIndex() < 0) selectItem(0);
  auto names = importing::readFieldNames(
      path.toStdString(), importFormat(delimiterMode(), removeTrailingSpaces(), removeQuotes()));
  if (!names) {
    dialogs_.message(platform::MessageKind::Error, "Unable to open import file.");
    return;
  }
  for (const std::string& name : *names) ui->ListBox3->addItem(QString::fromStdString(name));
}

void TForm1::RadioGroup5Click() {
  int item = ui->RadioGroup5->itemIndex();
  if (item == 3) {
    ui->Label10->setVisible(true);
    populateABCombo();
    ui->ImpABComboBox->setVisible(true);
    ui->ListBox4->clear();
    // With no personal address book there is nothing to load.
    if (ui->ImpABComboBox->count() > 0) getGWABFields(ui->ImpABComboBox->currentText());
    return;
  }
  if (item < 0 || item > 3) return;
  ui->Label10->setVisible(false);
  ui->ImpABComboBox->setVisible(false);
  ui->ListBox4->clear();
  switch (item) {
    case 0:
      fillList(ui->ListBox4, importing::kAppointmentFields);
      break;
    case 1:
      fillList(ui->ListBox4, importing::kTaskFields);
      break;
    default:
      fillList(ui->ListBox4, importing::kNoteFields);
      break;
  }
}

void TForm1::ImpABComboBoxChange() {
  getGWABFields(ui->ImpABComboBox->currentText());
}

void TForm1::RadioGroup6Click() {
  impDelimiters.select(ui->RadioGroup6->itemIndex());
}

void TForm1::ListBox4DblClick() {
  int i = ui->ListBox4->currentRow();
  if (i < 0 || !ui->ListBox4->item(i)->isSelected()) return;
  delete ui->ListBox4->takeItem(i);
}

void TForm1::BitBtn4Click() {
  moveSelectedRow(ui->ListBox4, -1);
}

void TForm1::BitBtn5Click() {
  moveSelectedRow(ui->ListBox4, +1);
}

void TForm1::BitBtn9Click() {
  int m = ui->ListBox3->count();
  for (int i = ui->ListBox4->count() - 1; i >= m; --i) delete ui->ListBox4->takeItem(i);
}

void TForm1::ImpDateComboBoxExit() {
  if (itemIndex() < 0) selectItem(0);
}

void TForm1::BitBtn6Click() {
  if (running_) return;
  if (ui->ListBox3->count() != ui->ListBox4->count()) {
    dialogs_.message(platform::MessageKind::Error,
                     "Not enough import file fields. The number \r\nof fields in the import file "
                     "and GroupWise\r\ncolumns must match. Double click on GroupWise\r\nfields to "
                     "remove from the list.");
    ui->ListBox4->setFocus();
    return;
  }
  ui->BitBtn6->setCursor(Qt::WaitCursor);
  std::string failure;
  std::optional<importing::ImportResult> result;
  {
    RunLock lock(this, nullptr);
    importing::ImportRequest request;
    request.path = ui->Edit3->text().toStdString();
    request.format = importFormat(delimiterMode(), removeTrailingSpaces(), removeQuotes());
    request.ignoreFirstLine = ui->IgnoreFirstLineCB->isChecked();
    if (itemIndex() < 0) selectItem(0);
    request.dateMask = itemIndex();
    for (int i = 0; i < ui->ListBox4->count(); ++i) {
      request.pairing.push_back(ui->ListBox4->item(i)->text().toStdString());
    }
    struct Host : importing::ImportHost {
      TForm1* form;
      std::function<void()> pump;
      void processMessages() override { pump(); }
      void entriesMade(std::size_t n) override { form->setCountText(std::to_string(n)); }
    } host;
    host.form = this;
    host.pump = messagePump();
    try {
      switch (ui->RadioGroup5->itemIndex()) {
        case 0:
          request.destination = importing::Destination::calendar(gw::CalendarKind::Appointment);
          break;
        case 1:
          request.destination = importing::Destination::calendar(gw::CalendarKind::Task);
          break;
        case 2:
          request.destination = importing::Destination::calendar(gw::CalendarKind::Note);
          break;
        case 3:
          request.destination = importing::Destination::addressBookNamed(
              ui->ImpABComboBox->currentText().toStdString());
          // The target becomes the current address book.
          gwAddressBooks = gw::api::addressBooks(gwAccount);
          gwAddressBook = gw::api::itemByName(gwAddressBooks,
                                              ui->ImpABComboBox->currentText().toStdU16String());
          break;
        default:
          break;  // no destination: nothing runs
      }
      if (ui->RadioGroup5->itemIndex() >= 0 && ui->RadioGroup5->itemIndex() <= 3) {
        result = importing::runImport(request, gwAccount, host);
      }
    } catch (const std::exception& e) {
      failure = e.what();
    }
  }
  ui->BitBtn6->unsetCursor();
  if (!failure.empty()) {
    reportError(failure);
  } else if (result) {
    if (result->addressBook) setCountText(result->countText());
    std::string message = result->endMessage();
    if (!message.empty()) {
      dialogs_.message(
          result->completed() ? platform::MessageKind::Warning : platform::MessageKind::Error,
          message);
    }
  }
}

void TForm1::setCountText(const std::string& text) {
  ui->countLabel->setText(QString::fromStdString(text));
}

int TForm1::delimiterMode() const {
  return ui->RadioGroup6->itemIndex();
}

bool TForm1::removeTrailingSpaces() const {
  return ui->CBtrailspace->isChecked();
}

bool TForm1::removeQuotes() const {
  return ui->CBquotereplace->isChecked();
}

// An item counts as chosen while the box shows its text; typing over it chooses none.
int TForm1::itemIndex() const {
  const QComboBox* box = ui->ImpDateComboBox;
  int i = box->currentIndex();
  return i >= 0 && box->currentText() == box->itemText(i) ? i : box->findText(box->currentText());
}

void TForm1::selectItem(int index) {
  QSignalBlocker block(ui->ImpDateComboBox);
  ui->ImpDateComboBox->setCurrentIndex(index);
  ui->ImpDateComboBox->setEditText(ui->ImpDateComboBox->itemText(index));
}

std::function<void()> TForm1::messagePump() {
  lastMessages_ = QDateTime::currentMSecsSinceEpoch();
  return [this] { processMessages(); };
}
