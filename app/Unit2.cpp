#include "app/Unit2.h"

#include "app/HelpText.h"
#include "ui_Unit2.h"

TForm2::TForm2(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowMinimizeButtonHint),
      ui(new Ui::TForm2) {
  ui->setupUi(this);
  setFixedSize(size());
  ui->Memo1->setPlainText(kExportHelp);
  connect(ui->BitBtn1, &QPushButton::clicked, this, &TForm2::BitBtn1Click);
}

TForm2::~TForm2() {
  delete ui;
}

void TForm2::BitBtn1Click() {
  hide();
}
