// Exporting 100,000 appointments with all twelve fields through the main window,
// headless: time, peak memory, and whether the window kept repainting.
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <cstdlib>

#include "app/Application.h"
#include "app/ExportPage.h"
#include "app/ImportPage.h"
#include "app/Unit1.h"
#include "bench/guibench.h"
#include "groupwise/gwapi.h"
#include "groupwise/standin/standin.h"
#include "platform/ansi.h"
#include "platform/oledate.h"
#include "tests/support/fakedialogs.h"

namespace api = gw::api;

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  bench::ScratchPostOffice scratch;
  gw::standin::registerProgId();
  const int n = 100000;
  {
    gw::ObjectRef session = api::createSession();
    api::login(session);
    gw::ObjectRef list = api::messages(api::calendar(api::rootAccount(session)));
    double base = platform::encodeDateTime({2004, 1, 1, 8, 0, 0});
    for (int i = 0; i < n; ++i) {
      gw::ObjectRef item = api::addMessage(list, u"GW.MESSAGE.APPOINTMENT");
      api::setProperty(item, "StartDate", gw::Variant::date(base + i / 24.0));
      api::setProperty(item, "Duration", gw::Variant((30 + i % 5 * 30) / 1440.0));
      api::setProperty(item, "Place", gw::Variant(u"Conference Room B"));
      api::setSubject(item, u"Meeting \"number\" " + platform::fromAnsi(std::to_string(i)));
      api::setProperty(item, "BodyText", gw::Variant(u"Agenda:\r\n1. Status\r\n2. Questions"));
    }
  }

  MarrowbyApplication app(argc, argv);
  testing_support::FakeDialogs dialogs;
  auto form = std::make_unique<TForm1>(dialogs);
  form->show();
  if (!QTest::qWaitForWindowExposed(form.get())) return 1;
  form->FormActivate();
  form->findChild<QTabWidget*>("TabbedNotebook1")->setCurrentIndex(0);
  auto* available = form->findChild<QListWidget*>("ListBox1");
  while (available->count() > 0) {
    available->setCurrentRow(0);
    form->exportPage()->ListBox1DblClick();
  }
  std::string out = scratch.dir() + "/GWEXPORT.TXT";
  form->findChild<QLineEdit*>("Edit1")->setText(QString::fromStdString(out));
  bench::PaintWatch paints;
  form->findChild<QProgressBar*>("PBar1")->installEventFilter(&paints);

  double rssBefore = bench::peakRssMiB();
  auto t0 = bench::Clock::now();
  form->findChild<QPushButton*>("ExportBtn")->click();
  double seconds = bench::secondsSince(t0);
  bool ok = dialogs.shown.empty();
  ok &= bench::report("export 100,000 appointments, all 12 fields (s)", seconds, 3.0, "s");
  ok &= bench::report("peak resident memory of the process (MiB)", bench::peakRssMiB(), 150, "MiB");
  std::printf("peak resident memory before the export %.1f MiB\n", rssBefore);
  std::printf("progress bar painted %d times; longest gap between paints %.0f ms\n", paints.count,
              paints.longestGap * 1000);
  ok &= bench::report("longest gap between repaints during the run (ms)", paints.longestGap * 1000,
                      100, "ms");
  std::FILE* f = std::fopen(out.c_str(), "rb");
  int lines = 0;
  for (int c; f && (c = std::fgetc(f)) != EOF;) lines += c == '\n';
  if (f) std::fclose(f);
  std::printf("records written: %d\n", lines);
  ok &= lines == n;
  form.reset();
  return ok ? 0 : 1;
}
