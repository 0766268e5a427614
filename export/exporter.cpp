#include "export/exporter.h"

#include <cmath>
#include <exception>
#include <map>
#include <memory>

#include "export/recordwriter.h"
#include "groupwise/error.h"
#include "groupwise/gwapi.h"
#include "groupwise/kinds.h"
#include "platform/ansi.h"
#include "platform/atomicfile.h"

namespace exporting {
namespace {

namespace api = gw::api;

// The time and year forms of the request, for the value conversions.
struct ValueForms final : ValueOptions {
  int time = 0, year = 0;
  int timeFormatItem() const override { return time; }
  int yearFormatItem() const override { return year; }
};

// The export file while it is written: records through the mode's writer, in the
// chosen encoding, into the temporary file.
class ExportFile {
 public:
  ExportFile(const ExportFormat& format, LineBreaks breaks)
      : writer_(makeRecordWriter(format, breaks)), encoder_(format.encoding) {}

  platform::AtomicFile& file() { return file_; }
  void header(const std::vector<std::string>& names) {
    line_.clear();
    writer_->header(names, line_);
    file_.write(encoder_.encode(line_));
  }
  void record(const std::vector<std::string>& values) {
    line_.clear();
    writer_->record(values, line_);
    file_.write(encoder_.encode(line_));
    ++records_;
  }
  void begin() { file_.write(encoder_.preamble()); }
  std::int64_t records() const { return records_; }
  std::int64_t unmappable() const { return encoder_.unmappable(); }

 private:
  platform::AtomicFile file_;
  std::unique_ptr<RecordWriter> writer_;
  TextEncoder encoder_;
  std::string line_;
  std::int64_t records_ = 0;
};

struct ExportJob {
  ExportFile& out;
  const std::vector<std::string>& fields;
  const ValueOptions& options;
  RunHost& host;
};

// The items of a run, found before the file is touched.
struct Found {
  gw::ObjectRef items;
  std::int32_t count = 0;
};

// Progress positions 1 to 100 and the count of items done.
class Progress {
 public:
  Progress(RunHost& host, std::int32_t total)
      : host_(host), total_(total), scale_(static_cast<float>(total) / 100.0f) {}
  void at(std::int32_t done) {
    int pos = static_cast<int>(std::nearbyint(static_cast<float>(done) / scale_));
    if (pos != last_) host_.setProgress(last_ = pos);
    host_.progressCount(done, total_);
  }

