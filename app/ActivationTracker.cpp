#include "app/ActivationTracker.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

ActivationTracker::ActivationTracker(QWidget* mainWindow) : QObject(mainWindow), main_(mainWindow) {
  connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &ActivationTracker::focusChanged);
}

void ActivationTracker::focusChanged(QWindow* window) {
  if (!window) return;  // another application has the focus: nothing of ours changes
  // Menus, drop-down lists and tool tips are part of the window that opened them.
  Qt::WindowType type = window->type();
  if (type == Qt::Popup || type == Qt::ToolTip || type == Qt::SplashScreen) return;
  bool isMain = main_->windowHandle() == window;
  if (isMain && (!seenMain_ || activeOwn_ != window)) {
    seenMain_ = true;
    activeOwn_ = window;
    emit activated();
    return;
  }
  activeOwn_ = window;
}
