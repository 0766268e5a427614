#include "app/ExportPage.h"

#include <QDateTime>
#include <QFileInfo>
#include <QKeyEvent>
#include <QShortcut>
#include <QSignalBlocker>
#include <optional>

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

// 24000 as "24,000".
std::string withThousands(std::int64_t n) {
  std::string digits = std::to_string(n < 0 ? -n : n);
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return n < 0 ? "-" + out : out;
}

// "240 appointments", "1 address book entry".
std::string recordsOf(std::int64_t n, exporting::ExportSource source) {
  static const char* const kinds[][2] = {{"appointment", "appointments"},
                                         {"task", "tasks"},
                                         {"note", "notes"},
                                         {"address book entry", "address book entries"}};
  return withThousands(n) + " " + kinds[static_cast<int>(source)][n == 1 ? 0 : 1];
}

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

// The progress panel over the page while a run goes on: the bar, the count written so
// far and the Cancel button.
class ExportPage::Progress : public exporting::RunHost {
 public:
  Progress(Ui::ExportPage* ui, PageHost& host) : ui_(ui), host_(host) {}
  void processMessages() override { host_.processMessages(); }
  void showProgress(bool shown) override {
    ui_->PBar1->setVisible(shown);
    ui_->ProgressLabel->setVisible(shown);
    ui_->CancelBtn->setVisible(shown);
    ui_->Panel1->setVisible(shown);
    if (shown) {
      cancelled_ = false;
      ui_->ProgressLabel->clear();
      ui_->PBar1->setValue(0);
      ui_->Panel1->setGeometry(ui_->Panel1->parentWidget()->rect());
      ui_->Panel1->raise();
      ui_->CancelBtn->setFocus();
    }
  }
  void setProgress(int position) override { ui_->PBar1->setValue(position); }
  void progressCount(std::int64_t done, std::int64_t total) override {
    // The label changes a few times a second at most; the last count always shows.
    qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (done != total && now - lastLabel_ < 40) return;
    lastLabel_ = now;
    ui_->ProgressLabel->setText(
        QString::fromStdString(withThousands(done) + " of " + withThousands(total)));
  }
  bool cancelRequested() override { return cancelled_; }
  void cancel() { cancelled_ = true; }

 private:
  Ui::ExportPage* ui_;
  PageHost& host_;
  bool cancelled_ = false;
  qint64 lastLabel_ = 0;
};

ExportPage::ExportPage(PageHost& host, QWidget* parent)
    : QWidget(parent), host_(host), ui(new Ui::ExportPage) {
  ui->setupUi(this);
  pictureButton(ui->BitBtn1, QStringLiteral("\u25B2"));
  pictureButton(ui->BitBtn2, QStringLiteral("\u25BC"));
  ui->ProgressLabel->hide();
  ui->CancelBtn->hide();
  ui->ExpSeparatorLabel->hide();
  // A whole date always fits.
  for (QLineEdit* date : {ui->MaskEdit1, ui->MaskEdit2}) {
    date->setMinimumWidth(date->fontMetrics().horizontalAdvance(QStringLiteral("00/00/00000")) +
                          16);
  }
  ui->ExpSeparatorComboBox->hide();
  choices_ = std::make_unique<Choices>(ui);
  progress_ = std::make_unique<Progress>(ui, host_);
  connect(ui->CancelBtn, &QPushButton::clicked, this, [this] { progress_->cancel(); });
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), ui->Panel1);
  escape->setContext(Qt::WidgetWithChildrenShortcut);
  connect(escape, &QShortcut::activated, this, [this] { progress_->cancel(); });
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
  on(ui->ExpSeparatorComboBox, &QComboBox::currentIndexChanged,
     &ExportPage::ExpSeparatorComboBoxChange);
  on(ui->ExpEncodingComboBox, &QComboBox::currentIndexChanged,
     &ExportPage::ExpEncodingComboBoxChange);
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
  auto group = [&](TRadioGroup* g) {
    for (int i = 0; i < g->items().size(); ++i) order.push_back(g->button(i));
  };
  group(ui->RadioGroup1);
  group(ui->RadioGroup2);
  group(ui->RadioGroup3);
  order.push_back(ui->ExpSeparatorComboBox);
  group(ui->RadioGroup4);
  group(ui->TimeRadioGroup);
  group(ui->RadioGroup7);
  for (QWidget* w : std::initializer_list<QWidget*>{
           ui->ExpEncodingComboBox, ui->CheckBox1, ui->Edit1, ui->DateRangeCheckBox, ui->MaskEdit1,
           ui->MaskEdit2, ui->ABComboBox, ui->ListBox1, ui->ListBox2, ui->BitBtn1, ui->BitBtn2,
           ui->Edit2, ui->ExportBtn, ui->HelpBtn, ui->QuitBtn}) {
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
  bool csv = exportFormat.mode == exporting::DelimiterMode::StandardCsv;
  ui->ExpSeparatorLabel->setVisible(csv);
  ui->ExpSeparatorComboBox->setVisible(csv);
  // Standard CSV doubles quotes; the substitute does not apply to it.
  ui->RadioGroup4->setEnabled(!csv);
  if (csv) exportFormat.setCsvSeparator(ui->ExpSeparatorComboBox->currentIndex());
  MakeSample();
}

