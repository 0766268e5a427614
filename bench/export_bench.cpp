// Exporting appointments with all twelve fields through the main window, headless:
// time, peak memory, and whether the window kept repainting (from the click until the
// export file is in its place).
//   export_bench [N]     N appointments (100,000 unless given)
//   export_bench --scale 100,000 and 1,000,000, each in a process of its own, and how
//                        the time grows between them (at most 12 times)
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

#include "app/ExportPage.h"
#include "app/ImportPage.h"
#include "bench/guibench.h"
#include "groupwise/gwapi.h"
#include "groupwise/standin/standin.h"
#include "platform/ansi.h"
#include "platform/oledate.h"

namespace api = gw::api;

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--scale") == 0) {
    return bench::compareSizes(argv[0], {"export_seconds"}, 12.0) ? 0 : 1;
  }
  bench::ScratchPostOffice scratch;
  gw::standin::registerProgId();
  const int n = bench::countArgument(argc, argv, 100000);
  const std::string count = bench::thousands(n);
  {
    auto t0 = bench::Clock::now();
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
    api::commit(session);
    std::printf("made %s appointments in %.1f s\n", count.c_str(), bench::secondsSince(t0));
  }

  bench::HeadlessWindow window(argc, argv);
  if (!window.shown) return 1;
  std::unique_ptr<TForm1>& form = window.form;
  testing_support::FakeDialogs& dialogs = window.dialogs;
  form->findChild<QTabWidget*>("TabbedNotebook1")->setCurrentIndex(0);
  auto* available = form->findChild<QListWidget*>("ListBox1");
  while (available->count() > 0) {
    available->setCurrentRow(0);
    form->exportPage()->ListBox1DblClick();
  }
  std::string out = scratch.dir() + "/GWEXPORT.TXT";
  form->findChild<QLineEdit*>("Edit1")->setText(QString::fromStdString(out));
  bench::PaintWatch paints(form->findChild<QProgressBar*>("PBar1"));

  double rssBefore = bench::peakRssMiB();
  auto t0 = bench::Clock::now();
  paints.start();
  form->findChild<QPushButton*>("ExportBtn")->click();
  paints.stop();
  double seconds = bench::secondsSince(t0);
  bool ok = dialogs.shown.empty();
  // 3 s for 100,000; a larger run may take up to 12 times that per 10 times the items.
  double timeTarget = 3.0 * (n <= 100000 ? 1.0 : 1.2 * n / 100000.0);
  ok &= bench::report(("export " + count + " appointments, all 12 fields (s)").c_str(), seconds,
                      timeTarget, "s");
  ok &= bench::report("peak resident memory of the process (MiB)", bench::peakRssMiB(),
                      n <= 100000 ? 150 : 250, "MiB");
  std::printf("peak resident memory before the export %.1f MiB\n", rssBefore);
  paints.print();
  ok &= bench::report("longest gap between repaints during the run (ms)", paints.longestGapMs(),
                      100, "ms");
  bench::figure("export_seconds", seconds);
  std::ifstream f(out, std::ios::binary);
  long lines = 0, bytes = 0;
  std::vector<char> block(1 << 20);
  while (f.read(block.data(), static_cast<std::streamsize>(block.size())) || f.gcount() > 0) {
    lines += std::count(block.begin(), block.begin() + f.gcount(), '\n');
    bytes += f.gcount();
  }
  std::printf("records written: %ld (%.1f MiB)\n", lines, static_cast<double>(bytes) / (1 << 20));
  ok &= lines == n;
  form.reset();
  return ok ? 0 : 1;
}
