// Message boxes and file choosers as real Qt dialogs.
#pragma once

#include "platform/dialogs.h"

class QWidget;

class QtDialogs : public platform::Dialogs {
 public:
  void setParent(QWidget* parent) { parent_ = parent; }
  void message(platform::MessageKind kind, const std::string& text) override;
  bool ask(platform::MessageKind kind, const std::string& text) override;
  std::optional<std::string> openFile(const platform::FileDialogOptions& options) override;
  std::optional<std::string> saveFile(const platform::FileDialogOptions& options) override;

 private:
  QWidget* parent_ = nullptr;
};
