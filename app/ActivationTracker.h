// Decides when the main window's activation step runs: when it is first shown, and
// when the focus comes back to it from another window of this program (a help window,
// the proxy window, a message box). Coming back from another application does not
// count: the program's own active window stays what it was while another program had
// the focus, as a window system's "active form" of an application does.
#pragma once

#include <QObject>

class QWindow;

class ActivationTracker : public QObject {
  Q_OBJECT

 public:
  explicit ActivationTracker(QWidget* mainWindow);
  // Feeds one change of the focused window; public for tests of the rule itself.
  void focusChanged(QWindow* window);

 signals:
  void activated();

 private:
  QWidget* main_;
  QWindow* activeOwn_ = nullptr;  // the program's window that had the focus last
  bool seenMain_ = false;
};
