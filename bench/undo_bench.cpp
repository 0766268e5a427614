// Undo and duplicate skipping against their targets: a run's journal written as it goes,
// the duplicate index built over a mailbox of 100,000 appointments and over a book of
// 100,000 entries, look-ups at hash-table cost, and the undo of a 100,000-item run.
//
// The mailbox is made by a child process (this program with "--make"), as an import
// run would make it, so that the index and the undo run as after a restart: in a
// process of their own, nothing of the post office in memory.
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/benchutil.h"
#include "groupwise/gwapi.h"
#include "groupwise/standin/postoffice.h"
#include "groupwise/standin/standin.h"
#include "import/duplicates.h"
#include "import/journal.h"
#include "import/undo.h"
#include "platform/ansi.h"
#include "platform/oledate.h"

namespace api = gw::api;
using namespace importing;

namespace {

constexpr int kItems = 100000;
constexpr int kEntries = 100000;
const char16_t* kBook = u"Bench contacts";

std::u16string number(int i) {
  return platform::fromAnsi(std::to_string(i));
}

double startOf(int i) {
  return platform::encodeDateTime({2004, 1, 1, 0, 0, 0}) + i / 48.0;
}

std::u16string subjectOf(int i) {
  return u"Weekly meeting number " + number(i);
}

// The mailbox and the journal of the run that made its appointments.
int make() {
  const std::string postOffice = std::getenv("GW_POSTOFFICE");
  gw::ObjectRef session = api::createSession();
  api::login(session);
  gw::ObjectRef account = api::rootAccount(session);
  gw::ObjectRef list = api::messages(api::calendar(account));
  RunInfo info{postOffice, api::getProperty(account, "Owner").toText(),
               JournalTarget::calendar(gw::CalendarKind::Appointment), "/tmp/bench.csv"};
  ImportJournal journal = ImportJournal::begin(journalFolder(), info);
  double journalSeconds = 0;
  auto t0 = bench::Clock::now();
  for (int i = 0; i < kItems; ++i) {
    gw::ObjectRef item = api::addMessage(list, u"GW.MESSAGE.APPOINTMENT");
    api::setProperty(item, "StartDate", gw::Variant::date(startOf(i)));
    api::setProperty(item, "Duration", gw::Variant(1.0 / 24));
    api::setSubject(item, subjectOf(i));
    auto j0 = bench::Clock::now();
    journal.recordMade(api::messageId(item));
    journalSeconds += bench::secondsSince(j0);
  }
  api::commit(account);
  journal.finish();
  std::printf("made %d appointments, recorded in the journal, in %.2f s\n", kItems,
              bench::secondsSince(t0));
  bool ok =
      bench::report("journal: 100,000 identities, one write each (s)", journalSeconds, 0.5, "s");

  auto po = gw::standin::sessionPostOffice(session);
  po->addBook(po->findUser(info.owner)->id, kBook);
  gw::ObjectRef books = api::addressBooks(account);
  gw::ObjectRef entries = api::addressBookEntries(api::itemByName(books, kBook));
  t0 = bench::Clock::now();
  for (int i = 0; i < kEntries; ++i) {
    api::addEntry(entries, u"Contact " + number(i), u"contact" + number(i) + u"@example.com",
                  u"SMTP");
  }
  api::commit(account);
  std::printf("made %d address book entries in %.2f s\n", kEntries, bench::secondsSince(t0));
  return ok ? 0 : 1;
}

struct Host : UndoHost {
  std::size_t last = 0;
  void progress(std::size_t done, std::size_t) override { last = done; }
};

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  gw::standin::registerProgId();
  if (argc > 1 && std::strcmp(argv[1], "--make") == 0) return make();

  bench::ScratchPostOffice scratch;
  bool ok = std::system((std::string("'") + argv[0] + "' --make").c_str()) == 0;

  const std::string postOffice = std::getenv("GW_POSTOFFICE");
  gw::ObjectRef session = api::createSession();
  api::login(session);
  gw::ObjectRef account = api::rootAccount(session);

  // The duplicate index of a run, built from what is there; the median of three builds,
  // the machine being shared.
  DuplicateIndex index;
  std::vector<double> times;
  for (int round = 0; round < 3; ++round) {
    auto t0 = bench::Clock::now();
    index = DuplicateIndex::forCalendar(account, gw::CalendarKind::Appointment);
    times.push_back(bench::secondsSince(t0));
  }
  ok &= bench::report("duplicate index, 100,000 appointments, median (s)", bench::median(times),
                      0.5, "s");
  // A line per item, every other one already there.
  std::size_t duplicates = 0;
  auto t0 = bench::Clock::now();
  for (int i = 0; i < kItems; ++i) {
    int at = i % 2 == 0 ? i : kItems + i;
    duplicates += index.isDuplicate(
        DuplicateIndex::calendarKey(subjectOf(at), gw::Variant::date(startOf(at))));
  }
  ok &= bench::report("100,000 look-ups with their keys (s)", bench::secondsSince(t0), 0.2, "s");
  if (duplicates != kItems / 2) {
    std::printf("found %zu duplicates, not %d\n", duplicates, kItems / 2);
    ok = false;
  }
  gw::ObjectRef bookObject = api::itemByName(api::addressBooks(account), kBook);
  DuplicateIndex book;
  times.clear();
  for (int round = 0; round < 3; ++round) {
    t0 = bench::Clock::now();
    book = DuplicateIndex::forBook(bookObject);
    times.push_back(bench::secondsSince(t0));
  }
  ok &= bench::report("duplicate index, 100,000 book entries, median (s)", bench::median(times),
                      0.5, "s");
  if (index.size() != kItems * 3 / 2 || book.size() != kEntries) {
    std::printf("index sizes %zu and %zu\n", index.size(), book.size());
    ok = false;
  }

  // The undo of the run.
  std::optional<UndoPlan> plan = lastRunOf(journalFolder(), postOffice, account);
  if (!plan) {
    std::printf("no run to undo\n");
    return 1;
  }
  std::printf("%s\n", plan->question.c_str());
  Host host;
  t0 = bench::Clock::now();
  UndoResult result = undoRun(*plan, account, host);
  ok &= bench::report("undo of 100,000 appointments (s)", bench::secondsSince(t0), 5.0, "s");
  std::printf("%s\n", result.message.c_str());
  int left = api::count(api::findMessages(api::calendar(account), u"(APPOINTMENT)"));
  if (result.removed != kItems || left != 0) {
    std::printf("removed %zu, %d left\n", result.removed, left);
    ok = false;
  }
  std::printf("peak memory %.0f MiB\n", bench::peakRssMiB());
  return ok ? 0 : 1;
}
