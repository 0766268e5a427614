// A help window: a read-only text and a Close button that hides the window, which
// stays alive to be shown again.
#pragma once

#include <QWidget>

namespace Ui {
class HelpWindow;
}

class HelpWindow : public QWidget {
  Q_OBJECT

 public:
  HelpWindow(const QString& title, const char* text, QWidget* parent = nullptr);
  ~HelpWindow() override;
  void BitBtn1Click();

 private:
  Ui::HelpWindow* ui;
};
