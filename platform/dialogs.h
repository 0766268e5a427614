// Message boxes and file choosers, behind one interface: the program shows real
// dialogs, tests script the answers and record every text shown.
#pragma once

#include <optional>
#include <string>

namespace platform {

enum class MessageKind { Information, Warning, Error };

struct FileDialogOptions {
  std::string title;
  std::string defaultSuffix;  // added to a typed name without one, e.g. "txt"
  std::string initialPath;    // a folder, or a file whose folder is meant; UTF-8
  std::string fileName;       // offered file name
  // Name filters, ";;" between them, e.g. "Marrowby settings (*.mwb);;All files (*)".
  std::string filter;
  bool mustExist = false;
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // A modal box with one OK button; texts are UTF-8 and shown as plain text.
  virtual void message(MessageKind kind, const std::string& text) = 0;
  // A modal question with Yes and No buttons; true for Yes. No is the default button.
  virtual bool ask(MessageKind kind, const std::string& text) = 0;
  // The chosen file's full path, or nullopt when cancelled.
  virtual std::optional<std::string> openFile(const FileDialogOptions& options) = 0;
  virtual std::optional<std::string> saveFile(const FileDialogOptions& options) = 0;
};

}  // namespace platform
