// The import help window.
#pragma once

#include <QWidget>

namespace Ui {
class TForm3;
}

class TForm3 : public QWidget {
  Q_OBJECT

 public:
  explicit TForm3(QWidget* parent = nullptr);
  ~TForm3() override;
  void BitBtn1Click();

 private:
  Ui::TForm3* ui;
};
