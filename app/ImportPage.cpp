#include "app/ImportPage.h"

#include <QFileInfo>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QSignalBlocker>

#include "app/BookBox.h"
#include "app/ListRows.h"
#include "app/PageHost.h"
#include "app/QtText.h"
#include "app/RunLock.h"
#include "groupwise/gwapi.h"
#include "groupwise/kinds.h"
#include "import/fieldnames.h"
#include "import/importer.h"
#include "settings/record.h"
#include "ui_ImportPage.h"

namespace api = gw::api;

namespace {}  // namespace

// The delimiter mode and filters as the line reader reads them at every call.
class ImportPage::LineChoices : public importing::LineOptions {
 public:
  explicit LineChoices(const Ui::ImportPage* ui) : ui_(ui) {}
  int delimiterMode() const override { return ui_->RadioGroup6->itemIndex(); }
  bool removeTrailingSpaces() const override { return ui_->CBtrailspace->isChecked(); }
  bool removeQuotes() const override { return ui_->CBquotereplace->isChecked(); }

 private:
  const Ui::ImportPage* ui_;
};

// "Date format mask:": an item counts as chosen while the box shows its text; typing
// over it chooses none.
class ImportPage::DateBox : public importing::DateMask {
 public:
  explicit DateBox(Ui::ImportPage* ui) : ui_(ui) {}
  int itemIndex() const override {
    const QComboBox* box = ui_->ImpDateComboBox;
    int i = box->currentIndex();
    return i >= 0 && box->currentText() == box->itemText(i) ? i : box->findText(box->currentText());
  }
  void selectItem(int index) override {
    QSignalBlocker block(ui_->ImpDateComboBox);
    ui_->ImpDateComboBox->setCurrentIndex(index);
    ui_->ImpDateComboBox->setEditText(ui_->ImpDateComboBox->itemText(index));
  }

 private:
  Ui::ImportPage* ui_;
};

// countLabel: how many items or entries a run has made.
class ImportPage::CountLabel : public importing::CountDisplay {
 public:
  explicit CountLabel(Ui::ImportPage* ui) : ui_(ui) {}
  void setCountText(const std::string& text) override { ui_->countLabel->setText(fromAnsi(text)); }

 private:
  Ui::ImportPage* ui_;
};

ImportPage::ImportPage(PageHost& host, QWidget* parent)
    : QWidget(parent), host_(host), ui(new Ui::ImportPage) {
  ui->setupUi(this);
  pictureButton(ui->BitBtn4, QStringLiteral("\u25B2"));
  pictureButton(ui->BitBtn5, QStringLiteral("\u25BC"));
  pictureButton(ui->BitBtn9, QStringLiteral("\u2702"));
  ui->BitBtn3->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
  ui->ImpDateComboBox->setInsertPolicy(QComboBox::NoInsert);
  ui->ImpDateComboBox->setCurrentIndex(-1);
  ui->ImpDateComboBox->setEditText(QStringLiteral("MM/DD/YY            (01/31/97)"));
  openDialog1.title = "Open Import File";
  openDialog1.defaultSuffix = "txt";
  openDialog1.mustExist = true;
  lineChoices_ = std::make_unique<LineChoices>(ui);
  dateBox_ = std::make_unique<DateBox>(ui);
  countLabel_ = std::make_unique<CountLabel>(ui);
  books_ = new BookBox(ui->ImpABComboBox, host_, false,
                       [this](const QString& name) { getGWABFields(name); });
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
  on(ui->RadioGroup5, &TRadioGroup::clicked, &ImportPage::RadioGroup5Click);
  on(ui->RadioGroup6, &TRadioGroup::clicked, &ImportPage::RadioGroup6Click);
  on(ui->ListBox4, &QListWidget::itemDoubleClicked, &ImportPage::ListBox4DblClick);
  on(ui->BitBtn4, &QPushButton::clicked, &ImportPage::BitBtn4Click);
  on(ui->BitBtn5, &QPushButton::clicked, &ImportPage::BitBtn5Click);
  on(ui->BitBtn9, &QPushButton::clicked, &ImportPage::BitBtn9Click);
  on(ui->BitBtn6, &QPushButton::clicked, &ImportPage::BitBtn6Click);
  on(ui->BitBtn7, &QPushButton::clicked, &ImportPage::HelpBtnClick);
  on(ui->BitBtn8, &QPushButton::clicked, &ImportPage::QuitBtnClick);
  ui->ImpDateComboBox->installEventFilter(this);
  ui->ListBox4->installEventFilter(this);
}

