// An export run: the chosen calendar items or address-book entries written to a file,
// one record each after an optional header record.
//
// The file is written under a temporary name beside the target and takes the target's
// place only when the run succeeds: every check that can fail before the first record
// (the date range, the address book, the search) runs before anything is written, and
// a run that is refused, fails half-way or is cancelled leaves an earlier file of that
// name as it was.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "export/fieldvalues.h"
#include "export/filter.h"
#include "export/format.h"
#include "groupwise/object.h"

namespace exporting {

// What a run needs from the window while it goes on.
class RunHost {
 public:
  virtual ~RunHost() = default;
  // Lets the window repaint and handle waiting input; the host may skip calls that
  // come too soon after the last.
  virtual void processMessages() = 0;
  virtual void showProgress(bool shown) = 0;
  virtual void setProgress(int position) = 0;  // 0 to 100, called when it changes
  // After every item: how many of the `total` items are done. For an address book
  // the entries that are no persons count as done, though they write no record.
  virtual void progressCount(std::int64_t done, std::int64_t total) {
    (void)done;
    (void)total;
  }
  // Asked before every item; true ends the run without a file.
  virtual bool cancelRequested() { return false; }
};

// "Data &Source" items.
enum class ExportSource : int { Appointments = 0, Tasks = 1, Notes = 2, AddressBook = 3 };

struct ExportRequest {
  std::string path;  // UTF-8, as typed: a relative path is taken from the current folder
  ExportSource source = ExportSource::Appointments;
  gw::ObjectRef account;            // whose calendar (appointments, tasks, notes)
  gw::ObjectRef addressBook;        // the book (address book)
  std::vector<std::string> fields;  // UTF-8 field names in column order
  ExportFormat format;
  bool header = false;  // "Include field names as header record"
  int timeFormatItem = 0;
  int yearFormatItem = 0;
  DateRangeValues range;  // calendar sources only
};

struct ExportResult {
  enum class Outcome {
    Written,    // the file holds every record
    Cancelled,  // no file was written; an earlier one stays as it was
  };
  Outcome outcome = Outcome::Written;
  ExportSource source = ExportSource::Appointments;
  std::string path;          // as requested
  std::int64_t records = 0;  // data records written (the header not counted)
  std::int64_t total = 0;    // items found, or entries of the book
  // Characters that Windows-1252 lacks, written as "?" (UTF-8 keeps them).
  std::int64_t unmappable = 0;
};

// The file cannot be created: a missing folder, no access, an empty path, a folder of
// that name. The text is the one the window shows.
class CannotCreateFile : public std::runtime_error {
 public:
  CannotCreateFile(std::string path, std::string reason)
      : std::runtime_error("Unable to create export file."),
        path_(std::move(path)),
        reason_(std::move(reason)) {}
  const std::string& path() const { return path_; }
  // The system's reason, e.g. "Cannot create /x/y.txt: No such file or directory".
  const std::string& reason() const { return reason_; }

 private:
  std::string path_;
  std::string reason_;
};

// The choices do not make an export (a date range that is none, no fields, no
// address book); nothing was touched. The text says why.
class ExportRefused : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Runs the whole export. Throws CannotCreateFile and ExportRefused as above; a
// GroupWise refusal of the search or a failed write ends the run with its own error
// (gw::Error, platform::IoError), the earlier file untouched. A field whose value
// cannot be had stays empty and the record goes on, unless the post office itself
// failed (gw::StoreError), which ends the run.
ExportResult runExport(const ExportRequest& request, RunHost& host);

}  // namespace exporting
