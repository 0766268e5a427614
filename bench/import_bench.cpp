// Importing appointment lines of 6 fields (every field quoted, as this program writes
// them), the same in Standard CSV as spreadsheets write it (quoted only where needed,
// doubled quotes, messages over several lines), and address-book lines of 10 fields,
// through the main window, headless: time, peak memory, and whether the window kept
// repainting.
//   import_bench [N]     N appointment lines of each kind and N/2 address-book lines
//                        (100,000 unless given)
//   import_bench --scale 100,000 and 1,000,000, each in a process of its own, and how
//                        the times grow between them (at most 12 times)
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "app/ExportPage.h"
#include "app/ImportPage.h"
#include "app/TRadioGroup.h"
#include "bench/guibench.h"
#include "groupwise/gwapi.h"
#include "groupwise/standin/standin.h"
#include "import/format.h"

namespace {

const QStringList kAppointmentFields{"Start Date", "Start Time", "Duration (minutes)",
                                     "Place",      "Subject",    "Message"};

// Keeps only the named GroupWise fields, in the file's order.
void pair(TForm1& form, const QStringList& wanted) {
  auto* list = form.findChild<QListWidget*>("ListBox4");
  list->clear();
  list->addItems(wanted);
}

struct Run {
  double seconds;
  double longestGapMs;
};

Run importFile(TForm1& form, const std::string& file, int destination, int mode,
               const QStringList& mapping) {
  form.findChild<QLineEdit*>("Edit3")->setText(QString::fromStdString(file));
  form.importPage()->Edit3KeyPress();
  form.findChild<TRadioGroup*>("RadioGroup5")->setItemIndex(destination);
  form.findChild<TRadioGroup*>("RadioGroup6")->setItemIndex(mode);
  pair(form, mapping);
  bench::PaintWatch paints(form.findChild<QLabel*>("countLabel"));
  auto t0 = bench::Clock::now();
  paints.start();
  form.findChild<QPushButton*>("BitBtn6")->click();
  paints.stop();
  Run r{bench::secondsSince(t0), paints.longestGapMs()};
  paints.print("  ");
  return r;
}

void writeFiles(int n, const std::string& appts, const std::string& csv,
                const std::string& people) {
  std::ofstream out(appts, std::ios::binary);
  for (int i = 0; i < n; ++i) {
    out << "\"" << (1 + i % 12) << "/" << (1 + i % 28) << "/2005\",\"" << (8 + i % 10) << ":"
        << (i % 2 ? "30" : "00") << "\",\"" << (30 + i % 4 * 15) << "\",\"Room " << i % 40
        << "\",\"Meeting number " << i << "\",\"Agenda: status, questions\"\r\n";
  }
  std::ofstream c(csv, std::ios::binary);
  for (int i = 0; i < n; ++i) {
    c << (1 + i % 12) << "/" << (1 + i % 28) << "/2006," << (8 + i % 10) << ":"
      << (i % 2 ? "30" : "00") << "," << (30 + i % 4 * 15) << ",Room " << i % 40
      << ",\"Meeting \"\"number\"\" " << i
      << "\",\"Agenda:\r\n1. Status, dates\r\n2. Questions\"\r\n";
  }
  std::ofstream p(people, std::ios::binary);
  for (int i = 0; i < n / 2; ++i) {
    p << "\"Person " << i << "\",\"First" << i << "\",\"Last" << i << "\",\"p" << i
      << "@example.com\",\"(555) 201-" << 1000 + i % 9000 << "\",\"Northwind Traders\",\"" << i
      << " Main St\",\"Boston\",\"MA\",\"02108\"\r\n";
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--scale") == 0) {
    return bench::compareSizes(
               argv[0],
               {"import_appointments_seconds", "import_csv_seconds", "import_entries_seconds"},
               12.0)
               ? 0
               : 1;
  }
  const int n = bench::countArgument(argc, argv, 100000);
  // 5 s for 100,000 lines; a larger run may take up to 12 times that per 10 times the lines.
  const double target = 5.0 * (n <= 100000 ? 1.0 : 1.2 * n / 100000.0);
  bench::ScratchPostOffice scratch;
  const std::string& base = scratch.dir();
  gw::standin::registerProgId();
  const std::string appts = base + "/appointments.txt", csv = base + "/appointments.csv",
                    people = base + "/people.txt";
  writeFiles(n, appts, csv, people);

  bench::HeadlessWindow window(argc, argv);
  if (!window.shown) return 1;
  std::unique_ptr<TForm1>& form = window.form;
  testing_support::FakeDialogs& dialogs = window.dialogs;
  std::printf("peak resident memory before the imports %.1f MiB\n", bench::peakRssMiB());

  struct Case {
    std::string what;
    const char* figure;
    const std::string& file;
    int destination, mode;
    QStringList fields;
  };
  const Case cases[] = {
      {"import " + bench::thousands(n) + " appointment lines x 6 fields (s)",
       "import_appointments_seconds", appts, 0, importing::kQuoteComma, kAppointmentFields},
      {"  the same in Standard CSV, messages of 3 lines (s)", "import_csv_seconds", csv, 0,
       importing::kStandardCsv, kAppointmentFields},
      {"import " + bench::thousands(n / 2) + " address-book lines x 10 fields (s)",
       "import_entries_seconds",
       people,
       3,
       importing::kQuoteComma,
       {"Name", "First Name", "Last Name", "E-Mail Address", "Office Phone Number", "Organization",
        "Address", "City", "State", "ZIP Code"}},
  };
  bool ok = true;
  for (const Case& c : cases) {
    Run r = importFile(*form, c.file, c.destination, c.mode, c.fields);
    ok &= bench::report(c.what.c_str(), r.seconds, target, "s");
    bench::figure(c.figure, r.seconds);
    ok &= bench::report("  longest gap between repaints (ms)", r.longestGapMs, 100, "ms");
    std::printf("  count label: %s; peak resident memory so far %.1f MiB\n",
                form->findChild<QLabel*>("countLabel")->text().toStdString().c_str(),
                bench::peakRssMiB());
  }
  ok &= bench::report("peak resident memory of the process (MiB)", bench::peakRssMiB(),
                      n <= 100000 ? 100 : 250, "MiB");

  for (const auto& shown : dialogs.shown) std::printf("shown: %s\n", shown.text.c_str());
  ok &= dialogs.shown.empty();
  gw::ObjectRef calendar = gw::api::calendar(form->gwAccount);
  int made = gw::api::count(gw::api::findMessages(calendar, u"(APPOINTMENT)"));
  std::printf("appointments made: %d (of %d lines)\n", made, 2 * n);
  ok &= made == 2 * n;
  form.reset();
  return ok ? 0 : 1;
}
