// Proxy access: working on another user's mailbox.
#include "app/ExportPage.h"
#include "app/ImportPage.h"
#include "app/Unit1.h"
#include "app/Unit4.h"
#include "groupwise/gwapi.h"

void TForm1::Proxy1Click() {
  exportPage_->releaseObjects();
  importPage_->releaseObjects();
  gwAccount.reset();
  if (proxyform_) {
    proxyform_->setUsers(gw::api::proxyGrantors(gwSession));
    showBeside(proxyform_);
  }
}

void TForm1::ProxyWinClosed() {
  proxied_.clear();
  if (!proxyUser.isEmpty()) {
    try {
      gwAccount = gw::api::proxy(gwSession, proxyUser.toStdU16String());
      proxied_ = proxyUser;
    } catch (const std::exception& e) {
      dialogs_.message(platform::MessageKind::Warning,
                       "Could not proxy user " + proxyUser.toStdString() + ": " + e.what());
    }
  }
  if (!gwAccount) gwAccount = gw::api::rootAccount(gwSession);
  setCaption();
  exportPage_->accountChanged();
  importPage_->accountChanged();
}
