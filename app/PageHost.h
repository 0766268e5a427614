// What a page of the main window needs from the window: the account every command goes
// through, the dialogs, the general error report, the message pump and the lock that
// keeps everything else still while a run goes on.
#pragma once

#include <QObject>
#include <QString>
#include <exception>
#include <memory>
#include <string>

#include "groupwise/object.h"
#include "platform/dialogs.h"

class QWidget;
class RunLock;

class PageHost {
 public:
  virtual ~PageHost() = default;
  // The current account: the user's own, or a proxied one; null while the proxy window
  // is open.
  virtual const gw::ObjectRef& account() const = 0;
  virtual platform::Dialogs& dialogs() = 0;
  // The general error report: the error's own text in an error box; the program goes on.
  virtual void reportError(const std::string& text) = 0;
  // True while an export or import runs; nothing else starts meanwhile.
  virtual bool running() const = 0;
  // Starts a run: the menu, the tabs and both pages take no input until the lock is
  // gone, but `keep` (a progress panel) stays usable.
  virtual std::unique_ptr<RunLock> startRun(QWidget* keep) = 0;
  // Lets the window repaint and handle waiting input; calls that come too soon after the
  // last one return at once.
  virtual void processMessages() = 0;
  virtual QString programDir() const = 0;
  // The post office the session opened, as the import journals name the account.
  virtual std::string postOffice() const = 0;

  // Runs a handler; an error it does not handle goes to the general error report.
  template <typename Fn>
  void guarded(Fn&& fn) {
    try {
      fn();
    } catch (const std::exception& e) {
      reportError(e.what());
    }
  }
};

// Connects a control's signal to a handler that runs guarded.
template <typename Sender, typename Signal, typename Fn>
void connectGuarded(PageHost& host, QObject* context, Sender* sender, Signal signal, Fn fn) {
  QObject::connect(sender, signal, context, [&host, fn] { host.guarded(fn); });
}
