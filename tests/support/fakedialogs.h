// Scripted dialogs for tests: records every message shown and answers file choosers
// from a queue (an empty answer is a cancel).
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialogs.h"

namespace testing_support {

class FakeDialogs : public platform::Dialogs {
 public:
  struct Shown {
    platform::MessageKind kind;
    std::string text;
  };

  void message(platform::MessageKind kind, const std::string& text) override {
    shown.push_back({kind, text});
  }
  // Questions are answered from `replies` (No when it is empty) and recorded in `shown`.
  bool ask(platform::MessageKind kind, const std::string& text) override {
    shown.push_back({kind, text});
    if (replies.empty()) return false;
    bool r = replies.front();
    replies.pop_front();
    return r;
  }
  std::optional<std::string> openFile(const platform::FileDialogOptions& options) override {
    opened.push_back(options);
    return next();
  }
  std::optional<std::string> saveFile(const platform::FileDialogOptions& options) override {
    saved.push_back(options);
    return next();
  }

  // The texts shown so far, and forget them.
  std::vector<std::string> take() {
    std::vector<std::string> out;
    for (const Shown& s : shown) out.push_back(s.text);
    shown.clear();
    return out;
  }

  std::vector<Shown> shown;
  std::vector<platform::FileDialogOptions> opened;
  std::vector<platform::FileDialogOptions> saved;
  std::deque<std::optional<std::string>> answers;
  std::deque<bool> replies;

 private:
  std::optional<std::string> next() {
    if (answers.empty()) return std::nullopt;
    auto a = answers.front();
    answers.pop_front();
    return a;
  }
};

}  // namespace testing_support
