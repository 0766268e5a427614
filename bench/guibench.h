// Helpers for benchmarks that drive the main window headless.
#pragma once

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

#include "app/Application.h"
#include "app/Unit1.h"
#include "bench/benchutil.h"
#include "tests/support/fakedialogs.h"

namespace bench {

// How well the window kept painting during a run. A timer asks the watched widget for a
// repaint every 10 ms, so a paint shows when the window got back to its event loop, not
// when the widget happened to change; the gaps between paints, and from the last paint
// to the end of the run, are the time the window was frozen.
class PaintWatch : public QObject {
 public:
  explicit PaintWatch(QWidget* widget) : widget_(widget) {
    widget_->installEventFilter(this);
    QObject::connect(&ticker_, &QTimer::timeout, widget_, [w = widget_] { w->update(); });
  }
  ~PaintWatch() override {
    if (widget_) widget_->removeEventFilter(this);
  }
  PaintWatch(const PaintWatch&) = delete;
  PaintWatch& operator=(const PaintWatch&) = delete;

  // Call just before the run starts and just after it returns.
  void start() {
    paints_.clear();
    started_ = Clock::now();
    ticker_.start(10);
  }
  void stop() {
    ended_ = Clock::now();
    ticker_.stop();
  }

  int count() const { return static_cast<int>(paints_.size()); }

  // The gaps in milliseconds, longest first, each with where it began (milliseconds
  // since the start): from the start to the first paint, between paints, and from the
  // last paint to the end of the run.
  std::vector<std::pair<double, double>> gaps() const {
    std::vector<std::pair<double, double>> out;
    auto ms = [](Clock::duration d) {
      return std::chrono::duration<double, std::milli>(d).count();
    };
    Clock::time_point from = started_;
    for (Clock::time_point t : paints_) {
      out.emplace_back(ms(t - from), ms(from - started_));
      from = t;
    }
    out.emplace_back(ms(ended_ - from), ms(from - started_));
    std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a > b; });
    return out;
  }
  double longestGapMs() const { return gaps().front().first; }

  // "painted 812 times; longest gaps 31 ms at 120 ms, ..."
  void print(const char* indent = "") const {
    std::vector<std::pair<double, double>> g = gaps();
    std::printf("%swindow painted %d times; longest gaps:", indent, count());
    for (std::size_t i = 0; i < g.size() && i < 5; ++i) {
      std::printf(" %.0f ms at %.0f ms%s", g[i].first, g[i].second,
                  i + 1 < g.size() && i < 4 ? "," : "");
    }
    std::printf("\n");
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && ticker_.isActive()) paints_.push_back(Clock::now());
    return QObject::eventFilter(watched, event);
  }

 private:
  QPointer<QWidget> widget_;  // the window may go first
  QTimer ticker_;
  std::vector<Clock::time_point> paints_;
  Clock::time_point started_, ended_;
};

// The main window on the offscreen platform, shown and activated, with scripted dialogs
// that record what they were asked to show.
class HeadlessWindow {
  static int& offscreen(int& argc) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return argc;
  }
  MarrowbyApplication app_;  // first made, last gone

 public:
  HeadlessWindow(int& argc, char** argv)
      : app_(offscreen(argc), argv), form(std::make_unique<TForm1>(dialogs)) {
    form->show();
    shown = QTest::qWaitForWindowExposed(form.get());
    if (shown) form->FormActivate();
  }

  testing_support::FakeDialogs dialogs;
  std::unique_ptr<TForm1> form;
  bool shown = false;
};

}  // namespace bench
