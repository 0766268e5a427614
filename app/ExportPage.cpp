#include "app/ExportPage.h"

#include <QKeyEvent>
#include <QSignalBlocker>

#include "app/BookBox.h"
#include "app/ListRows.h"
#include "app/PageHost.h"
#include "app/QtText.h"
#include "app/RunLock.h"
#include "export/fieldnames.h"
#include "groupwise/gwapi.h"
#include "platform/locale.h"
#include "platform/oledate.h"
#include "settings/record.h"
#include "ui_ExportPage.h"

namespace api = gw::api;

namespace {

// The text of a masked date edit as the program reads it: the "/" literals kept and
// every unfilled position a blank.
std::string maskedText(const QLineEdit* edit) {
  QString shown = edit->displayText();
  shown.replace(QLatin1Char('_'), QLatin1Char(' '));
  return toAnsi(shown);
}

}  // namespace

// The page's choices as the export core reads them while it runs.
class ExportPage::Choices : public exporting::ValueOptions, public exporting::DateRange {
 public:
  explicit Choices(const Ui::ExportPage* ui) : ui_(ui) {}
  int timeFormatItem() const override { return ui_->TimeRadioGroup->itemIndex(); }
  int yearFormatItem() const override { return ui_->RadioGroup7->itemIndex(); }
  bool limited() const override { return ui_->DateRangeCheckBox->isChecked(); }
  std::string startText() const override { return maskedText(ui_->MaskEdit1); }
  std::string stopText() const override { return maskedText(ui_->MaskEdit2); }

 private:
  const Ui::ExportPage* ui_;
};

// The progress panel over the page while a run goes on.
class ExportPage::Progress : public exporting::RunHost {
 public:
  Progress(Ui::ExportPage* ui, PageHost& host) : ui_(ui), host_(host) {}
  void processMessages() override { host_.processMessages(); }
  void showProgress(bool shown) override {
    ui_->PBar1->setVisible(shown);
    ui_->Panel1->setVisible(shown);
    if (shown) {
      ui_->Panel1->setGeometry(ui_->Panel1->parentWidget()->rect());
      ui_->Panel1->raise();
    }
  }
  void setProgress(int position) override { ui_->PBar1->setValue(position); }

 private:
  Ui::ExportPage* ui_;
  PageHost& host_;
};

ExportPage::ExportPage(PageHost& host, QWidget* parent)
    : QWidget(parent), host_(host), ui(new Ui::ExportPage) {
  ui->setupUi(this);
  pictureButton(ui->BitBtn1, QStringLiteral("\u25B2"));
  pictureButton(ui->BitBtn2, QStringLiteral("\u25BC"));
  ui->ProgressLabel->hide();
  ui->CancelBtn->hide();
  choices_ = std::make_unique<Choices>(ui);
  progress_ = std::make_unique<Progress>(ui, host_);
  books_ = new BookBox(ui->ABComboBox, host_, true,
                       [this](const QString& name) { getGWABFields(name); });
  connectHandlers();
  setTabOrder();
  MakeSample();
}

ExportPage::~ExportPage() {
  delete ui;
}

void ExportPage::connectHandlers() {
  auto on = [this](auto* sender, auto signal, void (ExportPage::*handler)()) {
    connectGuarded(host_, this, sender, signal, [this, handler] { (this->*handler)(); });
  };
  on(ui->RadioGroup1, &TRadioGroup::clicked, &ExportPage::RadioGroup1Click);
  on(ui->RadioGroup2, &TRadioGroup::clicked, &ExportPage::RadioGroup2Click);
  on(ui->RadioGroup3, &TRadioGroup::clicked, &ExportPage::RadioGroup3Click);
  on(ui->RadioGroup4, &TRadioGroup::clicked, &ExportPage::RadioGroup4Click);
  on(ui->ListBox1, &QListWidget::itemSelectionChanged, &ExportPage::ListBox1Click);
  on(ui->ListBox1, &QListWidget::itemDoubleClicked, &ExportPage::ListBox1DblClick);
  on(ui->ListBox2, &QListWidget::itemSelectionChanged, &ExportPage::ListBox2Click);
  on(ui->ListBox2, &QListWidget::itemDoubleClicked, &ExportPage::ListBox2DblClick);
  on(ui->BitBtn1, &QPushButton::clicked, &ExportPage::BitBtn1Click);
  on(ui->BitBtn2, &QPushButton::clicked, &ExportPage::BitBtn2Click);
  on(ui->DateRangeCheckBox, &QCheckBox::toggled, &ExportPage::DateRangeCheckBoxClick);
  on(ui->ExportBtn, &QPushButton::clicked, &ExportPage::ExportBtnClick);
  on(ui->HelpBtn, &QPushButton::clicked, &ExportPage::HelpBtnClick);
  on(ui->QuitBtn, &QPushButton::clicked, &ExportPage::QuitBtnClick);
  // Enter on a field list moves the selected field as a double click does; Delete
  // takes a chosen field out again.
  ui->ListBox1->installEventFilter(this);
  ui->ListBox2->installEventFilter(this);
}

