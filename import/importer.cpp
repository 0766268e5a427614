#include "import/importer.h"

#include <cctype>
#include <cmath>

#include "groupwise/gwapi.h"
#include "platform/ansi.h"
#include "platform/errors.h"
#include "platform/numtext.h"
#include "platform/textfile.h"

namespace importing {
namespace {

namespace api = gw::api;

constexpr std::size_t kStampPart = 20;

std::string cut(const std::string& s, std::size_t n) {
  return s.size() > n ? s.substr(0, n) : s;
}

gw::Variant text(const std::string& ansi) {
  return gw::Variant(platform::fromAnsi(ansi));
}

// Minutes from "<whole><sep><part>": the whole (at most 4 characters) and the first
// two characters of the part; the part scaled by `scale`. Nullopt when the text has no
// separator with something before it.
std::optional<int> splitMinutes(const std::string& t, char sep, int partScale) {
  auto p = t.find(sep);
  if (p == std::string::npos || p == 0) return std::nullopt;
  int whole = platform::strToInt(cut(t.substr(0, p), 4));
  std::string part = t.substr(p + 1, 2);
  // One digit after a full stop counts as tenths, as the export writes 90 minutes "1.5".
  if (partScale == 100 && part.size() == 1) part += "0";
  int frac = platform::strToInt(part);
  return whole * 60 + frac * 60 / partScale;
}

// Opens the file, passing over the first line when asked; false after telling the user.
bool openImportFile(platform::TextFileReader& reader, const ImportJob& job) {
  std::string skipped;
  if (reader.open(job.path) && (!job.ignoreFirstLine || reader.readLine(skipped))) return true;
  job.dialogs.message(platform::MessageKind::Error, "Unable to open import file.");
  return false;
}

// The start and end of an item, assembled from their parts over the run.
struct Stamps {
  std::string startDate, startTime, endDate, endTime;

  // "date time" of a DateTime field: the date through fixupdate, the time as written.
  static void split(const std::string& f, std::string& date, std::string& time,
                    const ImportJob& job) {
    auto space = f.find(' ');
    date = cut(fixupdate(space == std::string::npos ? std::string() : f.substr(0, space + 1),
                         job.dateMask, job.processMessages),
               kStampPart);
    time = cut(space == std::string::npos ? f : f.substr(space + 1), kStampPart);
  }

