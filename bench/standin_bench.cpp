// The stand-in post office against its speed and memory targets: creating 100,000
// calendar items, the check when the file is opened, a date-range search over them, a
// late-bound property read, a walk over all of them reading two properties (a
// duplicate check), and deleting them one by one by identity (an undo).
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "bench/benchutil.h"
#include "groupwise/gwapi.h"
#include "groupwise/standin/postoffice.h"
#include "groupwise/standin/standin.h"
#include "platform/ansi.h"
#include "platform/oledate.h"

namespace api = gw::api;

int main() {
  bench::ScratchPostOffice scratch;
  gw::standin::registerProgId();
  const int n = 100000;
  bool ok = true;

  // Creation: 100,000 appointments with six properties each, committed.
  {
    gw::ObjectRef session = api::createSession();
    api::login(session);
    gw::ObjectRef list = api::messages(api::calendar(api::rootAccount(session)));
    double base = platform::encodeDateTime({2004, 1, 1, 0, 0, 0});
    auto t0 = bench::Clock::now();
    for (int i = 0; i < n; ++i) {
      gw::ObjectRef item = api::addMessage(list, u"GW.MESSAGE.APPOINTMENT");
      double start = base + i / 48.0;
      api::setProperty(item, "StartDate",
                       gw::Variant(platform::fromAnsi(platform::dateToText(start))));
      api::setProperty(item, "Duration", gw::Variant(1.0 / 24));
      api::setProperty(item, "Place", gw::Variant(u"Room 5"));
      api::setSubject(item, u"Weekly meeting number " + platform::fromAnsi(std::to_string(i)));
      api::setProperty(item, "BodyText", gw::Variant(u"Agenda:\r\n1. Status\r\n2. Questions"));
      api::setProperty(item, "Completed", gw::Variant(0));
    }
    session.reset();  // releasing the session commits the rest
    ok &= bench::report("create 100,000 appointments x 6 properties (s)", bench::secondsSince(t0),
                        2.0, "s");
  }

  // Opening checks the file: in full when it is small, cheaply when it is large.
  {
    std::string path = gw::standin::postOfficePath();
    struct stat st {};
    ::stat(path.c_str(), &st);
    std::printf("post office file: %.1f MiB\n", static_cast<double>(st.st_size) / (1 << 20));
    auto timeOpen = [&](std::int64_t fullCheckBytes) {
      gw::standin::PostOffice::setFullCheckBytes(fullCheckBytes);
      std::vector<double> runs;
      for (int i = 0; i < 5; ++i) {
        auto t0 = bench::Clock::now();
        gw::standin::PostOffice::open(path);  // opened, checked and closed again
        runs.push_back(bench::secondsSince(t0) * 1000);
      }
      return bench::median(runs);
    };
    std::printf("%-58s %10.3f ms (for reference)\n", "open with the full check of the file (ms)",
                timeOpen(std::int64_t{1} << 40));
    ok &= bench::report("open with the check for a large file (ms)", timeOpen(0), 10, "ms");
    gw::standin::PostOffice::setFullCheckBytes(8 << 20);
  }

  gw::ObjectRef session = api::createSession();
  api::login(session);
  gw::ObjectRef account = api::rootAccount(session);
  gw::ObjectRef calendar = api::calendar(account);

  // Search with a date range that takes every item, and one that takes a fifth.
  double heapBefore = bench::heapMiB();
  auto t0 = bench::Clock::now();
  gw::ObjectRef found = api::findMessages(
      calendar,
      u"(APPOINTMENT AND START_DATE >= 2004/01/01 AT 00:00:00 AND START_DATE <= 2009/12/31 AT "
      u"23:59:59)");
  double findAll = bench::secondsSince(t0);
  double heapFound = bench::heapMiB() - heapBefore;
  int count = api::count(found);
  std::printf("found %d items\n", count);
  ok &= bench::report("FindMessages, range over 100,000 items, all found (s)", findAll, 0.5, "s");
  ok &= bench::report("memory held by a found collection of 100,000 items (MiB)", heapFound, 100,
                      "MiB");
  t0 = bench::Clock::now();
  gw::ObjectRef some =
      api::findMessages(calendar,
                        u"(APPOINTMENT AND START_DATE >= 2005/01/01 AT 00:00:00 AND START_DATE <= "
                        u"2005/06/30 AT 23:59:59)");
  double findSome = bench::secondsSince(t0);
  std::printf("found %d items\n", api::count(some));
  ok &= bench::report("FindMessages, range over 100,000 items, part found (s)", findSome, 0.5, "s");

  // A late-bound read of a property on a found item.
  gw::ObjectRef item = api::item(found, count / 2);
  std::vector<double> perRead;
  const int batch = 1000;
  double sink = 0;
  for (int round = 0; round < 2000; ++round) {
    auto r0 = bench::Clock::now();
    for (int i = 0; i < batch; ++i) sink += item->get("StartDate").toReal();
    perRead.push_back(bench::secondsSince(r0) / batch * 1e6);
  }
  ok &= bench::report("late-bound property read, median (us)", bench::median(perRead), 1.0, "us");
  std::vector<double> perText;
  for (int round = 0; round < 500; ++round) {
    auto r0 = bench::Clock::now();
    for (int i = 0; i < batch; ++i)
      sink += static_cast<double>(item->get("Subject").toText().size());
    perText.push_back(bench::secondsSince(r0) / batch * 1e6);
  }
  std::printf("%-58s %10.3f us (for reference)\n", "late-bound Subject read as text, median (us)",
              bench::median(perText));

  // A duplicate check reads every item's subject and start once.
  {
    auto w0 = bench::Clock::now();
    gw::ObjectRef all = api::messages(calendar);
    for (int i = 1, total = api::count(all); i <= total; ++i) {
      gw::ObjectRef m = api::item(all, i);
      sink += static_cast<double>(api::getProperty(m, "Subject").toText().size());
      sink += api::getProperty(m, "StartDate").toReal();
    }
    ok &= bench::report("walk 100,000 items reading subject and start (s)", bench::secondsSince(w0),
                        0.5, "s");
  }

  // An undo: every item found again by its identity, its modification date read, and
  // deleted; then committed.
  {
    std::vector<std::u16string> ids;
    for (int i = 1; i <= count; ++i) ids.push_back(api::messageId(api::item(found, i)));
    auto u0 = bench::Clock::now();
    for (const std::u16string& id : ids) {
      gw::ObjectRef m = api::getMessage(account, id);
      sink += api::getProperty(m, "ModifiedDate").toReal();
      api::deleteObject(m);
    }
    api::commit(account);
    ok &= bench::report("undo: find, check and delete 100,000 items by identity (s)",
                        bench::secondsSince(u0), 5.0, "s");
    ok &= api::count(api::messages(calendar)) == 0;
  }
  std::printf("peak resident memory %.1f MiB (checksum %g)\n", bench::peakRssMiB(), sink);

  found.reset();
  some.reset();
  item.reset();
  calendar.reset();
  account.reset();
  session.reset();
  return ok ? 0 : 1;
}