void ImportPage::setTabOrder() {
  std::vector<QWidget*> order{ui->Edit3, ui->BitBtn3, ui->ImpDateComboBox};
  for (int i = 0; i < ui->RadioGroup5->items().size(); ++i) {
    order.push_back(ui->RadioGroup5->button(i));
  }
  order.push_back(ui->ImpABComboBox);
  for (int i = 0; i < ui->RadioGroup6->items().size(); ++i) {
    order.push_back(ui->RadioGroup6->button(i));
  }
  for (QWidget* w : std::initializer_list<QWidget*>{
           ui->IgnoreFirstLineCB, ui->CBtrailspace, ui->CBquotereplace, ui->ListBox3, ui->ListBox4,
           ui->BitBtn4, ui->BitBtn5, ui->BitBtn9, ui->BitBtn6, ui->BitBtn7, ui->BitBtn8}) {
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
}

void ImportPage::releaseObjects() {
  gwAddressBook.reset();
  gwAddressBooks.reset();
}

void ImportPage::accountChanged() {
  if (ui->RadioGroup5->itemIndex() != 3) return;
  books_->accountChanged(gwAddressBooks, gwAddressBook, [this] { ui->ListBox4->clear(); });
}

void ImportPage::BitBtn3Click() {
  QString named = ui->Edit3->text();
  openDialog1.initialPath =
      named.isEmpty() ? host_.programDir().toStdString() : named.toStdString();
  auto chosen = host_.dialogs().openFile(openDialog1);
  if (!chosen) return;  // cancelled: nothing changes
  openDialog1.fileName = *chosen;
  ui->Edit3->setText(QString::fromStdString(*chosen));
  getImpFields(ui->Edit3->text());
}

void ImportPage::Edit3KeyPress() {
  QFileInfo file(ui->Edit3->text());
  if (file.exists() && !file.isDir()) getImpFields(ui->Edit3->text());
}

void ImportPage::getImpFields(const QString& path) {
  int row = selectedRow(ui->ListBox3);
  ui->ListBox3->clear();
  if (dateBox_->itemIndex() < 0) dateBox_->selectItem(0);
  std::string line;
  if (!importing::readFirstLine(path.toStdString(), line)) {
    host_.dialogs().message(platform::MessageKind::Error, "Unable to open import file.");
    return;
  }
  auto lock = host_.startRun(nullptr);
  std::vector<std::string> names =
      importing::readFieldNames(std::move(line), impDelimiters, ui->RadioGroup6->itemIndex(),
                                [this] { host_.processMessages(); });
  for (const std::string& name : names) ui->ListBox3->addItem(fromAnsi(name));
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
  switch (item) {
    case 0:
      fillList(ui->ListBox4, importing::kAppointmentFields);
      break;
    case 1:
      fillList(ui->ListBox4, importing::kTaskFields);
      break;
    case 2:
      fillList(ui->ListBox4, importing::kNoteFields);
      break;
    default:
      populateABCombo();
      books_->loadShown();
      break;
  }
}

void ImportPage::populateABCombo() {
  books_->populate();
}

void ImportPage::getGWABFields(const QString& name) {
  QStringList fields = books_->fieldsOf(name, gwAddressBooks, gwAddressBook);
  ui->ListBox4->clear();
  ui->ListBox4->addItems(fields);
}

void ImportPage::ImpABComboBoxChange() {
  books_->commit();
}

void ImportPage::RadioGroup6Click() {
  impDelimiters.select(ui->RadioGroup6->itemIndex());
  // The file's fields as the new delimiter splits them.
  QFileInfo file(ui->Edit3->text());
  if (!ui->Edit3->text().isEmpty() && file.exists() && !file.isDir()) {
    getImpFields(ui->Edit3->text());
  }
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

void ImportPage::ImpDateComboBoxExit() {
  if (dateBox_->itemIndex() < 0) dateBox_->selectItem(0);
}

void ImportPage::HelpBtnClick() {
  emit helpRequested();
}

void ImportPage::QuitBtnClick() {
  emit quitRequested();
}

void ImportPage::BitBtn6Click() {
  if (host_.running()) return;
  int m = ui->ListBox3->count();
  int k = ui->ListBox4->count();
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
              ": every column of the file needs a GroupWise field beside it.";
    }
    host_.dialogs().message(platform::MessageKind::Error, text);
    ui->ListBox4->setFocus();
    return;
  }
  ui->countLabel->clear();
  ui->BitBtn6->setCursor(Qt::WaitCursor);
  std::string failure;
  {
    auto lock = host_.startRun(nullptr);
    importing::ImportJob job{ui->Edit3->text().toStdString(),
                             ui->IgnoreFirstLineCB->isChecked(),
                             listTexts(ui->ListBox4),
                             impDelimiters,
                             *lineChoices_,
                             *dateBox_,
                             [this] { host_.processMessages(); },
                             host_.dialogs()};
    try {
      switch (ui->RadioGroup5->itemIndex()) {
        case 0:
          importing::ImpCal(0, job, host_.account());
          break;
        case 1:
          importing::ImpCal(5, job, host_.account());
          break;
        case 2:
          importing::ImpCal(3, job, host_.account());
          break;
        case 3:
          importing::ImpAddrs(job, host_.account(), toWide(ui->ImpABComboBox->currentText()),
                              gwAddressBooks, gwAddressBook, *countLabel_);
          break;
        default:
          break;
      }
    } catch (const std::exception& e) {
      failure = e.what();
    }
  }
  ui->BitBtn6->unsetCursor();
  if (!failure.empty()) host_.reportError(failure);
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
}

