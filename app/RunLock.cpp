#include "app/RunLock.h"

#include <QMenuBar>
#include <QTabBar>
#include <QTabWidget>

#include "app/Unit1.h"

RunLock::RunLock(TForm1* form, QWidget* keep) : form_(form) {
  form_->running_ = true;
  auto* tabs = form_->findChild<QTabWidget*>("TabbedNotebook1");
  std::vector<QWidget*> targets{form_->menuBar(), tabs->tabBar()};
  for (int p = 0; p < tabs->count(); ++p) {
    for (QObject* child : tabs->widget(p)->children()) {
      if (auto* w = qobject_cast<QWidget*>(child); w && w != keep) targets.push_back(w);
    }
  }
  for (QWidget* w : targets) {
    if (w->isEnabled()) {
      w->setEnabled(false);
      disabled_.emplace_back(w);
    }
  }
}

RunLock::~RunLock() {
  for (const QPointer<QWidget>& w : disabled_) {
    if (w) w->setEnabled(true);
  }
  form_->running_ = false;
}
