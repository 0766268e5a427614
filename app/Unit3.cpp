#include "app/Unit3.h"

#include "app/HelpText.h"
#include "ui_Unit3.h"

TForm3::TForm3(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowMinimizeButtonHint),
      ui(new Ui::TForm3) {
  ui->setupUi(this);
  setFixedSize(size());
  ui->Memo1->setPlainText(kImportHelp);
  connect(ui->BitBtn1, &QPushButton::clicked, this, &TForm3::BitBtn1Click);
}

TForm3::~TForm3() {
  delete ui;
}

void TForm3::BitBtn1Click() {
  hide();
}
