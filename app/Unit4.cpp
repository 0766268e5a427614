#include "app/Unit4.h"

#include <QCloseEvent>

#include "app/Unit1.h"
#include "ui_Unit4.h"

Tproxyform::Tproxyform(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint),
      ui(new Ui::Tproxyform) {
  ui->setupUi(this);
  setFixedSize(size());
  // Without an account nothing in the main window can run, so it waits for this one.
  setWindowModality(Qt::ApplicationModal);
  connect(ui->pxyButton, &QPushButton::clicked, this, &Tproxyform::pxyButtonClick);
  connect(ui->revertButton, &QPushButton::clicked, this, &Tproxyform::revertButtonClick);
}

Tproxyform::~Tproxyform() {
  delete ui;
}

void Tproxyform::pxyButtonClick() {
  if (form1_) form1_->proxyUser = ui->Edit1->text();
  close();
}

void Tproxyform::revertButtonClick() {
  if (form1_) form1_->proxyUser.clear();
  close();
}

void Tproxyform::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  if (form1_) form1_->runHandler([this] { form1_->ProxyWinClosed(); });
}
