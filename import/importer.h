// Import runs: the records of an import file become calendar items or address-book
// entries, each column going to the GroupWise field paired with it. A record that cannot
// be stored is set aside, byte for byte, in a file beside the import file, and the run goes
// on; a failure of the post office itself ends the run, saying how far it was saved.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "groupwise/object.h"
#include "import/convert.h"
#include "import/format.h"
#include "import/linereader.h"
#include "import/pairing.h"
#include "import/textsource.h"

namespace importing {

struct ImportRequest {
  std::string path;  // the file to import, UTF-8
  FileFormat format;
  bool ignoreFirstLine = false;
  int dateMask = 0;  // the item of "Date format mask:", 0 to 8
  // The GroupWise field of each column of the file, in order, or "(skip)". Columns past
  // its end are not imported.
  std::vector<std::string> pairing;
  Destination destination;
  // "Skip lines already in GroupWise": a line whose item (kind, subject and start to the
  // minute) or entry (display name and e-mail address) is there already, or came earlier
  // in the file, is not imported.
  bool skipDuplicates = false;
  // Where the run's journal goes (what it made, for undo), and the post office's file as
  // the journal names the account; no journal when the folder is empty.
  std::string journalFolder;
  std::string postOffice;
};

// What the window does while a run goes on.
class ImportHost {
 public:
  virtual ~ImportHost() = default;
  // Lets the window handle waiting messages; called once per record.
  virtual void processMessages() {}
  // How far the run has read: bytes of the file done and in all.
  virtual void progress(std::uint64_t /*done*/, std::uint64_t /*total*/) {}
  // The number of address-book entries made so far, after each one.
  virtual void entriesMade(std::size_t /*count*/) {}
};

// A record that was not imported.
struct SetAsideLine {
  std::size_t line = 0;  // where it starts in the file, from 1
  std::string field;     // the GroupWise field whose value failed, or "" for the record
  std::string value;
  std::string reason;
};

struct ImportResult {
  bool addressBook = false;
  std::size_t imported = 0;    // items or entries made
  std::size_t duplicates = 0;  // lines passed over as already there
  std::size_t setAside = 0;
  std::vector<SetAsideLine> firstSetAside;  // the first twenty
  std::string rejectedPath;                 // "<name>.rejected<ext>", when lines were set aside
  std::string rejectedError;                // why it could not be written, or ""
  // When the run ended early: why, the line it stopped at (0: before the first, or at the
  // end), and how many of the records imported are saved, up to which line.
  std::string failure;
  std::size_t stoppedAt = 0;
  bool storeFailed = false;  // the post office failed: savedLines says how far it got
  std::size_t savedLines = 0;
  std::size_t lastSavedLine = 0;

  bool completed() const { return failure.empty(); }
  // The one message the window shows when the run ends; "" for a run that imported every
  // record (the count label tells).
  std::string endMessage() const;
  // What the count label shows at the end: "12 - done", or the count alone for a run
  // that did not end.
  std::string countText() const;
};

inline constexpr std::size_t kSetAsideListed = 20;

// Runs an import into the account's calendar or one of its address books.
ImportResult runImport(const ImportRequest& request, const gw::ObjectRef& account,
                       ImportHost& host);

// The field names of the file's first record as the page lists them (UTF-8,
// "<empty field>" for an empty one); nullopt when the file cannot be opened or read.
std::optional<std::vector<std::string>> readFieldNames(const std::string& path,
                                                       const FileFormat& format);

// The first records as the run would store them; nothing is written.
struct Preview {
  std::vector<std::string> columns;      // the GroupWise field of each column shown
  std::vector<std::size_t> fileColumns;  // which column of the file each one shows
  struct Row {
    std::size_t line = 0;
    std::vector<Cell> cells;  // one per column shown
    std::string problem;      // why the whole record fails, or ""
  };
  std::vector<Row> rows;
  std::string failure;  // why the file could not be read, or ""
};
// With an account, an address book's field types are read from the book (as the run
// reads them), and a book the run could not import into is the preview's failure; without
// one, the destination's field types are taken as given.
Preview preview(const ImportRequest& request, const gw::ObjectRef& account,
                std::size_t maxRecords = 50);

}  // namespace importing
