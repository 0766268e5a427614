#include "app/ImportPage.h"

#include <QFileInfo>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QScrollBar>
#include <QSignalBlocker>

#include "app/BookBox.h"
#include "app/ListRows.h"
#include "app/PageHost.h"
#include "app/PreviewForm.h"
#include "app/QtText.h"
#include "app/RunLock.h"
#include "groupwise/gwapi.h"
#include "groupwise/kinds.h"
#include "import/detect.h"
#include "import/fieldnames.h"
#include "import/journal.h"
#include "import/pairing.h"
#include "import/textsource.h"
#include "import/undo.h"
#include "settings/record.h"
#include "ui_ImportPage.h"

namespace {

constexpr gw::CalendarKind kDestinationKinds[] = {gw::CalendarKind::Appointment,
                                                  gw::CalendarKind::Task, gw::CalendarKind::Note};

const char* const kKindNames[][2] = {
    {"appointment", "appointments"}, {"task", "tasks"}, {"note", "notes"}};

// "<name> - " and so on for the count label: "240 appointments - done".
std::string countOf(std::size_t n, int destination) {
  return importing::groupedCount(n) + " " + kKindNames[destination][n == 1 ? 0 : 1];
}

}  // namespace

// What the import run tells the page while it goes on: the window keeps painting, and
// countLabel follows the entries made or how far the file is read.
class ImportPage::RunHost : public importing::ImportHost {
 public:
  RunHost(PageHost& host, QLabel* count, bool book) : host_(host), count_(count), book_(book) {}
  void processMessages() override { host_.processMessages(); }
  void progress(std::uint64_t done, std::uint64_t total) override {
    if (book_ || total == 0) return;
    int percent = static_cast<int>(done * 100 / total);
    if (percent == percent_) return;
    percent_ = percent;
    count_->setText(QStringLiteral("Importing: %1%").arg(percent));
  }
  void entriesMade(std::size_t n) override {
    count_->setText(QString::fromStdString(importing::groupedCount(n)));
  }

 private:
  PageHost& host_;
  QLabel* count_;
  bool book_;
  int percent_ = -1;
};

ImportPage::ImportPage(PageHost& host, QWidget* parent)
    : QWidget(parent), host_(host), ui(new Ui::ImportPage) {
  ui->setupUi(this);
  pictureButton(ui->BitBtn4, QStringLiteral("\u25B2"));
  pictureButton(ui->BitBtn5, QStringLiteral("\u25BC"));
  pictureButton(ui->BitBtn9, QStringLiteral("\u2702"));
  ui->BitBtn3->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
  ui->ImpDateComboBox->setInsertPolicy(QComboBox::NoInsert);
  ui->ImpDetectLabel->hide();
  ui->ImpDateComboBox->setCurrentIndex(-1);
  ui->ImpDateComboBox->setEditText(QStringLiteral("MM/DD/YY            (01/31/97)"));
  openDialog1.title = "Open Import File";
  openDialog1.defaultSuffix = "txt";
  openDialog1.mustExist = true;
  openDialog1.filter = "Text files (*.csv *.txt *.tab *.tsv *.prn);;All files (*)";
  // Row i of the two lists belongs together: they scroll as one.
  for (auto [from, to] :
       {std::pair{ui->ListBox3, ui->ListBox4}, std::pair{ui->ListBox4, ui->ListBox3}}) {
    connect(from->verticalScrollBar(), &QScrollBar::valueChanged, to->verticalScrollBar(),
            &QScrollBar::setValue);
  }
  books_ = new BookBox(ui->ImpABComboBox, host_, false,
                       [this](const QString& name) { getGWABFields(name); });
  preview_ = new PreviewForm(this);
  preview_->setObjectName("PreviewForm");
  showSeparator();
  connectHandlers();
  setTabOrder();
}

ImportPage::~ImportPage() {
  delete ui;
}

