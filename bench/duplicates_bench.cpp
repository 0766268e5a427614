// "Skip lines already in GroupWise" against its target: 100,000 appointment lines
// imported through the main window into a mailbox that already holds 100,000
// appointments, with the box checked and unchecked; checked may take at most twice as
// long. Half the lines are there already and half are new, so both the skipping and the
// making of items are timed. For reference, a file of new lines only with the box
// checked: every line looked up and every item made, the cost of the check alone.
//   duplicates_bench [ROUNDS]   each import ROUNDS times (2 unless given), the fastest
//                               of each counting, the machine being shared
//
// The mailbox is made once by a child process and copied for every import, so each run
// starts from the same mailbox, in a process of its own with nothing of the post office
// in memory.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "app/ImportPage.h"
#include "app/TRadioGroup.h"
#include "bench/guibench.h"
#include "groupwise/gwapi.h"
#include "groupwise/standin/standin.h"
#include "platform/ansi.h"
#include "platform/oledate.h"

namespace api = gw::api;

namespace {

constexpr int kThere = 100000;  // appointments in the mailbox
constexpr int kLines = 100000;  // lines of the import file

// Appointment i starts at 2004-01-01 00:00 plus i half-hours.
platform::DateTimeParts startOf(int i) {
  return platform::decodeDateTime(platform::encodeDateTime({2004, 1, 1, 0, 0, 0}) + i / 48.0);
}

std::string subjectOf(int i) {
  return "Meeting number " + std::to_string(i);
}

// The mailbox: appointments 0 to kThere - 1, as an earlier import would have made them.
int makeMailbox() {
  auto t0 = bench::Clock::now();
  gw::ObjectRef session = api::createSession();
  api::login(session);
  gw::ObjectRef list = api::messages(api::calendar(api::rootAccount(session)));
  for (int i = 0; i < kThere; ++i) {
    gw::ObjectRef item = api::addMessage(list, u"GW.MESSAGE.APPOINTMENT");
    api::setProperty(item, "StartDate", gw::Variant::date(platform::encodeDateTime(startOf(i))));
    api::setProperty(item, "Duration", gw::Variant(45 / 1440.0));
    api::setProperty(item, "Place",
                     gw::Variant(u"Room " + platform::fromAnsi(std::to_string(i % 40))));
    api::setSubject(item, platform::fromAnsi(subjectOf(i)));
    api::setProperty(item, "BodyText", gw::Variant(u"Agenda: status, questions"));
  }
  api::commit(session);
  std::printf("made a mailbox of %s appointments in %.1f s\n", bench::thousands(kThere).c_str(),
              bench::secondsSince(t0));
  return 0;
}

// Line j: with `half` the appointment j already there when j is even and a new one when
// it is odd; else a new one.
void writeImportFile(const std::string& path, bool half) {
  std::ofstream out(path, std::ios::binary);
  for (int j = 0; j < kLines; ++j) {
    int i = half && j % 2 == 0 ? j : kThere + j;
    platform::DateTimeParts d = startOf(i);
    out << "\"" << d.month << "/" << d.day << "/" << d.year << "\",\"" << d.hour << ":"
        << (d.minute < 10 ? "0" : "") << d.minute << "\",\"45\",\"Room " << i % 40 << "\",\""
        << subjectOf(i) << "\",\"Agenda: status, questions\"\r\n";
  }
}

// One import through the Import page, in this process, into GW_POSTOFFICE, of a file
// with `already` lines there already.
int importOnce(bool skipDuplicates, const std::string& file, int already, int argc, char** argv) {
  bench::HeadlessWindow window(argc, argv);
  if (!window.shown) return 1;
  std::unique_ptr<TForm1>& form = window.form;
  testing_support::FakeDialogs& dialogs = window.dialogs;
  form->findChild<QLineEdit*>("Edit3")->setText(QString::fromStdString(file));
  form->importPage()->Edit3KeyPress();
  form->findChild<TRadioGroup*>("RadioGroup5")->setItemIndex(0);
  auto* paired = form->findChild<QListWidget*>("ListBox4");
  paired->clear();
  paired->addItems(
      {"Start Date", "Start Time", "Duration (minutes)", "Place", "Subject", "Message"});
  form->findChild<QCheckBox*>("SkipDuplicatesCB")->setChecked(skipDuplicates);

  bench::PaintWatch paints(form->findChild<QLabel*>("countLabel"));
  auto t0 = bench::Clock::now();
  paints.start();
  form->findChild<QPushButton*>("BitBtn6")->click();
  paints.stop();
  double seconds = bench::secondsSince(t0);

  std::string label = form->findChild<QLabel*>("countLabel")->text().toStdString();
  std::printf("  %s: %.2f s; count label \"%s\"\n", skipDuplicates ? "checked" : "unchecked",
              seconds, label.c_str());
  paints.print("  ");
  for (const auto& shown : dialogs.shown) std::printf("  shown: %s\n", shown.text.c_str());
  int there = api::count(api::findMessages(api::calendar(form->gwAccount), u"(APPOINTMENT)"));
  // Unchecked, every line is made; checked, only the new ones, and the end message counts
  // the others.
  const int skipped = skipDuplicates ? already : 0;
  bool ok = there == kThere + kLines - skipped;
  if (skipped > 0) {
    ok &= dialogs.shown.size() == 1 &&
          dialogs.shown[0].text.find(bench::thousands(kLines - skipped) + " imported, " +
                                     bench::thousands(skipped) + " already there") !=
              std::string::npos;
  } else {
    ok &= dialogs.shown.empty();
  }
  if (!ok) std::printf("  the mailbox holds %d appointments afterwards: MISSED\n", there);
  bench::figure("import_seconds", seconds);
  bench::figure("longest_gap_ms", paints.longestGapMs());
  form.reset();
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  gw::standin::registerProgId();
  if (argc > 1 && std::strcmp(argv[1], "--make") == 0) return makeMailbox();
  if (argc > 4 && std::strcmp(argv[1], "--import") == 0) {
    return importOnce(std::strcmp(argv[2], "checked") == 0, argv[3], std::atoi(argv[4]), argc,
                      argv);
  }
  const int rounds = bench::countArgument(argc, argv, 2);

  bench::ScratchPostOffice scratch;
  namespace fs = std::filesystem;
  const std::string self = "'" + std::string(argv[0]) + "'";
  const fs::path made = std::getenv("GW_POSTOFFICE");
  const std::string half = scratch.dir() + "/half-there.txt", fresh = scratch.dir() + "/new.txt";
  writeImportFile(half, true);
  writeImportFile(fresh, false);
  if (std::system((self + " --make").c_str()) != 0) return 1;

  struct Case {
    const char* what;
    bool checked;
    const std::string& file;
    int already;
    double fastest = 1e9;
  };
  Case cases[] = {
      {"  unchecked: every line made (s)", false, half, kLines / 2},
      {"  checked: half made, half skipped (s)", true, half, kLines / 2},
      {"  checked, every line new: every line made (s)", true, fresh, 0},
  };
  bool ok = true;
  double longestGap = 0;
  for (int round = 0; round < rounds; ++round) {
    for (Case& c : cases) {
      // The mailbox as it was made, for this run alone.
      fs::path copy = scratch.dir() + "/run.db";
      for (const char* suffix : {"", "-wal", "-shm"}) {
        fs::remove(copy.string() + suffix);
        if (fs::exists(made.string() + suffix)) {
          fs::copy_file(made.string() + suffix, copy.string() + suffix);
        }
      }
      ::setenv("GW_POSTOFFICE", copy.c_str(), 1);
      fs::remove_all(scratch.dir() + "/data");  // the journals of earlier runs
      bench::ChildRun run =
          bench::runChild(self + " --import " + (c.checked ? "checked '" : "unchecked '") + c.file +
                          "' " + std::to_string(c.already));
      if (!run.ok || !run.figures.count("import_seconds")) {
        ok = false;
        continue;
      }
      c.fastest = std::min(c.fastest, run.figures["import_seconds"]);
      longestGap = std::max(longestGap, run.figures["longest_gap_ms"]);
    }
  }
  if (!ok) return 1;
  std::printf("import of %s appointment lines into a mailbox of %s, half of them there already\n",
              bench::thousands(kLines).c_str(), bench::thousands(kThere).c_str());
  for (const Case& c : cases) {
    std::printf("%-58s %10.3f s   (fastest of %d)\n", c.what, c.fastest, rounds);
  }
  ok &= bench::report("checked / unchecked (x)", cases[1].fastest / cases[0].fastest, 2.0, "x");
  std::printf("%-58s %10.3f x   (for reference)\n", "checked, every line new / unchecked (x)",
              cases[2].fastest / cases[0].fastest);
  ok &= bench::report("longest gap between repaints, any run (ms)", longestGap, 100, "ms");
  return ok ? 0 : 1;
}
