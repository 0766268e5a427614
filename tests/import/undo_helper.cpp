// Another program's import run that is killed before it ends: it logs in to the post
// office of GW_POSTOFFICE, makes COUNT notes recording each in a journal in FOLDER, saves
// them, and kills itself.
//   undo_helper FOLDER POSTOFFICE COUNT
#include <signal.h>

#include <cstdio>
#include <string>

#include "groupwise/gwapi.h"
#include "groupwise/standin/standin.h"
#include "import/journal.h"

namespace api = gw::api;

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: undo_helper FOLDER POSTOFFICE COUNT\n");
    return 2;
  }
  gw::standin::registerProgId();
  gw::ObjectRef session = api::createSession();
  api::login(session);
  gw::ObjectRef account = api::rootAccount(session);
  importing::ImportJournal journal = importing::ImportJournal::begin(
      argv[1], {argv[2], api::getProperty(account, "Owner").toText(),
                importing::JournalTarget::calendar(gw::CalendarKind::Note), "/tmp/notes.csv"});
  gw::ObjectRef list = api::messages(api::calendar(account));
  for (int i = 0, n = std::stoi(argv[3]); i < n; ++i) {
    gw::ObjectRef item = api::addMessage(list, gw::className(gw::CalendarKind::Note));
    api::setSubject(item, u"Killed run note");
    journal.recordMade(api::messageId(item));
  }
  api::commit(account);
  ::raise(SIGKILL);
  return 1;
}
