// An export run: the header record and one record per calendar item or address-book
// entry, written to an open export file.
#pragma once

#include <string>
#include <vector>

#include "export/fieldvalues.h"
#include "export/filter.h"
#include "export/format.h"
#include "groupwise/object.h"
#include "platform/textfile.h"

namespace exporting {

// What a run needs from the window while it goes on.
class RunHost {
 public:
  virtual ~RunHost() = default;
  // Lets the window repaint and handle waiting input; the host may skip calls that
  // come too soon after the last.
  virtual void processMessages() = 0;
  virtual void showProgress(bool shown) = 0;
  virtual void setProgress(int position) = 0;  // 0 to 100
};

struct ExportJob {
  platform::TextFileWriter& file;
  const ExportFormat& format;
  const std::vector<std::string>& fields;  // the chosen field names, in column order
  const ValueOptions& options;
  RunHost& host;
};

// makeexpfile: creates the file, or empties one that exists; false when it cannot.
bool makeexpfile(platform::TextFileWriter& file, const std::string& utf8Path);

void writeHeader(const ExportJob& job);

// The GroupWise objects a calendar export leaves behind for the window to hold.
struct CalendarHolders {
  gw::ObjectRef& gwCalendar;
  gw::ObjectRef& gwMessages;
  gw::ObjectRef& gwMessage;
};

void exportAppts(const ExportJob& job, const DateRange& range, const gw::ObjectRef& account,
                 CalendarHolders holders);
void exportTasks(const ExportJob& job, const DateRange& range, const gw::ObjectRef& account,
                 CalendarHolders holders);
void exportNotes(const ExportJob& job, const DateRange& range, const gw::ObjectRef& account,
                 CalendarHolders holders);
// The person entries of a book; other kinds of entry are passed over.
void exportAB(const ExportJob& job, const gw::ObjectRef& gwAddressBook);

}  // namespace exporting
