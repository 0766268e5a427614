// A second process for the sharing tests: writes or counts items of the post office
// named by GW_POSTOFFICE as the user GW_USER.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "groupwise/gwapi.h"
#include "groupwise/standin/standin.h"
#include "platform/ansi.h"

namespace api = gw::api;

namespace {

void addNote(const gw::ObjectRef& list, const std::string& subject) {
  gw::ObjectRef item = api::addMessage(list, u"GW.MESSAGE.NOTE");
  api::setSubject(item, platform::fromUtf8(subject));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: standin_helper write TAG COUNT | crash COUNT | count FILTER\n");
    return 2;
  }
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
