#include "import/undo.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "groupwise/error.h"
#include "groupwise/gwapi.h"
#include "platform/ansi.h"
#include "platform/errors.h"
#include "platform/oledate.h"

namespace importing {
namespace {

namespace api = gw::api;

struct Noun {
  const char* one;
  const char* many;
};

struct KindNoun {
  gw::CalendarKind kind;
  Noun noun;
};
constexpr KindNoun kNouns[] = {
    {gw::CalendarKind::Appointment, {"appointment", "appointments"}},
    {gw::CalendarKind::Task, {"task", "tasks"}},
    {gw::CalendarKind::Note, {"note", "notes"}},
    {gw::CalendarKind::Mail, {"mail item", "mail items"}},
    {gw::CalendarKind::Phone, {"phone message", "phone messages"}},
    {gw::CalendarKind::DocumentReference, {"document reference", "document references"}},
};

Noun nounOf(const JournalTarget& target) {
  if (target.addressBook) return {"address book entry", "address book entries"};
  for (const KindNoun& k : kNouns) {
    if (k.kind == target.kind) return k.noun;
  }
  return {"item", "items"};
}

std::string counted(std::size_t n, const Noun& noun) {
  return groupedCount(n) + " " + (n == 1 ? noun.one : noun.many);
}

std::string baseName(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Whether the object was changed after `end` (seconds): its ModifiedDate is later. An
// object that gives no modification date counts as unchanged.
bool changedSince(const gw::ObjectRef& object, std::int64_t end) {
  gw::Variant modified;
  try {
    modified = api::getProperty(object, "ModifiedDate");
  } catch (const gw::StoreError&) {
    throw;
  } catch (const gw::Error&) {
    return false;
  }
  if (modified.isEmpty() || modified.isNull()) return false;
  try {
    return platform::dateToSeconds(modified.toDate()) > end;
  } catch (const platform::ConversionError&) {
    return true;  // a date that cannot be read: keep the object rather than guess
  }
}

// The subject of an item or the display name (else the e-mail address) of an entry.
std::u16string nameOf(const gw::ObjectRef& object, bool entry) {
  std::u16string name;
  try {
    name = api::getProperty(object, entry ? "DisplayName" : "Subject").toText();
    if (entry && name.empty()) name = api::getProperty(object, "EMailAddress").toText();
  } catch (const gw::StoreError&) {
    throw;
  } catch (const gw::Error&) {
  } catch (const platform::ConversionError&) {
  }
  if (name.empty()) return entry ? u"(no name)" : u"(no subject)";
  return name;
}

std::string listed(const std::vector<std::u16string>& names) {
  std::string out;
  std::size_t shown = std::min(names.size(), kKeptListed);
  for (std::size_t i = 0; i < shown; ++i) out += "\n" + platform::toUtf8(names[i]);
  if (names.size() > shown) out += "\nand " + groupedCount(names.size() - shown) + " more";
  return out;
}

// What the undo did, in one sentence and the lists.
std::string outcome(const UndoResult& r, const Noun& noun) {
  std::string text = counted(r.removed, noun) + " removed";
  if (r.alreadyGone) text += "; " + groupedCount(r.alreadyGone) + " already gone";
  if (!r.refused.empty()) {
    text += "; " + groupedCount(r.refused.size()) + " could not be removed (" + r.refusal + ")";
  }
  if (!r.kept.empty()) {
    text += "; " + groupedCount(r.kept.size()) + " kept because " +
            (r.kept.size() == 1 ? "it was" : "they were") + " changed since the import:";
    text += listed(r.kept);
    if (!r.refused.empty()) text += "\n\nNot removed:" + listed(r.refused);
  } else if (!r.refused.empty()) {
    text += ":" + listed(r.refused);
  } else {
    text += ".";
  }
  return text;
}

// "12/10/2026 10:41", or only "10:41" when on the day `sameDayAs`.
std::string whenText(std::int64_t seconds, std::optional<std::int64_t> sameDayAs = std::nullopt) {
  double date = platform::secondsToDate(seconds);
  platform::DateTimeParts p = platform::decodeDateTime(date);
  char time[8];
  std::snprintf(time, sizeof time, "%02d:%02d", p.hour, p.minute);
  if (sameDayAs && *sameDayAs / 86400 == seconds / 86400) return time;
  return platform::formatStandardShortDate(date) + " " + time;
}

}  // namespace

std::string runSummary(const Journal& journal) {
  std::string text = counted(journal.made.size(), nounOf(journal.info.target));
  if (journal.info.target.addressBook) {
    text += " into \"" + platform::toUtf8(journal.info.target.book) + "\"";
  }
  if (!journal.info.importFile.empty()) text += " from " + journal.info.importFile;
  text += ", " + whenText(journal.started);
  if (journal.inProgress) return text + ", in progress";
  if (journal.finished) return text + " to " + whenText(*journal.finished, journal.started);
  return text + ", did not finish (last written " + whenText(journal.lastWritten, journal.started) +
         ")";
}

std::string groupedCount(std::size_t n) {
  std::string digits = std::to_string(n);
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

std::string undoQuestion(const Journal& journal) {
  const Noun noun = nounOf(journal.info.target);
  const std::size_t n = journal.made.size();
  std::string text = "Remove the ";
  text += n == 1 ? noun.one : groupedCount(n) + " " + noun.many;
  text += " imported";
  if (!journal.info.importFile.empty()) text += " from " + baseName(journal.info.importFile);
  if (journal.info.target.addressBook) {
    text += " into \"" + platform::toUtf8(journal.info.target.book) + "\"";
  }
  double start = platform::secondsToDate(journal.started);
  platform::DateTimeParts p = platform::decodeDateTime(start);
  char time[8];
  std::snprintf(time, sizeof time, "%02d:%02d", p.hour, p.minute);
  text += " on " + platform::formatStandardShortDate(start) + " at " + time;
  if (!journal.finished) text += " (the import did not finish)";
  return text + "?";
}

namespace {

bool undoable(const Journal& j, const std::string& postOffice, const std::u16string& owner) {
  return !j.inProgress && !j.made.empty() && isOfAccount(j, postOffice, owner);
}

}  // namespace

std::optional<UndoPlan> lastRunOf(const std::string& folder, const std::string& postOffice,
                                  const std::u16string& owner) {
  // The heads say which run it is; only that one is read whole.
  for (const Journal& head : listJournals(folder, nullptr, JournalPart::Head)) {
    if (!undoable(head, postOffice, owner)) continue;
    Journal j;
    try {
      j = readJournal(head.path);
    } catch (const JournalError&) {
      continue;  // gone or changed meanwhile
    }
    if (!undoable(j, postOffice, owner)) continue;
    UndoPlan plan;
    plan.question = undoQuestion(j);
    plan.journal = std::move(j);
    return plan;
  }
  return std::nullopt;
}

std::optional<UndoPlan> lastRunOf(const std::string& folder, const std::string& postOffice,
                                  const gw::ObjectRef& account) {
  return lastRunOf(folder, postOffice, api::getProperty(account, "Owner").toText());
}

bool hasRunToUndo(const std::string& folder, const std::string& postOffice,
                  const gw::ObjectRef& account) {
  const std::u16string owner = api::getProperty(account, "Owner").toText();
  for (const Journal& head : listJournals(folder, nullptr, JournalPart::Head)) {
    if (undoable(head, postOffice, owner)) return true;
  }
  return false;
}

UndoResult undoRun(const UndoPlan& plan, const gw::ObjectRef& account, UndoHost& host) {
  const Journal& journal = plan.journal;
  const bool entries = journal.info.target.addressBook;
  const Noun noun = nounOf(journal.info.target);
  const std::int64_t end = journal.ended();

  UndoResult r;
  r.total = journal.made.size();
  std::size_t done = 0;
  try {
    gw::ObjectRef book;
    bool bookGone = false;
    if (entries) {
      try {
        book = api::itemByName(api::addressBooks(account), journal.info.target.book);
      } catch (const gw::StoreError&) {
        throw;
      } catch (const gw::Error&) {
        bookGone = true;  // its entries went with it
      }
    }
    for (const std::u16string& id : journal.made) {
      host.processMessages();
      gw::ObjectRef object;
      if (!bookGone) object = entries ? api::getEntry(book, id) : api::getMessage(account, id);
      if (!object) {
        ++r.alreadyGone;
      } else if (changedSince(object, end)) {
        r.kept.push_back(nameOf(object, entries));
      } else {
        try {
          api::deleteObject(object);
          ++r.removed;
        } catch (const gw::StoreError&) {
          throw;
        } catch (const gw::Error& e) {
          if (r.refusal.empty()) r.refusal = e.what();
          r.refused.push_back(nameOf(object, entries));
        }
      }
      host.progress(++done, r.total);
    }
    api::commit(account);
  } catch (const gw::StoreError& e) {
    r.failure = e.what();
  }

  if (!r.complete()) {
    // What was removed may not be saved: the journal stays, and undoing it again finds
    // what is still there.
    std::string failure = r.failure + (r.failure.ends_with('.') ? "" : ".");
    r.message = done < r.total ? "Undo stopped after " + groupedCount(done) + " of the " +
                                     counted(r.total, noun) + ", as the post office failed: "
                               : "Undo went through the " + counted(r.total, noun) +
                                     ", but the post office could not save the removal: ";
    r.message += failure +
                 "\n\nThe journal of the import is kept, so that undoing it again removes what "
                 "is left.";
    return r;
  }
  r.message = outcome(r, noun);
  if (::unlink(journal.path.c_str()) != 0 && errno != ENOENT) {
    r.journalError =
        "The journal \"" + journal.path + "\" could not be removed: " + std::strerror(errno);
    r.message += "\n\n" + r.journalError + ".";
  }
  return r;
}

}  // namespace importing
