// Helpers for benchmarks that drive the main window headless.
#pragma once

#include <QEvent>
#include <QObject>
#include <vector>

#include "bench/benchutil.h"

namespace bench {

// Counts the paint events of a widget during a run and the longest gap between them.
class PaintWatch : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      auto now = Clock::now();
      if (count > 0) {
        double gap = std::chrono::duration<double>(now - last).count();
        if (gap > longestGap) longestGap = gap;
      }
      last = now;
      ++count;
    }
    return QObject::eventFilter(watched, event);
  }
  int count = 0;
  double longestGap = 0;
  Clock::time_point last;
};

}  // namespace bench