void ImportPage::connectHandlers() {
  auto on = [this](auto* sender, auto signal, void (ImportPage::*handler)()) {
    connectGuarded(host_, this, sender, signal, [this, handler] { (this->*handler)(); });
  };
  on(ui->BitBtn3, &QPushButton::clicked, &ImportPage::BitBtn3Click);
  on(ui->Edit3, &QLineEdit::returnPressed, &ImportPage::Edit3KeyPress);
  on(ui->Edit3, &QLineEdit::editingFinished, &ImportPage::Edit3Exit);
  on(ui->RadioGroup5, &TRadioGroup::clicked, &ImportPage::RadioGroup5Click);
  on(ui->RadioGroup6, &TRadioGroup::clicked, &ImportPage::RadioGroup6Click);
  on(ui->ImpEncodingComboBox, &QComboBox::currentIndexChanged,
     &ImportPage::ImpEncodingComboBoxChange);
  on(ui->ImpSeparatorComboBox, &QComboBox::currentIndexChanged,
     &ImportPage::ImpSeparatorComboBoxChange);
  on(ui->ListBox4, &QListWidget::itemDoubleClicked, &ImportPage::ListBox4DblClick);
  on(ui->BitBtn4, &QPushButton::clicked, &ImportPage::BitBtn4Click);
  on(ui->BitBtn5, &QPushButton::clicked, &ImportPage::BitBtn5Click);
  on(ui->BitBtn9, &QPushButton::clicked, &ImportPage::BitBtn9Click);
  on(ui->SkipBtn, &QPushButton::clicked, &ImportPage::SkipBtnClick);
  on(ui->PairBtn, &QPushButton::clicked, &ImportPage::PairBtnClick);
  on(ui->PreviewBtn, &QPushButton::clicked, &ImportPage::PreviewBtnClick);
  on(ui->UndoImportBtn, &QPushButton::clicked, &ImportPage::UndoImportBtnClick);
  on(ui->BitBtn6, &QPushButton::clicked, &ImportPage::BitBtn6Click);
  on(ui->BitBtn7, &QPushButton::clicked, &ImportPage::HelpBtnClick);
  on(ui->BitBtn8, &QPushButton::clicked, &ImportPage::QuitBtnClick);
  ui->ImpDateComboBox->installEventFilter(this);
  ui->ListBox4->installEventFilter(this);
}