 private:
  RunHost& host_;
  std::int32_t total_;
  float scale_;
  int last_ = -1;
};

// Hides the progress display however the run ends.
struct ProgressShown {
  explicit ProgressShown(RunHost& h) : host(h) { host.showProgress(true); }
  ~ProgressShown() { host.showProgress(false); }
  RunHost& host;
};

// The value of one field; one that cannot be had stays empty and the record goes on.
// A failure of the post office itself ends the run.
template <typename ValueOf>
std::string guarded(ValueOf&& valueOf, const std::string& name) {
  try {
    return valueOf(name);
  } catch (const gw::StoreError&) {
    throw;
  } catch (const std::exception&) {
    return {};
  }
}

// Walks the found items, writing a record for each that `rowOf` gives values for.
// False when the run was cancelled.
template <typename RowOf>
bool exportItems(const ExportJob& job, const Found& found, RowOf&& rowOf) {
  Progress progress(job.host, found.count);
  std::vector<std::string> values(job.fields.size());
  for (std::int32_t i = 1; i <= found.count; ++i) {
    job.host.processMessages();
    if (job.host.cancelRequested()) return false;
    if (rowOf(api::item(found.items, i), values)) job.out.record(values);
    progress.at(i);
  }
  return !job.host.cancelRequested();
}

// makeexpfile: the temporary file beside the target, ready for the first record.
void makeexpfile(ExportFile& out, const std::string& path) {
  try {
    out.file().open(path);
    out.begin();
  } catch (const platform::IoError& e) {
    throw CannotCreateFile(path, e.what());
  }
}

void writeHeader(const ExportJob& job) {
  job.out.header(job.fields);
}

Found findCalendarItems(const ExportRequest& request, gw::CalendarKind kind) {
  gw::ObjectRef calendar = api::calendar(request.account);
  Found found;
  found.items = api::findMessages(calendar, platform::fromUtf8(calcFilter(kind, request.range)));
  found.count = api::count(found.items);
  return found;
}

Found findEntries(const gw::ObjectRef& book) {
  Found found;
  found.items = api::addressBookEntries(book);
  found.count = api::count(found.items);
  return found;
}

// Appointments, tasks and notes alike: each field through getApptFieldContents.
bool exportCalendar(const ExportJob& job, const Found& found) {
  return exportItems(job, found, [&](const gw::ObjectRef& item, std::vector<std::string>& values) {
    for (std::size_t j = 0; j < job.fields.size(); ++j) {
      values[j] = guarded(
          [&](const std::string& name) { return getApptFieldContents(name, item, job.options); },
          job.fields[j]);
    }
    return true;
  });
}

// The person entries of a book; groups, resources and organisations are passed over.
bool exportAB(const ExportJob& job, const Found& found, const gw::ObjectRef& book) {
  // Each field is asked for by its own type (text, number, date), looked up once.
  std::map<std::u16string, std::int32_t> types;
  try {
    gw::ObjectRef defs = api::fieldDefinitions(book);
    for (std::int32_t i = 1, n = api::count(defs); i <= n; ++i) {
      gw::ObjectRef def = api::item(defs, i);
      types[api::name(def)] = api::fieldType(def);
    }
  } catch (const gw::StoreError&) {
    throw;
  } catch (const gw::Error&) {
    types.clear();  // a book that does not tell its types: every field is text
  }
  std::vector<std::pair<std::u16string, std::int32_t>> asked;
  for (const std::string& name : job.fields) {
    std::u16string wide = platform::fromUtf8(name);
    auto it = types.find(wide);
    asked.emplace_back(wide, it == types.end() ? api::kTextField : it->second);
  }
  return exportItems(job, found, [&](const gw::ObjectRef& entry, std::vector<std::string>& values) {
    if (api::objType(entry).toInt() != static_cast<std::int32_t>(gw::EntryKind::Person)) {
      return false;
    }
    gw::ObjectRef fields = api::entryFields(entry);
    for (std::size_t j = 0; j < job.fields.size(); ++j) {
      values[j] = guarded(
          [&](const std::string&) {
            return platform::toUtf8(
                api::fieldItem(fields, asked[j].first, asked[j].second).toText());
          },
          job.fields[j]);
    }
    return true;
  });
}

gw::CalendarKind calendarKind(ExportSource source) {
  switch (source) {
    case ExportSource::Appointments:
      return gw::CalendarKind::Appointment;
    case ExportSource::Tasks:
      return gw::CalendarKind::Task;
    case ExportSource::Notes:
      return gw::CalendarKind::Note;
    default:
      throw ExportRefused("There is no such data source to export.");
  }
}

}  // namespace

ExportResult runExport(const ExportRequest& request, RunHost& host) {
  if (request.fields.empty()) throw ExportRefused("Please choose export fields.");
  const bool book = request.source == ExportSource::AddressBook;
  gw::CalendarKind kind{};
  if (book) {
    if (!request.addressBook) throw ExportRefused("No address book is chosen.");
  } else {
    kind = calendarKind(request.source);
    if (auto problem = checkDateRange(request.range)) throw ExportRefused(*problem);
  }

  ProgressShown shown(host);
  // Everything that can refuse the run happens before the file is touched.
  Found found = book ? findEntries(request.addressBook) : findCalendarItems(request, kind);

  ExportFile out(request.format, book ? LineBreaks::OneBlank : LineBreaks::NineBlanks);
  makeexpfile(out, request.path);
  ValueForms forms;
  forms.time = request.timeFormatItem;
  forms.year = request.yearFormatItem;
  ExportJob job{out, request.fields, forms, host};
  if (request.header) writeHeader(job);
  bool finished = book ? exportAB(job, found, request.addressBook) : exportCalendar(job, found);

  ExportResult result;
  result.source = request.source;
  result.path = request.path;
  result.records = out.records();
  result.total = found.count;
  result.unmappable = out.unmappable();
  if (!finished) {
    out.file().discard();
    result.outcome = ExportResult::Outcome::Cancelled;
    return result;
  }
  out.file().commit();
  return result;
}

}  // namespace exporting
