// A second process for the sharing and saving tests: writes or counts items of the post
// office named by GW_POSTOFFICE as the user GW_USER, holds its write lock, or writes
// under a file-size limit.
#include <signal.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "groupwise/error.h"
#include "groupwise/gwapi.h"
#include "groupwise/standin/standin.h"
#include "platform/ansi.h"

namespace api = gw::api;

namespace {

void addNote(const gw::ObjectRef& list, const std::string& subject) {
  gw::ObjectRef item = api::addMessage(list, u"GW.MESSAGE.NOTE");
  api::setSubject(item, platform::fromUtf8(subject));
}

// Holds the post office's write lock for `ms` milliseconds, as another program would.
int hold(const char* path, int ms) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path, &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK ||
      sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) {
    std::fprintf(stderr, "standin_helper: %s\n", sqlite3_errmsg(db));
    return 1;
  }
  std::printf("locked\n");
  std::fflush(stdout);
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  return 0;
}

// Writes notes, one per line of an imagined import, under a file-size limit until the
// post office cannot save any more; then lifts the limit, as freeing disk space
// would, and saves again. Prints what a run would report and what the file holds.
int fillUp(const gw::ObjectRef& session) {
  ::signal(SIGXFSZ, SIG_IGN);
  gw::ObjectRef account = api::rootAccount(session);
  gw::ObjectRef list = api::messages(api::calendar(account));
  auto countInFile = [] {
    sqlite3* db = nullptr;
    sqlite3_open_v2(std::getenv("GW_POSTOFFICE"), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT count(*) FROM items", -1, &st, nullptr);
    long n = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : -1;
    sqlite3_finalize(st);
    sqlite3_close(db);
    return n;
  };
  for (int i = 0; i < 50; ++i) addNote(list, "before " + std::to_string(i));
  api::commit(account);
  struct rlimit limit {};
  ::getrlimit(RLIMIT_FSIZE, &limit);
  struct rlimit small = limit;
  small.rlim_cur = 256 * 1024;
  ::setrlimit(RLIMIT_FSIZE, &small);
  std::vector<double> marks;
  std::string failure;
  try {
    for (int i = 0; i < 200000; ++i) {
      addNote(list, "line " + std::to_string(i));
      marks.push_back(api::changeMark(account));
    }
    api::commit(account);
  } catch (const gw::StoreError& e) {
    failure = e.what();
  }
  double saved = api::savedMark(account);
  long linesSaved = 0;
  while (linesSaved < static_cast<long>(marks.size()) && marks[linesSaved] <= saved) ++linesSaved;
  std::printf("failure %s\n", failure.c_str());
  std::printf("lines %zu saved %ld infile %ld\n", marks.size(), linesSaved, countInFile() - 50);
  ::setrlimit(RLIMIT_FSIZE, &limit);
  api::commit(account);
  addNote(list, "after");
  api::commit(account);
  std::printf("recovered infile %ld\n", countInFile() - 50);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr,
                 "usage: standin_helper write TAG COUNT | crash COUNT | count FILTER | hold MS | "
                 "fill -\n");
    return 2;
  }
  if (std::string(argv[1]) == "hold") return hold(std::getenv("GW_POSTOFFICE"), std::atoi(argv[2]));
  try {
    gw::standin::registerProgId();
    gw::ObjectRef session = api::createSession();
    api::login(session);
    gw::ObjectRef calendar = api::calendar(api::rootAccount(session));
    std::string cmd = argv[1];
    if (cmd == "write" && argc == 4) {
      int n = std::atoi(argv[3]);
      gw::ObjectRef list = api::messages(calendar);
      for (int i = 0; i < n; ++i) addNote(list, std::string(argv[2]) + " " + std::to_string(i));
      return 0;
    }
    if (cmd == "crash") {
      // Writes COUNT items, says so, waits well past the commit delay, then writes on
      // until it is killed.
      int n = std::atoi(argv[2]);
      gw::ObjectRef list = api::messages(calendar);
      for (int i = 0; i < n; ++i) addNote(list, "kept " + std::to_string(i));
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      std::printf("ready\n");
      std::fflush(stdout);
      for (int i = 0;; ++i) addNote(list, "late " + std::to_string(i));
    }
    if (cmd == "fill") return fillUp(session);
    if (cmd == "count") {
      std::printf("%d\n", api::count(api::findMessages(calendar, platform::fromUtf8(argv[2]))));
      return 0;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "standin_helper: %s\n", e.what());
    return 1;
  }
  return 2;
}
