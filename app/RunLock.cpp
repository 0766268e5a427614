#include "app/RunLock.h"

#include <QMainWindow>
#include <QMenuBar>
#include <QTabBar>
#include <QTabWidget>

#include "groupwise/gwapi.h"

RunLock::RunLock(QMainWindow* window, QTabWidget* pages, bool& running, QWidget* keep,
                 std::function<void()> whileWaiting)
    : running_(running) {
  running_ = true;
  gw::api::setWaitHook(std::move(whileWaiting));
  std::vector<QWidget*> targets{window->menuBar(), pages->tabBar()};
  for (int p = 0; p < pages->count(); ++p) {
    for (QObject* child : pages->widget(p)->children()) {
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
  gw::api::setWaitHook(nullptr);
  running_ = false;
}
