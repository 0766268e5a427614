// The application object: sets the title and turns an exception that escapes an event
// handler into the general error report instead of ending the program.
#pragma once

#include <QApplication>
#include <functional>
#include <string>

inline constexpr const char* kApplicationTitle = "Marrowby v1.06a";
inline constexpr const char* kMainCaption = "Marrowby v1.06c";

class MarrowbyApplication : public QApplication {
 public:
  MarrowbyApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
  // Where escaped errors go; the main window installs its general error report.
  void setErrorReport(std::function<void(const std::string&)> report);

 private:
  std::function<void(const std::string&)> report_;
};
