#include "app/HelpWindow.h"

#include <QGuiApplication>
#include <QScreen>
#include <QShortcut>

#include "ui_HelpWindow.h"

HelpWindow::HelpWindow(const QString& title, const char* text, QWidget* parent)
    : QWidget(parent, Qt::Window), ui(new Ui::HelpWindow) {
  ui->setupUi(this);
  setWindowTitle(title);
  ui->Memo1->setPlainText(QString::fromUtf8(text));
  connect(ui->BitBtn1, &QPushButton::clicked, this, &HelpWindow::BitBtn1Click);
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, this, &HelpWindow::BitBtn1Click);
  // About 80 columns of text and most of the screen's height, never more than the screen.
  QFontMetrics fm(ui->Memo1->font());
  QSize wanted(fm.horizontalAdvance(QLatin1Char('x')) * 84, fm.lineSpacing() * 40);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    wanted = wanted.boundedTo(screen->availableGeometry().size() * 9 / 10);
  }
  resize(wanted);
}

HelpWindow::~HelpWindow() {
  delete ui;
}

void HelpWindow::BitBtn1Click() {
  hide();
}