void ImportPage::setTabOrder() {
  std::vector<QWidget*> order{ui->Edit3, ui->BitBtn3, ui->ImpDateComboBox, ui->ImpEncodingComboBox};
  for (int i = 0; i < ui->RadioGroup5->items().size(); ++i) {
    order.push_back(ui->RadioGroup5->button(i));
  }
  order.push_back(ui->ImpABComboBox);
  for (int i = 0; i < ui->RadioGroup6->items().size(); ++i) {
    order.push_back(ui->RadioGroup6->button(i));
  }
  for (QWidget* w : std::initializer_list<QWidget*>{
           ui->ImpSeparatorComboBox, ui->IgnoreFirstLineCB, ui->CBtrailspace, ui->CBquotereplace,
           ui->SkipDuplicatesCB, ui->ListBox3, ui->ListBox4, ui->BitBtn4, ui->BitBtn5, ui->BitBtn9,
           ui->SkipBtn, ui->PairBtn, ui->PreviewBtn, ui->UndoImportBtn, ui->BitBtn6, ui->BitBtn7,
           ui->BitBtn8}) {
    order.push_back(w);
  }
  for (std::size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

bool ImportPage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ui->ImpDateComboBox && event->type() == QEvent::FocusOut &&
      static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
    host_.guarded([this] { ImpDateComboBoxExit(); });
  }
  if (watched == ui->ListBox4 && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
    host_.guarded([this] { ListBox4DblClick(); });
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void ImportPage::resetForStart() {
  RadioGroup5Click();
  updateUndo();
}

void ImportPage::releaseObjects() {
  gwAddressBook.reset();
  gwAddressBooks.reset();
}

void ImportPage::accountChanged() {
  updateUndo();
  if (ui->RadioGroup5->itemIndex() != 3) return;
  books_->accountChanged(gwAddressBooks, gwAddressBook, [this] {
    ui->ListBox4->clear();
    bookFields_.clear();
  });
}

importing::FileFormat ImportPage::fileFormat() const {
  importing::FileFormat format;
  format.mode = std::max(0, ui->RadioGroup6->itemIndex());
  int sep = ui->ImpSeparatorComboBox->currentIndex();
  format.separator = importing::kCsvSeparators[sep >= 0 && sep < 4 ? sep : 0];
  format.encoding = ui->ImpEncodingComboBox->currentIndex() == 1 ? importing::Encoding::Utf8
                                                                 : importing::Encoding::Windows1252;
  format.removeTrailingSpaces = ui->CBtrailspace->isChecked();
  format.removeQuotes = ui->CBquotereplace->isChecked();
  return format;
}

std::vector<std::string> ImportPage::destinationFields() const {
  int item = ui->RadioGroup5->itemIndex();
  if (item >= 0 && item < 3) return importing::calendarFields(kDestinationKinds[item]);
  std::vector<std::string> out;
  for (const QString& f : bookFields_) out.push_back(f.toStdString());
  return out;
}

// "Date format mask:": an item counts as chosen while the box shows its text; typing
// over it chooses none, and the first layout is then taken.
int ImportPage::dateMask() {
  QComboBox* box = ui->ImpDateComboBox;
  int i = box->currentIndex();
  if (!(i >= 0 && box->currentText() == box->itemText(i))) i = box->findText(box->currentText());
  if (i < 0) {
    QSignalBlocker block(box);
    box->setCurrentIndex(0);
    box->setEditText(box->itemText(0));
    i = 0;
  }
  return i;
}

importing::ImportRequest ImportPage::request() const {
  importing::ImportRequest r;
  r.path = ui->Edit3->text().toStdString();
  r.format = fileFormat();
  r.ignoreFirstLine = ui->IgnoreFirstLineCB->isChecked();
  QComboBox* box = ui->ImpDateComboBox;
  r.dateMask = std::max(0, box->findText(box->currentText()));
  for (int i = 0; i < ui->ListBox4->count(); ++i) {
    r.pairing.push_back(ui->ListBox4->item(i)->text().toStdString());
  }
  int item = ui->RadioGroup5->itemIndex();
  r.destination = item == 3
                      ? importing::Destination::addressBookNamed(books_->loaded().toStdString())
                      : importing::Destination::calendar(kDestinationKinds[std::max(0, item)]);
  r.skipDuplicates = ui->SkipDuplicatesCB->isChecked();
  r.journalFolder = importing::journalFolder();
  r.postOffice = host_.postOffice();
  return r;
}

bool ImportPage::acceptFile(const QString& path) {
  importing::TextCheck check = importing::checkTextFile(path.toStdString());
  if (!check.readable) {
    host_.dialogs().message(
        platform::MessageKind::Error,
        "Unable to open import file.\n\n" + path.toStdString() + ": " + check.reason);
    return false;
  }
  return check.looksLikeText ||
         host_.dialogs().ask(platform::MessageKind::Warning, check.question(path.toStdString()));
}

void ImportPage::BitBtn3Click() {
  QString named = ui->Edit3->text();
  openDialog1.initialPath =
      named.isEmpty() ? host_.programDir().toStdString() : named.toStdString();
  auto chosen = host_.dialogs().openFile(openDialog1);
  if (!chosen) return;  // cancelled: nothing changes
  openDialog1.fileName = *chosen;
  ui->Edit3->setText(QString::fromStdString(*chosen));
  takeFile(ui->Edit3->text());
}

void ImportPage::Edit3KeyPress() {
  QFileInfo file(ui->Edit3->text());
  if (file.exists() && !file.isDir()) takeFile(ui->Edit3->text());
}

void ImportPage::Edit3Exit() {
  // A name typed and left (Tab, a click elsewhere) is taken up as Enter takes it.
  if (ui->Edit3->hasFocus() || ui->Edit3->text() == lastTaken_) return;
  Edit3KeyPress();
}

void ImportPage::takeFile(const QString& path) {
  ui->ImpDetectLabel->clear();
  ui->ImpDetectLabel->hide();  // an empty line would leave a gap
  if (!acceptFile(path)) {
    ui->ListBox3->clear();
    return;
  }
  importing::Detection found =
      importing::detectFormat(path.toStdString(), destinationFields(), fileFormat());
  if (found.readable) {
    detecting_ = true;
    ui->ImpEncodingComboBox->setCurrentIndex(found.format.encoding == importing::Encoding::Utf8);
    for (int i = 0; i < 4; ++i) {
      if (importing::kCsvSeparators[i] == found.format.separator) {
        ui->ImpSeparatorComboBox->setCurrentIndex(i);
      }
    }
    ui->RadioGroup6->setItemIndex(found.format.mode);
    if (found.dateMask >= 0) {
      QSignalBlocker block(ui->ImpDateComboBox);
      ui->ImpDateComboBox->setCurrentIndex(found.dateMask);
      ui->ImpDateComboBox->setEditText(ui->ImpDateComboBox->itemText(found.dateMask));
    }
    // A header line is passed over, and only then.
    ui->IgnoreFirstLineCB->setChecked(found.headerLine);
    detecting_ = false;
    ui->ImpDetectLabel->setText(QString::fromStdString(found.summary));
    ui->ImpDetectLabel->show();
  }
  lastTaken_ = path;
  getImpFields(path);
  autoPaired_ = false;
  if (found.readable && found.paired >= 2) PairBtnClick();
  if (found.readable && ui->ListBox3->count() == 0) {
    host_.dialogs().message(platform::MessageKind::Warning,
                            path.toStdString() + " is empty: there is nothing to import.");
  }
}

void ImportPage::getImpFields(const QString& path) {
  int row = selectedRow(ui->ListBox3);
  ui->ListBox3->clear();
  dateMask();
  auto names = importing::readFieldNames(path.toStdString(), fileFormat());
  if (!names) {
    importing::TextCheck check = importing::checkTextFile(path.toStdString());
    host_.dialogs().message(platform::MessageKind::Error,
                            "Unable to open import file.\n\n" + path.toStdString() + ": " +
                                (check.reason.empty() ? "it cannot be read" : check.reason));
    return;
  }
  for (const std::string& name : *names) ui->ListBox3->addItem(QString::fromStdString(name));
  // The same file read again keeps the row the user had selected.
  if (row >= 0 && row < ui->ListBox3->count()) {
    QSignalBlocker block(ui->ListBox3);
    ui->ListBox3->setCurrentRow(row);
  }
}

void ImportPage::RadioGroup5Click() {
  int item = ui->RadioGroup5->itemIndex();
  if (item < 0 || item > 3) return;
  bool book = item == 3;
  ui->Label10->setVisible(book);
  ui->ImpABComboBox->setVisible(book);
  ui->ListBox4->clear();
  if (book) {
    populateABCombo();
    books_->loadShown();
  } else {
    for (const std::string& f : importing::calendarFields(kDestinationKinds[item])) {
      ui->ListBox4->addItem(QString::fromStdString(f));
    }
  }
  // A pairing made from the file's header is made again for the new destination.
  if (autoPaired_) PairBtnClick();
}

void ImportPage::populateABCombo() {
  books_->populate();
}

void ImportPage::getGWABFields(const QString& name) {
  bookFields_ = books_->fieldsOf(name, gwAddressBooks, gwAddressBook);
  ui->ListBox4->clear();
  ui->ListBox4->addItems(bookFields_);
  if (autoPaired_) PairBtnClick();
}

void ImportPage::ImpABComboBoxChange() {
  books_->commit();
}

void ImportPage::showSeparator() {
  bool csv = ui->RadioGroup6->itemIndex() == importing::kStandardCsv;
  ui->ImpSeparatorLabel->setVisible(csv);
  ui->ImpSeparatorComboBox->setVisible(csv);
  // Standard CSV keeps line breaks inside quoted fields; the other modes cannot.
  ui->Label9->setVisible(!csv);
}

void ImportPage::rereadFields() {
  QFileInfo file(ui->Edit3->text());
  if (!detecting_ && !ui->Edit3->text().isEmpty() && file.exists() && !file.isDir()) {
    getImpFields(ui->Edit3->text());
  }
}

void ImportPage::RadioGroup6Click() {
  impDelimiters.select(ui->RadioGroup6->itemIndex());
  showSeparator();
  // The file's fields as the new delimiter splits them.
  rereadFields();
}

void ImportPage::ImpEncodingComboBoxChange() {
  rereadFields();
}

void ImportPage::ImpSeparatorComboBoxChange() {
  rereadFields();
}

void ImportPage::ListBox4DblClick() {
  int i = selectedRow(ui->ListBox4);
  if (i < 0) return;
  {
    QSignalBlocker block(ui->ListBox4);
    delete ui->ListBox4->takeItem(i);
  }
  clearRowSelection(ui->ListBox4);
}

void ImportPage::BitBtn4Click() {
  moveSelectedRow(ui->ListBox4, -1);
}

void ImportPage::BitBtn5Click() {
  moveSelectedRow(ui->ListBox4, +1);
}

void ImportPage::BitBtn9Click() {
  int m = ui->ListBox3->count();
  for (int i = ui->ListBox4->count() - 1; i >= m; --i) delete ui->ListBox4->takeItem(i);
}

void ImportPage::SkipBtnClick() {
  int i = selectedRow(ui->ListBox4);
  if (i >= 0) {
    ui->ListBox4->insertItem(i, QString::fromLatin1(importing::kSkip));
    clearRowSelection(ui->ListBox4);
    return;
  }
  while (ui->ListBox4->count() < ui->ListBox3->count()) {
    ui->ListBox4->addItem(QString::fromLatin1(importing::kSkip));
  }
}

void ImportPage::PairBtnClick() {
  std::vector<std::string> header;
  for (int i = 0; i < ui->ListBox3->count(); ++i) {
    header.push_back(ui->ListBox3->item(i)->text().toStdString());
  }
  std::vector<std::string> pairing = importing::pairByName(header, destinationFields());
  ui->ListBox4->clear();
  for (const std::string& p : pairing) ui->ListBox4->addItem(QString::fromStdString(p));
  ui->IgnoreFirstLineCB->setChecked(true);
  autoPaired_ = true;
}

void ImportPage::ImpDateComboBoxExit() {
  dateMask();
}

void ImportPage::HelpBtnClick() {
  emit helpRequested();
}

void ImportPage::QuitBtnClick() {
  emit quitRequested();
}

void ImportPage::PreviewBtnClick() {
  dateMask();
  importing::ImportRequest r = request();
  if (!acceptFile(ui->Edit3->text())) return;
  preview_->show(importing::preview(r, host_.account(), 50), ui->Edit3->text());
}

void ImportPage::BitBtn6Click() {
  if (host_.running()) return;
  int m = ui->ListBox3->count();
  int k = ui->ListBox4->count();
  if (m == 0) {
    host_.dialogs().message(
        platform::MessageKind::Error,
        "There is nothing to import: " +
            (ui->Edit3->text().isEmpty() ? std::string("no file is named.")
                                         : ui->Edit3->text().toStdString() +
                                               " has no fields (it is empty, or was not read)."));
    return;
  }
  if (m != k) {
    std::string text = "The import file has " + std::to_string(m) +
                       (m == 1 ? " field" : " fields") + " and \"GroupWise Fields:\" has " +
                       std::to_string(k) + ". ";
    if (k > m) {
      text += "The GroupWise list is longer by " + std::to_string(k - m) +
              ": remove the GroupWise fields that have no partner (double-click them or press "
              "Delete), or cut the list to the file's length with the scissors button.";
    } else {
      text += "The file's list is longer by " + std::to_string(m - k) +
              ": pair every column with a GroupWise field, or put a \"(skip)\" row beside "
              "each column not to import (the Skip button).";
    }
    host_.dialogs().message(platform::MessageKind::Error, text);
    ui->ListBox4->setFocus();
    return;
  }
  if (!acceptFile(ui->Edit3->text())) return;
  dateMask();
  importing::ImportRequest r = request();
  int destination = ui->RadioGroup5->itemIndex();
  if (destination < 0 || destination > 3) return;
  ui->countLabel->clear();
  ui->BitBtn6->setCursor(Qt::WaitCursor);
  std::string failure;
  std::optional<importing::ImportResult> result;
  {
    auto lock = host_.startRun(nullptr);
    RunHost run(host_, ui->countLabel, destination == 3);
    try {
      result = importing::runImport(r, host_.account(), run);
    } catch (const std::exception& e) {
      failure = e.what();
    }
  }
  ui->BitBtn6->unsetCursor();
  updateUndo();
  if (!failure.empty()) {
    ui->countLabel->clear();
    host_.reportError(failure);
    return;
  }
  if (destination == 3) {
    ui->countLabel->setText(QString::fromStdString(result->countText()));
  } else {
    std::string text = countOf(result->imported, destination);
    if (result->completed()) text += " - done";
    ui->countLabel->setText(QString::fromStdString(text));
  }
  std::string message = result->endMessage();
  if (!message.empty()) {
    host_.dialogs().message(
        result->completed() ? platform::MessageKind::Warning : platform::MessageKind::Error,
        "Import of " + r.path + ":\n\n" + message);
  }
}

void ImportPage::updateUndo() {
  bool some = false;
  if (host_.account()) {
    try {
      some =
          importing::hasRunToUndo(importing::journalFolder(), host_.postOffice(), host_.account());
    } catch (const std::exception&) {
      // A folder or a journal that cannot be read: nothing to undo.
    }
  }
  ui->UndoImportBtn->setEnabled(some);
}

void ImportPage::UndoImportBtnClick() {
  if (host_.running()) return;
  auto plan = importing::lastRunOf(importing::journalFolder(), host_.postOffice(), host_.account());
  if (!plan) {
    updateUndo();
    return;
  }
  if (!host_.dialogs().ask(platform::MessageKind::Warning, plan->question)) return;
  // Progress in the count label while the items go.
  class Host : public importing::UndoHost {
   public:
    Host(PageHost& host, QLabel* label) : host_(host), label_(label) {}
    void progress(std::size_t done, std::size_t total) override {
      if (done != total && done % 200 != 0) return;
      label_->setText(QString::fromStdString("Removing: " + importing::groupedCount(done) + " of " +
                                             importing::groupedCount(total)));
    }
    void processMessages() override { host_.processMessages(); }

   private:
    PageHost& host_;
    QLabel* label_;
  };
  importing::UndoResult result;
  {
    auto lock = host_.startRun(nullptr);
    Host progress(host_, ui->countLabel);
    result = importing::undoRun(*plan, host_.account(), progress);
  }
  ui->countLabel->clear();
  updateUndo();
  host_.dialogs().message(
      result.complete() ? platform::MessageKind::Information : platform::MessageKind::Error,
      result.message);
}

void ImportPage::saveSettings(settings::SettingsRecord& r) const {
  r.cbQuoteReplace = ui->CBquotereplace->isChecked();
  r.cbTrailSpace = ui->CBtrailspace->isChecked();
  r.edit3 = toAnsi(ui->Edit3->text());
  r.ignoreFirstLine = ui->IgnoreFirstLineCB->isChecked();
  r.impABComboBox = toAnsi(ui->ImpABComboBox->currentText());
  r.impDateComboBox = toAnsi(ui->ImpDateComboBox->currentText());
  r.listBox3 = selectedRow(ui->ListBox3);
  r.listBox4 = selectedRow(ui->ListBox4);
  r.radioGroup5 = ui->RadioGroup5->itemIndex();
  r.radioGroup6 = ui->RadioGroup6->itemIndex();
  std::vector<std::string> pairing;
  for (int i = 0; i < ui->ListBox4->count(); ++i) {
    pairing.push_back(ui->ListBox4->item(i)->text().toStdString());
  }
  r.extension["import.pairing"] = settings::joinList(pairing);
  r.extension["import.separator"] = std::to_string(ui->ImpSeparatorComboBox->currentIndex());
  r.extension["import.encoding"] = std::to_string(ui->ImpEncodingComboBox->currentIndex());
  r.extension["import.skipDuplicates"] = ui->SkipDuplicatesCB->isChecked() ? "1" : "0";
  // The record holds texts in Windows-1252; the file's name in full, whatever it holds.
  r.extension["import.file"] = ui->Edit3->text().toStdString();
}

void ImportPage::restoreValues(const settings::SettingsRecord& r) {
  ui->ImpDetectLabel->clear();
  ui->ImpDetectLabel->hide();  // an empty line would leave a gap
  ui->CBquotereplace->setChecked(r.cbQuoteReplace);
  ui->CBtrailspace->setChecked(r.cbTrailSpace);
  auto file = r.extension.find("import.file");
  ui->Edit3->setText(file != r.extension.end() ? QString::fromStdString(file->second)
                                               : fromAnsi(r.edit3));
  ui->IgnoreFirstLineCB->setChecked(r.ignoreFirstLine);
  for (auto [box, text] : {std::pair{ui->ImpABComboBox, &r.impABComboBox},
                           std::pair{ui->ImpDateComboBox, &r.impDateComboBox}}) {
    QSignalBlocker block(box);
    box->setEditText(fromAnsi(*text));
  }
  // The file's format comes before the groups that read the file again.
  detecting_ = true;
  for (auto [key, box] : {std::pair{"import.separator", ui->ImpSeparatorComboBox},
                          std::pair{"import.encoding", ui->ImpEncodingComboBox}}) {
    int n = settingNumber(r.extension, key).value_or(0);
    box->setCurrentIndex(n >= 0 && n < box->count() ? n : 0);
  }
  detecting_ = false;
  ui->SkipDuplicatesCB->setChecked(settingNumber(r.extension, "import.skipDuplicates") == 1);
  restoreRow(ui->ListBox3, r.listBox3);
  restoreRow(ui->ListBox4, r.listBox4);
}

void ImportPage::restoreGroups(const settings::SettingsRecord& r) {
  autoPaired_ = false;
  restoreItem(ui->RadioGroup5, r.radioGroup5);
  detecting_ = true;
  restoreItem(ui->RadioGroup6, r.radioGroup6);
  detecting_ = false;
  rereadFields();
  if (ui->RadioGroup5->itemIndex() == 3 && ui->ImpABComboBox->currentText() != books_->loaded()) {
    books_->commit();
  }
}

void ImportPage::restoreExtension(const settings::SettingsRecord& r) {
  auto pairing = r.extension.find("import.pairing");
  if (pairing == r.extension.end()) return;
  // The pairing as it was, as far as the destination still has the fields.
  std::vector<std::string> offered = destinationFields();
  QStringList rows;
  for (const std::string& name : settings::splitList(pairing->second)) {
    if (name == importing::kSkip ||
        std::find(offered.begin(), offered.end(), name) != offered.end()) {
      rows << QString::fromStdString(name);
    }
  }
  ui->ListBox4->clear();
  ui->ListBox4->addItems(rows);
  restoreRow(ui->ListBox4, r.listBox4);
}
