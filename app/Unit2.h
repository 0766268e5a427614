// The export help window.
#pragma once

#include <QWidget>

namespace Ui {
class TForm2;
}

class TForm2 : public QWidget {
  Q_OBJECT

 public:
  explicit TForm2(QWidget* parent = nullptr);
  ~TForm2() override;
  void BitBtn1Click();

 private:
  Ui::TForm2* ui;
};
