// The export help window.
#pragma once

#include "app/HelpWindow.h"

class TForm2 : public HelpWindow {
  Q_OBJECT

 public:
  explicit TForm2(QWidget* parent = nullptr);
};
