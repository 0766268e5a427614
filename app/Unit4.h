// The proxy window: the user id of a mailbox to work on by proxy.
#pragma once

#include <QWidget>

namespace Ui {
class Tproxyform;
}

class Tproxyform : public QWidget {
  Q_OBJECT

 public:
  explicit Tproxyform(QWidget* parent = nullptr);
  ~Tproxyform() override;

 private:
  Ui::Tproxyform* ui;
};
