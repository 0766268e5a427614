// The proxy window: the user id of a mailbox to work on by proxy.
#pragma once

#include <QWidget>

namespace Ui {
class Tproxyform;
}
class TForm1;

class Tproxyform : public QWidget {
  Q_OBJECT

 public:
  explicit Tproxyform(QWidget* parent = nullptr);
  ~Tproxyform() override;

  void setMainForm(TForm1* form) { form1_ = form; }
  void pxyButtonClick();
  void revertButtonClick();

 protected:
  // FormClose: every close, by a button or the close box, hands over to the main window.
  void closeEvent(QCloseEvent* event) override;

 private:
  Ui::Tproxyform* ui;
  TForm1* form1_ = nullptr;
};
