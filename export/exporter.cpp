#include "export/exporter.h"

#include <cmath>
#include <exception>

#include "groupwise/gwapi.h"
#include "platform/ansi.h"

namespace exporting {
namespace {

namespace api = gw::api;

// Progress positions 1 to 100 over `count` items.
class Progress {
 public:
  Progress(RunHost& host, int count) : host_(host), scale_(static_cast<float>(count) / 100.0f) {}
  void at(int i) {
    int pos = static_cast<int>(std::nearbyint(static_cast<float>(i) / scale_));
    if (pos != last_) host_.setProgress(last_ = pos);
  }

 private:
  RunHost& host_;
  float scale_;
  int last_ = -1;
};

// Hides the progress display however the loop ends.
struct ProgressShown {
  explicit ProgressShown(RunHost& h) : host(h) { host.showProgress(true); }
  ~ProgressShown() { host.showProgress(false); }
  RunHost& host;
};

// Writes one record; a field whose value cannot be had stays empty and the record
// goes on. The framing is written outside that guard.
template <typename ValueOf>
void writeRecord(const ExportJob& job, ValueOf&& valueOf) {
  platform::TextFileWriter& f = job.file;
  f.write(job.format.expQuoteOpen);
  for (std::size_t j = 0; j < job.fields.size(); ++j) {
    if (j) f.write(job.format.expSeparator);
    try {
      f.write(stripquotes(valueOf(job.fields[j]), job.format.quoteSubstitute));
    } catch (const std::exception&) {
      // The field stays empty.
    }
  }
  f.write(job.format.expQuoteClose);
  f.write(job.format.expLineEnd);
}

void exportCalendar(const ExportJob& job, const char* kind, const DateRange& range,
                    const gw::ObjectRef& account, CalendarHolders h) {
  h.gwCalendar = api::calendar(account);
  gw::ObjectRef found =
      api::findMessages(h.gwCalendar, platform::fromAnsi(calcFilter(kind, range)));
  h.gwMessages = found;
  ProgressShown shown(job.host);
  int count = api::count(found);
  Progress progress(job.host, count);
  for (int i = 1; i <= count; ++i) {
    job.host.processMessages();
    progress.at(i);
    h.gwMessage = api::item(found, i);
    const gw::ObjectRef& message = h.gwMessage;
    writeRecord(job, [&](const std::string& name) {
      return getApptFieldContents(name, message, job.options);
    });
  }
}

}  // namespace

bool makeexpfile(platform::TextFileWriter& file, const std::string& utf8Path) {
  try {
    file.create(utf8Path);
    return true;
  } catch (const platform::IoError&) {
    return false;
  }
}

void writeHeader(const ExportJob& job) {
  job.file.write(job.format.record(job.fields));
}

void exportAppts(const ExportJob& job, const DateRange& range, const gw::ObjectRef& account,
                 CalendarHolders holders) {
  exportCalendar(job, "APPOINTMENT", range, account, holders);
}

void exportTasks(const ExportJob& job, const DateRange& range, const gw::ObjectRef& account,
                 CalendarHolders holders) {
  exportCalendar(job, "TASK", range, account, holders);
}

void exportNotes(const ExportJob& job, const DateRange& range, const gw::ObjectRef& account,
                 CalendarHolders holders) {
  exportCalendar(job, "NOTE", range, account, holders);
}

void exportAB(const ExportJob& job, const gw::ObjectRef& gwAddressBook) {
  ProgressShown shown(job.host);
  gw::ObjectRef entries = api::addressBookEntries(gwAddressBook);
  int count = api::count(entries);
  Progress progress(job.host, count);
  for (int i = 1; i <= count; ++i) {
    job.host.processMessages();
    progress.at(i);
    gw::ObjectRef entry = api::item(entries, i);
    if (api::objType(entry).toInt() != 1) continue;  // only persons
    writeRecord(job, [&](const std::string& name) {
      std::string value = platform::toAnsi(
          api::fieldItem(api::entryFields(entry), platform::fromAnsi(name)).toText());
      for (char& c : value) {
        if (c == '\r' || c == '\n') c = ' ';
      }
      return value;
    });
  }
}

}  // namespace exporting
