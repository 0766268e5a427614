// The import help window.
#pragma once

#include "app/HelpWindow.h"

class TForm3 : public HelpWindow {
  Q_OBJECT

 public:
  explicit TForm3(QWidget* parent = nullptr);
};
