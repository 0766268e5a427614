#include "app/Unit1.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QScreen>
#include <QTabWidget>
#include <cstdio>

#include "app/Application.h"
#include "app/ExportPage.h"
#include "app/ImportPage.h"
#include "app/RunLock.h"
#include "app/Unit2.h"
#include "app/Unit3.h"
#include "app/Unit4.h"
#include "groupwise/error.h"
#include "groupwise/gwapi.h"
#include "groupwise/standin/standin.h"
#include "ui_Unit1.h"

namespace {

constexpr const char* kSupportAddress = "support@marrowby.example";

}  // namespace

TForm1::TForm1(platform::Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), ui(new Ui::TForm1), dialogs_(dialogs) {
  ui->setupUi(this);
  exportPage_ = new ExportPage(*this);
  importPage_ = new ImportPage(*this);
  ui->TabbedNotebook1->addTab(exportPage_, QStringLiteral("Export"));
  ui->TabbedNotebook1->addTab(importPage_, QStringLiteral("Import"));
  ui->TabbedNotebook1->setCurrentIndex(1);
  FormCreate();
  if (!sessionOpen()) return;
  auto on = [this](auto* sender, auto signal, void (TForm1::*handler)()) {
    connectGuarded(*this, this, sender, signal, [this, handler] { (this->*handler)(); });
  };
  on(exportPage_, &ExportPage::quitRequested, &TForm1::QuitBtnClick);
  on(importPage_, &ImportPage::quitRequested, &TForm1::BitBtn8Click);
  on(exportPage_, &ExportPage::helpRequested, &TForm1::HelpBtnClick);
  on(importPage_, &ImportPage::helpRequested, &TForm1::BitBtn7Click);
  on(ui->About1, &QAction::triggered, &TForm1::About1Click);
  on(ui->Save1, &QAction::triggered, &TForm1::Save1Click);
  on(ui->Open1, &QAction::triggered, &TForm1::Open1Click);
  on(ui->Proxy1, &QAction::triggered, &TForm1::Proxy1Click);
  if (auto* app = dynamic_cast<MarrowbyApplication*>(QCoreApplication::instance())) {
    app->setErrorReport([this](const std::string& text) { reportError(text); });
  }
}

TForm1::~TForm1() {
  if (auto* app = dynamic_cast<MarrowbyApplication*>(QCoreApplication::instance())) {
    app->setErrorReport(nullptr);
  }
  gw::api::setWaitHook(nullptr);
  exitStep();
  delete ui;
}

void TForm1::setWindows(TForm2* form2, TForm3* form3, Tproxyform* proxyform) {
  form2_ = form2;
  form3_ = form3;
  proxyform_ = proxyform;
  if (!proxyform_) return;
  connect(proxyform_, &Tproxyform::userChosen, this,
          [this](const QString& user) { proxyUser = user; });
  connect(proxyform_, &Tproxyform::closed, this, [this] { guarded([this] { ProxyWinClosed(); }); });
}

void TForm1::reportError(const std::string& text) {
  dialogs_.message(platform::MessageKind::Error, text);
}

std::unique_ptr<RunLock> TForm1::startRun(QWidget* keep) {
  return std::make_unique<RunLock>(this, ui->TabbedNotebook1, running_, keep,
                                   [this] { processMessages(); });
}

void TForm1::processMessages() {
  // A few milliseconds between turns keeps the window responsive without slowing a run.
  qint64 now = QDateTime::currentMSecsSinceEpoch();
  if (now - lastMessages_ < 15) return;
  lastMessages_ = now;
  QCoreApplication::processEvents();
}

std::string TForm1::postOffice() const {
  return gw::standin::postOfficePath();
}

void TForm1::FormCreate() {
  setCaption();
  try {
    gwSession = gw::api::createSession();
    gw::api::login(gwSession);
  } catch (const std::exception& e) {
    gwSession.reset();
    std::fprintf(stderr, "marrowby: Unable to access GroupWise: %s\n", e.what());
    dialogs_.message(platform::MessageKind::Error,
                     std::string("Unable to access GroupWise!\n\n") + e.what());
    return;
  }
  programDir_ = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
  guarded([&] { gwAccount = gw::api::rootAccount(gwSession); });
}

void TForm1::FormActivate() {
  exportPage_->resetForStart();
  importPage_->resetForStart();
}

void TForm1::setCaption() {
  QString caption = kMainCaption;
  if (!proxied_.isEmpty()) caption += " - proxying " + proxied_;
  setWindowTitle(caption);
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

bool TForm1::exitStep() {
  bool saved = true;
  if (gwSession) {
    try {
      gw::api::commit(gwSession);
    } catch (const gw::StoreError& e) {
      saved = false;
      std::fprintf(stderr, "marrowby: %s\n", e.what());
      dialogs_.message(platform::MessageKind::Error,
                       std::string("Marrowby could not save your last changes.\n\n") + e.what());
    } catch (const std::exception&) {
      // This GroupWise commits every call at once.
    }
  }
  proxyUser.clear();
  programDir_.clear();
  if (exportPage_) exportPage_->releaseObjects();
  if (importPage_) importPage_->releaseObjects();
  gwAccount.reset();
  gwSession.reset();
  return saved;
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
  if (shown_) return;
  shown_ = true;
  // Big enough to show every control at the current font, centred, on the screen.
  QSize size = sizeHint();
  if (QScreen* screen = this->screen()) {
    QRect area = screen->availableGeometry();
    size = size.boundedTo(area.size());
    QRect frame(QPoint(), size);
    frame.moveCenter(area.center());
    setGeometry(frame);
  } else {
    resize(size);
  }
  guarded([this] { FormActivate(); });
}