void ExportPage::ExpSeparatorComboBoxChange() {
  exportFormat.setCsvSeparator(ui->ExpSeparatorComboBox->currentIndex());
  MakeSample();
}

void ExportPage::ExpEncodingComboBoxChange() {
  exportFormat.setEncoding(ui->ExpEncodingComboBox->currentIndex());
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
  exporting::ExportRequest request;
  request.path = ui->Edit1->text().toStdString();
  request.source = static_cast<exporting::ExportSource>(ui->RadioGroup1->itemIndex());
  request.account = host_.account();
  request.addressBook = gwAddressBook;
  for (int i = 0; i < ui->ListBox2->count(); ++i) {
    request.fields.push_back(ui->ListBox2->item(i)->text().toStdString());
  }
  request.format = exportFormat;
  request.header = ui->CheckBox1->isChecked();
  request.timeFormatItem = choices_->timeFormatItem();
  request.yearFormatItem = choices_->yearFormatItem();
  request.range.on = choices_->limited();
  request.range.start = choices_->startText();
  request.range.stop = choices_->stopText();
  platform::Dialogs& dialogs = host_.dialogs();
  std::string failure;
  std::optional<exporting::ExportResult> result;
  ui->ExportBtn->setCursor(Qt::WaitCursor);
  {
    auto lock = host_.startRun(ui->Panel1);
    progress_->showProgress(true);
    try {
      result = exporting::runExport(request, *progress_);
    } catch (const exporting::CannotCreateFile& e) {
      failure = std::string(e.what()) + "\n\n" + e.reason();
    } catch (const exporting::ExportRefused& e) {
      failure = e.what();
    } catch (const std::exception& e) {
      failure = "The export to " + request.path + " failed: " + e.what() +
                "\nNo file was written; a file of that name is as it was.";
    }
    progress_->showProgress(false);
  }
  ui->ExportBtn->unsetCursor();
  if (!failure.empty()) {
    dialogs.message(platform::MessageKind::Error, failure);
    return;
  }
  if (result->outcome == exporting::ExportResult::Outcome::Cancelled) {
    ui->ExportStatusLabel->setText("Export cancelled: no file was written to " +
                                   QString::fromStdString(result->path) + ".");
    return;
  }
  // The full path: a relative one is taken from the folder the program was started in.
  std::string where =
      QFileInfo(QString::fromStdString(result->path)).absoluteFilePath().toStdString();
  ui->ExportStatusLabel->setText(
      QString::fromStdString(recordsOf(result->records, result->source) + " written to " + where));
  if (result->unmappable > 0) {
    dialogs.message(platform::MessageKind::Warning,
                    withThousands(result->unmappable) +
                        (result->unmappable == 1 ? " character" : " characters") +
                        " that Windows-1252 does not have " +
                        (result->unmappable == 1 ? "was" : "were") + " written as \"?\" in " +
                        result->path + ". Choose the encoding UTF-8 to keep every character.");
  }
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
  r.extension["export.yearFormat"] = std::to_string(ui->RadioGroup7->itemIndex());
  r.extension["export.separator"] = std::to_string(ui->ExpSeparatorComboBox->currentIndex());
  r.extension["export.encoding"] = std::to_string(ui->ExpEncodingComboBox->currentIndex());
  std::vector<std::string> fields;
  for (int i = 0; i < ui->ListBox2->count(); ++i) {
    fields.push_back(ui->ListBox2->item(i)->text().toStdString());
  }
  r.extension["export.fields"] = settings::joinList(fields);
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

void ExportPage::restoreExtension(const settings::SettingsRecord& r) {
  // A choice the file does not hold (one of an earlier version) takes its default.
  restoreItem(ui->RadioGroup7, settingNumber(r.extension, "export.yearFormat").value_or(0));
  for (auto [key, box] : {std::pair{"export.separator", ui->ExpSeparatorComboBox},
                          std::pair{"export.encoding", ui->ExpEncodingComboBox}}) {
    int n = settingNumber(r.extension, key).value_or(0);
    box->setCurrentIndex(n >= 0 && n < box->count() ? n : 0);
  }
  auto fields = r.extension.find("export.fields");
  if (fields == r.extension.end()) return;
  // The chosen fields in their order, as far as the source still offers them, in place of
  // those chosen before.
  RadioGroup1Click();
  for (const std::string& name : settings::splitList(fields->second)) {
    auto found = ui->ListBox1->findItems(QString::fromStdString(name), Qt::MatchExactly);
    if (found.isEmpty()) continue;
    QSignalBlocker block(ui->ListBox1);
    delete ui->ListBox1->takeItem(ui->ListBox1->row(found[0]));
    ui->ListBox2->addItem(QString::fromStdString(name));
  }
  restoreRow(ui->ListBox1, r.listBox1);
  restoreRow(ui->ListBox2, r.listBox2);
  ui->ExportBtn->setEnabled(ui->ListBox2->count() > 0);
  updateButtons();
  MakeSample();
}
