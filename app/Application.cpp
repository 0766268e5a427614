#include "app/Application.h"

#include <cstdio>
#include <exception>

MarrowbyApplication::MarrowbyApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(kApplicationTitle);
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
