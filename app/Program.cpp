#include "app/Program.h"

#include <QApplication>
#include <memory>

#include "app/QtDialogs.h"
#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/Unit3.h"
#include "app/Unit4.h"
#include "groupwise/standin/standin.h"

int runMarrowby(QApplication& app, platform::Dialogs& dialogs) {
  gw::standin::registerProgId();
  auto form1 = std::make_unique<TForm1>(dialogs);
  if (!form1->sessionOpen()) return 1;
  // Message boxes and file choosers open over the main window.
  if (auto* qt = dynamic_cast<QtDialogs*>(&dialogs)) qt->setParent(form1.get());
  TForm2 form2;
  TForm3 form3;
  Tproxyform proxyform;
  form1->setWindows(&form2, &form3, &proxyform);
  form1->show();
  int status = app.exec();
  // Changes the post office could not save are shown, and the program says so on exit.
  if (!form1->exitStep() && status == 0) status = 1;
  return status;
}
