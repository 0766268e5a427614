// Proxy access: working on another user's mailbox.
#include "app/Application.h"
#include "app/Unit1.h"
#include "app/Unit4.h"
#include "groupwise/gwapi.h"

void TForm1::Proxy1Click() {
  gwCalendar.reset();
  gwMessage.reset();
  gwMessages.reset();
  gwAddressBook.reset();
  gwAddressBooks.reset();
  gwAccount.reset();
  showBeside(proxyform_);
}

void TForm1::ProxyWinClosed() {
  if (!proxyUser.isEmpty()) {
    try {
      gwAccount = gw::api::proxy(gwSession, proxyUser.toStdU16String());
      setWindowTitle(QString(kMainCaption) + "proxying " + proxyUser);
      return;
    } catch (const std::exception&) {
      dialogs_.message(platform::MessageKind::Warning, "Could not proxy user ");
    }
  }
  gwAccount = gw::api::rootAccount(gwSession);
  setWindowTitle(kMainCaption);
}
