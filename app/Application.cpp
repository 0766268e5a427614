#include "app/Application.h"

#include <cstdio>
#include <exception>

MarrowbyApplication::MarrowbyApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(kApplicationTitle);
  // A plain one-pixel frame around the lists: the style's own frame loses its right and
  // bottom edges when the screen is scaled by a fraction (1.25, 1.5).
  setStyleSheet(QStringLiteral("QListWidget, QTableWidget { border: 1px solid palette(mid); }"));
}

bool MarrowbyApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    if (report_) {
      report_(e.what());
    } else {
      std::fprintf(stderr, "marrowby: %s\n", e.what());
    }
  }
  return false;
}

void MarrowbyApplication::setErrorReport(std::function<void(const std::string&)> report) {
  report_ = std::move(report);
}