// Tab visits the controls in reading order: the left column top to bottom, then the
// right one, then the sample line and the buttons.
void ExportPage::setTabOrder() {
  std::vector<QWidget*> order;
  for (TRadioGroup* g : {ui->RadioGroup1, ui->RadioGroup2, ui->RadioGroup3, ui->RadioGroup4,
                         ui->TimeRadioGroup, ui->RadioGroup7}) {
    for (int i = 0; i < g->items().size(); ++i) order.push_back(g->button(i));
  }
  for (QWidget* w : std::initializer_list<QWidget*>{
           ui->CheckBox1, ui->Edit1, ui->DateRangeCheckBox, ui->MaskEdit1, ui->MaskEdit2,
           ui->ABComboBox, ui->ListBox1, ui->ListBox2, ui->BitBtn1, ui->BitBtn2, ui->Edit2,
           ui->ExportBtn, ui->HelpBtn, ui->QuitBtn}) {
    order.push_back(w);
  }
  for (std::size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

bool ExportPage::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    int key = static_cast<QKeyEvent*>(event)->key();
    bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (watched == ui->ListBox1 && enter) {
      host_.guarded([this] { ListBox1DblClick(); });
      return true;
    }
    if (watched == ui->ListBox2 && (enter || key == Qt::Key_Delete)) {
      host_.guarded([this] { ListBox2DblClick(); });
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void ExportPage::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (ui->Panel1->isVisible()) ui->Panel1->setGeometry(rect());
}

void ExportPage::resetForStart() {
  // The standard short date format: mm/dd/yyyy with the locale's date separator.
  QString today = QString::fromStdString(platform::formatStandardShortDate(platform::todayDate()));
  ui->MaskEdit1->setText(today);
  ui->MaskEdit2->setText(today);
  RadioGroup1Click();
}

void ExportPage::releaseObjects() {
  gwMessage.reset();
  gwCalendar.reset();
  gwMessages.reset();
  gwAddressBook.reset();
  gwAddressBooks.reset();
}

void ExportPage::accountChanged() {
  if (ui->RadioGroup1->itemIndex() != 3) return;
  books_->accountChanged(gwAddressBooks, gwAddressBook, [this] { ui->ListBox1->clear(); });
}

void ExportPage::RadioGroup1Click() {
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
      books_->loadShown();
      break;
    default:
      break;
  }
  updateButtons();
  MakeSample();
}

void ExportPage::populateABCombo() {
  books_->populate();
}

void ExportPage::getGWABFields(const QString& name) {
  QStringList fields = books_->fieldsOf(name, gwAddressBooks, gwAddressBook);
  // Names already chosen stay chosen and are not offered twice.
  ui->ListBox1->clear();
  for (const QString& f : fields) {
    if (ui->ListBox2->findItems(f, Qt::MatchExactly).isEmpty()) ui->ListBox1->addItem(f);
  }
  updateButtons();
}

void ExportPage::ABComboBoxChange() {
  books_->commit();
}

void ExportPage::ListBox1Click() {
  if (selectedRow(ui->ListBox1) >= 0 && selectedRow(ui->ListBox2) >= 0) {
    clearRowSelection(ui->ListBox2);
  }
  updateButtons();
}

void ExportPage::moveRow(QListWidget* from, QListWidgetItem* row, QListWidget* to) {
  if (!row) return;
  QString text = row->text();
  {
    QSignalBlocker block(from);
    delete from->takeItem(from->row(row));
  }
  to->addItem(text);
  clearRowSelection(from);
  clearRowSelection(to);
  ui->ExportBtn->setEnabled(ui->ListBox2->count() > 0);
  updateButtons();
  MakeSample();
}

void ExportPage::ListBox1DblClick() {
  int i = selectedRow(ui->ListBox1);
  if (i >= 0) moveRow(ui->ListBox1, ui->ListBox1->item(i), ui->ListBox2);
}

void ExportPage::ListBox2Click() {
  updateButtons();
}

void ExportPage::ListBox2DblClick() {
  int i = selectedRow(ui->ListBox2);
  if (i >= 0) moveRow(ui->ListBox2, ui->ListBox2->item(i), ui->ListBox1);
}

void ExportPage::updateButtons() {
  bool chosen = selectedRow(ui->ListBox2) >= 0;
  ui->BitBtn1->setEnabled(chosen);
  ui->BitBtn2->setEnabled(chosen);
}

void ExportPage::BitBtn1Click() {
  if (moveSelectedRow(ui->ListBox2, -1)) MakeSample();
}

void ExportPage::BitBtn2Click() {
  if (moveSelectedRow(ui->ListBox2, +1)) MakeSample();
}

void ExportPage::MakeSample() {
  std::string sample =
      exporting::MakeSample(listTexts(ui->ListBox2), exportFormat, ui->RadioGroup3->itemIndex());
  ui->Edit2->setText(fromAnsi(sample));
}

void ExportPage::RadioGroup2Click() {
  exportFormat.setDelimiters(ui->RadioGroup2->itemIndex());
  MakeSample();
}

void ExportPage::RadioGroup3Click() {
  exportFormat.setLineEnd(ui->RadioGroup3->itemIndex());
  MakeSample();
}

void ExportPage::RadioGroup4Click() {
  exportFormat.setQuoteSubstitute(ui->RadioGroup4->itemIndex());
  MakeSample();
}

void ExportPage::DateRangeCheckBoxClick() {
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

void ExportPage::HelpBtnClick() {
  emit helpRequested();
}

void ExportPage::QuitBtnClick() {
  emit quitRequested();
}

void ExportPage::ExportBtnClick() {
  if (host_.running()) return;
  ui->ExportStatusLabel->clear();
  ui->ExportBtn->setCursor(Qt::WaitCursor);
  platform::TextFileWriter file;
  if (!exporting::makeexpfile(file, ui->Edit1->text().toStdString())) {
    ui->ExportBtn->unsetCursor();
    host_.dialogs().message(platform::MessageKind::Error, "Unable to create export file.");
    ui->Edit1->clear();
    return;
  }
  std::string failure;
  {
    auto lock = host_.startRun(ui->Panel1);
    std::vector<std::string> fields = listTexts(ui->ListBox2);
    exporting::ExportJob job{file, exportFormat, fields, *choices_, *progress_};
    exporting::CalendarHolders holders{gwCalendar, gwMessages, gwMessage};
    try {
      if (ui->CheckBox1->isChecked()) exporting::writeHeader(job);
      switch (ui->RadioGroup1->itemIndex()) {
        case 0:
          exporting::exportAppts(job, *choices_, host_.account(), holders);
          break;
        case 1:
          exporting::exportTasks(job, *choices_, host_.account(), holders);
          break;
        case 2:
          exporting::exportNotes(job, *choices_, host_.account(), holders);
          break;
        case 3:
          exporting::exportAB(job, gwAddressBook);
          break;
        default:
          break;
      }
      file.close();
    } catch (const std::exception& e) {
      failure = e.what();
      file.abandon();
    }
    progress_->showProgress(false);
  }
  ui->ExportBtn->unsetCursor();
  if (!failure.empty()) host_.reportError(failure);
}

void ExportPage::saveSettings(settings::SettingsRecord& r) const {
  r.abComboBox = toAnsi(ui->ABComboBox->currentText());
  r.checkBox1 = ui->CheckBox1->isChecked();
  r.dateRangeCheckBox = ui->DateRangeCheckBox->isChecked();
  r.edit1 = toAnsi(ui->Edit1->text());
  r.edit2 = toAnsi(ui->Edit2->text());
  r.listBox1 = selectedRow(ui->ListBox1);
  r.listBox2 = selectedRow(ui->ListBox2);
  r.maskEdit1 = choices_->startText();
  r.maskEdit2 = choices_->stopText();
  r.radioGroup1 = ui->RadioGroup1->itemIndex();
  r.radioGroup2 = ui->RadioGroup2->itemIndex();
  r.radioGroup3 = ui->RadioGroup3->itemIndex();
  r.radioGroup4 = ui->RadioGroup4->itemIndex();
  r.timeRadioGroup = ui->TimeRadioGroup->itemIndex();
}

void ExportPage::restoreValues(const settings::SettingsRecord& r) {
  {
    QSignalBlocker block(ui->ABComboBox);
    ui->ABComboBox->setEditText(fromAnsi(r.abComboBox));
  }
  ui->CheckBox1->setChecked(r.checkBox1);
  ui->DateRangeCheckBox->setChecked(r.dateRangeCheckBox);
  ui->Edit1->setText(fromAnsi(r.edit1));
  ui->Edit2->setText(fromAnsi(r.edit2));
  restoreRow(ui->ListBox1, r.listBox1);
  restoreRow(ui->ListBox2, r.listBox2);
  updateButtons();
  ui->MaskEdit1->setText(fromAnsi(r.maskEdit1));
  ui->MaskEdit2->setText(fromAnsi(r.maskEdit2));
}

void ExportPage::restoreGroups(const settings::SettingsRecord& r) {
  restoreItem(ui->RadioGroup1, r.radioGroup1);
  restoreItem(ui->RadioGroup2, r.radioGroup2);
  restoreItem(ui->RadioGroup3, r.radioGroup3);
  restoreItem(ui->RadioGroup4, r.radioGroup4);
  restoreItem(ui->TimeRadioGroup, r.timeRadioGroup);
  // A restored book name is taken up as if the user had typed it.
  if (ui->RadioGroup1->itemIndex() == 3 && ui->ABComboBox->currentText() != books_->loaded()) {
    books_->commit();
  }
}
