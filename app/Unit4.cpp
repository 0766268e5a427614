#include "app/Unit4.h"

#include "ui_Unit4.h"

Tproxyform::Tproxyform(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint),
      ui(new Ui::Tproxyform) {
  ui->setupUi(this);
  setFixedSize(size());
}

Tproxyform::~Tproxyform() {
  delete ui;
}
