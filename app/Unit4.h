// The proxy window: the user id of a mailbox to work on by proxy. It reports the choice
// by signals; the main window takes up the account when the window closes.
#pragma once

#include <QWidget>
#include <optional>
#include <vector>

#include "groupwise/gwapi.h"

namespace Ui {
class Tproxyform;
}

class Tproxyform : public QWidget {
  Q_OBJECT

 public:
  explicit Tproxyform(QWidget* parent = nullptr);
  ~Tproxyform() override;

  // Fills the list with the users who granted proxy access; without a list (the post
  // office cannot give one) the list is not shown.
  void setUsers(const std::optional<std::vector<gw::api::ProxyGrantor>>& users);
  void pxyButtonClick();
  void revertButtonClick();

 signals:
  // "&Proxy now" with the typed user id, or "&Revert to self" with an empty one.
  void userChosen(const QString& userId);
  // Every close, by a button or the close box.
  void closed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  Ui::Tproxyform* ui;
};