void ImportPage::restoreValues(const settings::SettingsRecord& r) {
  ui->CBquotereplace->setChecked(r.cbQuoteReplace);
  ui->CBtrailspace->setChecked(r.cbTrailSpace);
  ui->Edit3->setText(fromAnsi(r.edit3));
  ui->IgnoreFirstLineCB->setChecked(r.ignoreFirstLine);
  for (auto [box, text] : {std::pair{ui->ImpABComboBox, &r.impABComboBox},
                           std::pair{ui->ImpDateComboBox, &r.impDateComboBox}}) {
    QSignalBlocker block(box);
    box->setEditText(fromAnsi(*text));
  }
  restoreRow(ui->ListBox3, r.listBox3);
  restoreRow(ui->ListBox4, r.listBox4);
}

void ImportPage::restoreGroups(const settings::SettingsRecord& r) {
  restoreItem(ui->RadioGroup5, r.radioGroup5);
  restoreItem(ui->RadioGroup6, r.radioGroup6);
  if (ui->RadioGroup5->itemIndex() == 3 && ui->ImpABComboBox->currentText() != books_->loaded()) {
    books_->commit();
  }
}

void ImportPage::restoreExtension(const settings::SettingsRecord& r) {
  auto pairing = r.extension.find("import.pairing");
  if (pairing == r.extension.end()) return;
  // The pairing as it was, as far as the destination still has the fields.
  QStringList offered = [&] {
    QStringList all;
    for (int i = 0; i < ui->ListBox4->count(); ++i) all << ui->ListBox4->item(i)->text();
    return all;
  }();
  QStringList rows;
  for (const std::string& name : settings::splitList(pairing->second)) {
    QString field = QString::fromStdString(name);
    if (offered.contains(field)) rows << field;
  }
  ui->ListBox4->clear();
  ui->ListBox4->addItems(rows);
  restoreRow(ui->ListBox4, r.listBox4);
}
