// While an export or import runs inside its button handler, the window keeps handling
// messages; this keeps everything else from starting meanwhile: the menu, the page tabs
// and the pages' controls are disabled, and come back however the run ends.
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <vector>

class QMainWindow;
class QTabWidget;

class RunLock {
 public:
  // `keep` stays enabled (the progress panel); `running` is true for the lock's life.
  // While a GroupWise call waits for the post office meanwhile, `whileWaiting` keeps the
  // window painting.
  RunLock(QMainWindow* window, QTabWidget* pages, bool& running, QWidget* keep,
          std::function<void()> whileWaiting);
  ~RunLock();
  RunLock(const RunLock&) = delete;
  RunLock& operator=(const RunLock&) = delete;

 private:
  bool& running_;
  std::vector<QPointer<QWidget>> disabled_;
};