  static void put(const gw::ObjectRef& item, const char* member, const std::string& date,
                  const std::string& time) {
    std::string stamp = cut(date + " " + time, kStampPart);
    if (stamp != " ") api::setProperty(item, member, text(stamp));
  }
};

void setDuration(const gw::ObjectRef& item, int minutes) {
  api::setProperty(item, "Duration", gw::Variant(minutes / 60.0 / 24.0));
}

void applyField(const gw::ObjectRef& item, const std::string& name, const std::string& f, Stamps& s,
                const ImportJob& job) {
  if (name == "Start Date") {
    s.startDate = cut(fixupdate(f, job.dateMask, job.processMessages), kStampPart);
  } else if (name == "Start Time") {
    s.startTime = cut(fixuptime(f), kStampPart);
  } else if (name == "Start DateTime") {
    Stamps::split(f, s.startDate, s.startTime, job);
  } else if (name == "End Date") {
    s.endDate = cut(fixupdate(f, job.dateMask, job.processMessages), kStampPart);
  } else if (name == "End Time") {
    s.endTime = cut(f, kStampPart);
  } else if (name == "End DateTime") {
    Stamps::split(f, s.endDate, s.endTime, job);
  } else if (name == "Duration (HH:MM)") {
    setDuration(item, minutesFromHoursMinutes(f));
  } else if (name == "Duration (HH.hh/100)") {
    setDuration(item, minutesFromHours(f));
  } else if (name == "Duration (minutes)") {
    if (!f.empty()) setDuration(item, minutesFromMinutes(f));
  } else if (name == "Place") {
    api::setProperty(item, "Place", text(f));
  } else if (name == "Subject") {
    api::setSubject(item, platform::fromAnsi(f));
  } else if (name == "Message") {
    api::setProperty(item, "BodyText", text(f));
  } else if (name == "Due Date") {
    api::setProperty(item, "DueDate", text(fixupdate(f, job.dateMask, job.processMessages)));
  } else if (name == "Priority") {
    api::setProperty(item, "TaskPriority", gw::Variant(priorityFrom(f)));
  } else if (name == "Completed") {
    api::setProperty(item, "Completed", gw::Variant(platform::tryStrToInt(f).value_or(0)));
  }
}

bool isNameField(const std::string& n) {
  return n == "Name" || n == "Navn" || n == "Nom" || n == "Namn" || n == "Nombre";
}

}  // namespace

int minutesFromHoursMinutes(const std::string& t) {
  return splitMinutes(t, ':', 60).value_or(60);
}

int minutesFromHours(const std::string& t) {
  if (auto m = splitMinutes(t, '.', 100)) return *m;
  // A whole number of hours, as the export writes 8 hours "8".
  if (auto h = platform::tryStrToInt(t);
      h && !t.empty() && std::isdigit(static_cast<unsigned char>(t[0]))) {
    return *h * 60;
  }
  return 60;
}

int minutesFromMinutes(const std::string& t) {
  auto v = platform::tryStrToFloat(t);
  if (!v || std::fabs(*v) > 2147483647.0) return 60;
  return static_cast<int>(std::lround(*v));
}

int priorityFrom(const std::string& t) {
  if (auto v = platform::tryStrToInt(t)) return *v;
  if (!t.empty()) {
    char c = static_cast<char>(std::toupper(static_cast<unsigned char>(t[0])));
    if (c >= 'A' && c <= 'D') return c - 'A' + 1;
  }
  return 1;
}

void ImpCal(int kind, const ImportJob& job, const gw::ObjectRef& account) {
  gw::ObjectRef calendar = api::calendar(account);
  platform::TextFileReader reader;
  if (!openImportFile(reader, job)) return;
  const std::u16string cls = kItemClassNames.at(static_cast<std::size_t>(kind));
  Stamps stamps;  // kept from line to line
  std::string line;
  for (;;) {
    if (!reader.readLine(line)) {
      job.dialogs.message(platform::MessageKind::Error, "Unable to read import file.");
      return;
    }
    if (!line.empty()) {  // an empty line is passed over
      if (job.processMessages) job.processMessages();
      gw::ObjectRef item = api::addMessage(api::messages(calendar), cls);
      int mode = job.options.delimiterMode();
      std::string prepared = prepareLine(line, mode);
      for (std::size_t i = 0; i < job.mapping.size(); ++i) {
        if (job.processMessages) job.processMessages();
        std::string f = extractfield(prepared, static_cast<int>(i), job.delimiters, job.options,
                                     job.processMessages);
        applyField(item, job.mapping[i], f, stamps, job);
      }
      Stamps::put(item, "StartDate", stamps.startDate, stamps.startTime);
      Stamps::put(item, "EndDate", stamps.endDate, stamps.endTime);
    }
    if (reader.eof()) return;
  }
}

void ImpAddrs(const ImportJob& job, const gw::ObjectRef& account, const std::u16string& bookName,
              gw::ObjectRef& gwAddressBooks, gw::ObjectRef& gwAddressBook, CountDisplay& count) {
  gwAddressBooks = api::addressBooks(account);
  gwAddressBook = api::itemByName(gwAddressBooks, bookName);
  int made = 0;
  platform::TextFileReader reader;
  if (!openImportFile(reader, job)) return;
  // The columns that give the entry's name, address and type: the last of each counts.
  int nameCol = -1, typeCol = -1, mailCol = -1;
  for (std::size_t i = 0; i < job.mapping.size(); ++i) {
    const std::string& n = job.mapping[i];
    if (isNameField(n)) nameCol = static_cast<int>(i);
    if (n == "E-Mail Type") typeCol = static_cast<int>(i);
    if (n == "E-Mail Address") mailCol = static_cast<int>(i);
  }
  if (nameCol < 0) nameCol = mailCol;
  std::string line;
  for (;;) {
    if (!reader.readLine(line)) {
      job.dialogs.message(platform::MessageKind::Error, "Unable to open import file.");
      return;
    }
    if (!line.empty()) {  // an empty line is passed over
      if (job.processMessages) job.processMessages();
      if (nameCol < 0) return;  // neither a name nor an address column: nothing to make
      int mode = job.options.delimiterMode();
      std::string prepared = prepareLine(line, mode);
      auto field = [&](int i) {
        return extractfield(prepared, i, job.delimiters, job.options, job.processMessages);
      };
      std::string display = field(nameCol);
      std::string type = typeCol >= 0 ? field(typeCol) : "NGW";
      std::string mail = mailCol >= 0 ? field(mailCol) : "";
      gw::ObjectRef entry;
      try {
        entry = api::addEntry(api::addressBookEntries(gwAddressBook), platform::fromAnsi(display),
                              platform::fromAnsi(mail), platform::fromAnsi(type));
      } catch (const std::exception&) {
        reader.close();
        job.dialogs.message(
            platform::MessageKind::Error,
            "Unable to create address book entry.\r\nCheck DisplayName or email address field.");
        return;
      }
      count.setCountText(std::to_string(++made));
      if (job.processMessages) job.processMessages();
      for (std::size_t j = 0; j < job.mapping.size(); ++j) {
        if (job.processMessages) job.processMessages();
        const std::string& n = job.mapping[j];
        std::string f = field(static_cast<int>(j));
        if (n == "Name" || n == "E-Mail Type" || n == "E-Mail Address") continue;
        api::addField(api::entryFields(entry), platform::fromAnsi(n), platform::fromAnsi(f));
      }
    }
    if (reader.eof()) {
      count.setCountText(std::to_string(made) + " - done");
      return;
    }
  }
}

}  // namespace importing
