#include "app/Unit1.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QScreen>

#include "app/ActivationTracker.h"
#include "app/Application.h"
#include "app/Unit2.h"
#include "app/Unit3.h"
#include "app/Unit4.h"
#include "groupwise/gwapi.h"
#include "platform/locale.h"
#include "platform/oledate.h"
#include "ui_Unit1.h"

namespace {

constexpr const char* kSupportAddress = "support@marrowby.example";

void pictureButton(QPushButton* b, const QString& glyph) {
  b->setText(glyph);
  QFont f = b->font();
  f.setPointSize(f.pointSize() + 12);
  b->setFont(f);
}

}  // namespace

TForm1::TForm1(platform::Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), ui(new Ui::TForm1), dialogs_(dialogs) {
  ui->setupUi(this);
  pictureButton(ui->BitBtn1, QStringLiteral("\u261D"));
  pictureButton(ui->BitBtn2, QStringLiteral("\u261F"));
  pictureButton(ui->BitBtn4, QStringLiteral("\u261D"));
  pictureButton(ui->BitBtn5, QStringLiteral("\u261F"));
  pictureButton(ui->BitBtn9, QStringLiteral("\u2702"));
  ui->BitBtn3->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
  for (QComboBox* box : {ui->ImpDateComboBox, ui->ABComboBox, ui->ImpABComboBox}) {
    box->setInsertPolicy(QComboBox::NoInsert);
  }
  openDialog1.title = "Open Import File";
  openDialog1.defaultSuffix = "txt";
  openDialog1.mustExist = true;
  ui->ImpDateComboBox->setCurrentIndex(-1);
  ui->ImpDateComboBox->setEditText(QStringLiteral("MM/DD/YY            (01/31/97)"));
  FormCreate();
  if (!sessionOpen()) return;
  activation_ = new ActivationTracker(this);
  connect(activation_, &ActivationTracker::activated, this,
          [this] { guarded([&] { FormActivate(); }); });
  connectHandlers();
  if (auto* app = dynamic_cast<MarrowbyApplication*>(QCoreApplication::instance())) {
    app->setErrorReport([this](const std::string& text) { reportError(text); });
  }
}

TForm1::~TForm1() {
  if (auto* app = dynamic_cast<MarrowbyApplication*>(QCoreApplication::instance())) {
    app->setErrorReport(nullptr);
  }
  exitStep();
  delete ui;
}

void TForm1::setWindows(TForm2* form2, TForm3* form3, Tproxyform* proxyform) {
  form2_ = form2;
  form3_ = form3;
  proxyform_ = proxyform;
  if (proxyform_) proxyform_->setMainForm(this);
}

void TForm1::connectHandlers() {
  on(ui->QuitBtn, &QPushButton::clicked, &TForm1::QuitBtnClick);
  on(ui->BitBtn8, &QPushButton::clicked, &TForm1::BitBtn8Click);
  on(ui->HelpBtn, &QPushButton::clicked, &TForm1::HelpBtnClick);
  on(ui->BitBtn7, &QPushButton::clicked, &TForm1::BitBtn7Click);
  on(ui->About1, &QAction::triggered, &TForm1::About1Click);
  on(ui->Save1, &QAction::triggered, &TForm1::Save1Click);
  on(ui->Open1, &QAction::triggered, &TForm1::Open1Click);
  on(ui->Proxy1, &QAction::triggered, &TForm1::Proxy1Click);
  connectExportPage();
  connectImportPage();
}

void TForm1::reportError(const std::string& text) {
  dialogs_.message(platform::MessageKind::Error, text);
}

void TForm1::FormCreate() {
  setFixedSize(size());
  setWindowFlags(windowFlags() & ~Qt::WindowMaximizeButtonHint);
  setWindowTitle(kMainCaption);
  try {
    gwSession = gw::api::createSession();
    gw::api::login(gwSession);
  } catch (const std::exception&) {
    gwSession.reset();
    dialogs_.message(platform::MessageKind::Error, "Unable to access GroupWise!");
    return;
  }
  programDir = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
  guarded([&] { gwAccount = gw::api::rootAccount(gwSession); });
}

void TForm1::FormActivate() {
  if (running_) return;  // a run lets messages through; it is not to be disturbed
  // The standard short date format: mm/dd/yyyy with the locale's date separator.
  QString today = QString::fromStdString(platform::formatStandardShortDate(platform::todayDate()));
  ui->MaskEdit1->setText(today);
  ui->MaskEdit2->setText(today);
  RadioGroup1Click();
  RadioGroup5Click();
}

void TForm1::QuitBtnClick() {
  close();
}

void TForm1::BitBtn8Click() {
  close();
}

void TForm1::showBeside(QWidget* window) {
  if (!window) return;
  if (!window->isVisible()) {
    // Beside the main window, kept on the screen.
    QPoint at = frameGeometry().topRight() + QPoint(8, 0);
    if (QScreen* screen = this->screen()) {
      QRect area = screen->availableGeometry();
      at.setX(
          std::max(area.left(), std::min(at.x(), area.right() - window->frameGeometry().width())));
      at.setY(
          std::max(area.top(), std::min(at.y(), area.bottom() - window->frameGeometry().height())));
    }
    window->move(at);
  }
  window->show();
  window->raise();
  window->activateWindow();
}

void TForm1::HelpBtnClick() {
  showBeside(form2_);
}

void TForm1::BitBtn7Click() {
  showBeside(form3_);
}

void TForm1::About1Click() {
  dialogs_.message(
      platform::MessageKind::Information,
      std::string("Marrowby\nLimited support available\nby email at ") + kSupportAddress);
}

void TForm1::exitStep() {
  proxyUser.clear();
  programDir.clear();
  gwMessage.reset();
  gwCalendar.reset();
  gwMessages.reset();
  gwAddressBook.reset();
  gwAddressBooks.reset();
  gwAccount.reset();
  gwSession.reset();
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (running_) {
    event->ignore();  // a run ends first
    return;
  }
  event->accept();
  // Closing the main window ends the program, whatever other windows are open.
  QCoreApplication::quit();
}

void TForm1::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (centred_) return;
  centred_ = true;
  if (QScreen* screen = this->screen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
}
