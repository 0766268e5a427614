// Importing appointment lines of 6 fields and address-book lines of 10 fields through
// the main window, headless: time, peak memory, and whether the window kept repainting.
//   import_bench [N]     N appointment lines and N/2 address-book lines (100,000 unless
//                        given)
//   import_bench --scale 100,000 and 1,000,000, each in a process of its own, and how
//                        the times grow between them (at most 12 times)
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "app/Application.h"
#include "app/ExportPage.h"
#include "app/ImportPage.h"
#include "app/TRadioGroup.h"
#include "app/Unit1.h"
#include "bench/guibench.h"
#include "groupwise/gwapi.h"
#include "groupwise/standin/standin.h"
#include "tests/support/fakedialogs.h"

namespace {

// Keeps only the named GroupWise fields, in the file's order.
void pair(TForm1& form, const QStringList& wanted) {
  auto* list = form.findChild<QListWidget*>("ListBox4");
  list->clear();
  list->addItems(wanted);
}

struct Run {
  double seconds;
  int paints;
  double longestGap;
};

Run importFile(TForm1& form, const std::string& file, int destination, const QStringList& mapping) {
  form.findChild<QLineEdit*>("Edit3")->setText(QString::fromStdString(file));
  form.importPage()->Edit3KeyPress();
  form.findChild<TRadioGroup*>("RadioGroup5")->setItemIndex(destination);
  pair(form, mapping);
  auto* label = form.findChild<QLabel*>("countLabel");
  bench::PaintWatch paints;
  label->installEventFilter(&paints);
  // Asks for a repaint every 10 ms; the paints show when the window got to it.
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, label, [label] { label->update(); });
  ticker.start(10);
  auto t0 = bench::Clock::now();
  form.findChild<QPushButton*>("BitBtn6")->click();
  Run r{bench::secondsSince(t0), paints.count, paints.longestGap};
  label->removeEventFilter(&paints);
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--scale") == 0) {
    return bench::compareSizes(argv[0], {"import_appointments_seconds", "import_entries_seconds"},
                               12.0)
               ? 0
               : 1;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  const int n = bench::countArgument(argc, argv, 100000);
  const int entries = n / 2;
  // 5 s for 100,000 lines; a larger run may take up to 12 times that per 10 times the lines.
  const double scale = n <= 100000 ? 1.0 : 1.2 * n / 100000.0;
  bench::ScratchPostOffice scratch;
  const std::string& base = scratch.dir();
  gw::standin::registerProgId();

  std::string appts = base + "/appointments.txt", people = base + "/people.txt";
  {
    std::ofstream out(appts, std::ios::binary);
    for (int i = 0; i < n; ++i) {
      out << "\"" << (1 + i % 12) << "/" << (1 + i % 28) << "/2005\",\"" << (8 + i % 10) << ":"
          << (i % 2 ? "30" : "00") << "\",\"" << (30 + i % 4 * 15) << "\",\"Room " << i % 40
          << "\",\"Meeting number " << i << "\",\"Agenda: status, questions\"\r\n";
    }
    std::ofstream p(people, std::ios::binary);
    for (int i = 0; i < entries; ++i) {
      p << "\"Person " << i << "\",\"First" << i << "\",\"Last" << i << "\",\"p" << i
        << "@example.com\",\"(555) 201-" << 1000 + i % 9000 << "\",\"Northwind Traders\",\"" << i
        << " Main St\",\"Boston\",\"MA\",\"02108\"\r\n";
    }
  }

  MarrowbyApplication app(argc, argv);
  testing_support::FakeDialogs dialogs;
  auto form = std::make_unique<TForm1>(dialogs);
  form->show();
  if (!QTest::qWaitForWindowExposed(form.get())) return 1;
  form->FormActivate();
  // As the window will: while a GroupWise call waits or runs long, it keeps painting.
  gw::api::setWaitHook([] { QCoreApplication::processEvents(); });
  std::printf("peak resident memory before the imports %.1f MiB\n", bench::peakRssMiB());

  bool ok = true;
  Run a =
      importFile(*form, appts, 0,
                 {"Start Date", "Start Time", "Duration (minutes)", "Place", "Subject", "Message"});
  ok &=
      bench::report(("import " + bench::thousands(n) + " appointment lines x 6 fields (s)").c_str(),
                    a.seconds, 5.0 * scale, "s");
  bench::figure("import_appointments_seconds", a.seconds);
  std::printf("  window painted %d times; longest gap between paints %.0f ms\n", a.paints,
              a.longestGap * 1000);
  ok &= bench::report("  longest gap between repaints (ms)", a.longestGap * 1000, 100, "ms");
  std::printf("  peak resident memory so far %.1f MiB\n", bench::peakRssMiB());

  Run b = importFile(*form, people, 3,
                     {"Name", "First Name", "Last Name", "E-Mail Address", "Office Phone Number",
                      "Organization", "Address", "City", "State", "ZIP Code"});
  ok &= bench::report(
      ("import " + bench::thousands(entries) + " address-book lines x 10 fields (s)").c_str(),
      b.seconds, 5.0 * scale, "s");
  bench::figure("import_entries_seconds", b.seconds);
  std::printf("  window painted %d times; longest gap between paints %.0f ms\n", b.paints,
              b.longestGap * 1000);
  ok &= bench::report("  longest gap between repaints (ms)", b.longestGap * 1000, 100, "ms");
  ok &= bench::report("peak resident memory of the process (MiB)", bench::peakRssMiB(),
                      n <= 100000 ? 100 : 250, "MiB");

  ok &= dialogs.shown.empty();
  gw::ObjectRef calendar = gw::api::calendar(form->gwAccount);
  int made = gw::api::count(gw::api::findMessages(calendar, u"(APPOINTMENT)"));
  std::printf("appointments made: %d; count label: %s\n", made,
              form->findChild<QLabel*>("countLabel")->text().toStdString().c_str());
  ok &= made == n;
  form.reset();
  return ok ? 0 : 1;
}
