// Import journals: what each import run made, so that the run can be undone later, also
// after the program was restarted.
//
// One file per run in the journal folder, written as the run goes: a run that is killed
// leaves a journal of everything it made up to that point. The file is UTF-8 text, one
// "key<TAB>value" line each, readable by a person:
//
//   Marrowby import journal
//   post office<TAB>/home/ann/.local/share/marrowby/postoffice.db
//   owner<TAB>ann
//   calendar<TAB>appointments          (or: address book<TAB>Friends)
//   file<TAB>/home/ann/cal.csv
//   started<TAB>2026-12-10 10:41:05
//   item<TAB>1042                      (one line per item made; "entry" for a book)
//   item<TAB>1043
//   finished<TAB>2026-12-10 10:43:17   (missing when the run was killed)
//
// The first line marks the file as a journal. Times are local, to the second. In values a
// backslash, tab, line feed and carriage return are written \\, \t, \n and \r. Lines of
// an unknown key are ignored; a last line without its line end (a write cut short) is
// ignored too, since a cut identity could name another item.
//
// The calendar kinds are written appointments, tasks, notes, mail, phone messages and
// document references.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "groupwise/kinds.h"

namespace importing {

// A journal that cannot be written or read; the text says which file and why.
class JournalError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// How many runs the journal folder keeps.
inline constexpr std::size_t kJournalsKept = 10;

// What an import run writes into: the calendar as items of one kind, or a personal
// address book of the account.
struct JournalTarget {
  bool addressBook = false;
  gw::CalendarKind kind = gw::CalendarKind::Appointment;
  std::u16string book;  // the address book's name

  static JournalTarget calendar(gw::CalendarKind k) { return {false, k, {}}; }
  static JournalTarget bookNamed(std::u16string name) {
    return {true, gw::CalendarKind::Appointment, std::move(name)};
  }
  bool operator==(const JournalTarget&) const = default;
};

// What a run records before it makes anything.
struct RunInfo {
  std::string postOffice;  // the post office's file path, as the window names it (UTF-8)
  std::u16string owner;    // the account's owner, Account.Owner (a user id)
  JournalTarget target;
  std::string importFile;  // the file imported (UTF-8 path)
};

// A journal as read back.
struct Journal {
  std::string path;  // the journal file
  RunInfo info;
  std::int64_t started = 0;  // local time, seconds since 12/30/1899 (platform::dateToSeconds)
  std::optional<std::int64_t> finished;  // none: the run was killed
  std::int64_t lastWritten = 0;          // the file's modification time, same scale
  bool inProgress = false;               // a run, of this or another program, is writing it
  std::vector<std::u16string> made;      // the identities, in the order they were made

  // When the run ended: its finish time, or for a killed run the last time it wrote.
  std::int64_t ended() const { return finished ? *finished : lastWritten; }
};

// The user's journal folder: $XDG_DATA_HOME/marrowby/journals when XDG_DATA_HOME is an
// absolute path, else ~/.local/share/marrowby/journals. It may not exist yet.
std::string journalFolder();

// The journal of one run, written as the run goes. Each identity is written to the file
// the moment it is recorded (one write() per line, no buffering), so a killed run leaves
// what it made. While the writer is open it holds a lock on its file, by which readers
// tell a run in progress from a killed one.
class ImportJournal {
 public:
  // Starts the journal of a new run in `folder` (created, 0700, when missing): removes
  // the oldest journals so that with this one kJournalsKept remain (never one in
  // progress), then writes the head. The start time is platform::nowDate(). Raises
  // JournalError when the folder or the file cannot be made or written.
  static ImportJournal begin(const std::string& folder, const RunInfo& info);

  ImportJournal(ImportJournal&& other) noexcept;
  ImportJournal& operator=(ImportJournal&& other) noexcept;
  ImportJournal(const ImportJournal&) = delete;
  ImportJournal& operator=(const ImportJournal&) = delete;
  // Closes the file without an end time, as a killed run leaves it.
  ~ImportJournal();

  // Records the identity of an item or entry just made (gw::api::messageId or entryId).
  // Raises JournalError when it cannot be written: the run should stop, since what it
  // made from then on could not be undone. After a failure every later call raises too.
  void recordMade(const std::u16string& identity);
  // Writes the end time and closes the file. A run that made nothing leaves no journal:
  // its file is removed. Raises JournalError when the end cannot be written (the
  // journal then stays as a killed run's, which undo still reads).
  void finish();

  const std::string& path() const { return path_; }
  std::size_t madeCount() const { return made_; }

 private:
  ImportJournal(std::string path, int fd, bool addressBook);
  void writeLine(const std::string& line);
  void close();

  std::string path_;
  int fd_ = -1;
  bool addressBook_ = false;
  std::size_t made_ = 0;
  std::string failure_;  // why the last write failed, or ""
};

// How much of a journal to read: all of it, or only its head, its first identities and
// its end time, which costs as little for a run of a million items as for one of ten.
// `made` of a head holds the identities of its first 64 KiB: empty when the run made
// nothing, a part of them when it made many.
enum class JournalPart { Whole, Head };

// Reads one journal; raises JournalError when the file cannot be read or is no journal
// (its first line, or a required head line, missing).
Journal readJournal(const std::string& path, JournalPart part = JournalPart::Whole);

// The journals of the folder, newest first (by start time, then file name). Files that
// are no journals are left out; when `unreadable` is given, their paths are added to it.
// A missing folder has none.
std::vector<Journal> listJournals(const std::string& folder,
                                  std::vector<std::string>* unreadable = nullptr,
                                  JournalPart part = JournalPart::Whole);

// Whether a journal is of this account: the same post office (the same path text, or the
// same file once links and "." are resolved) and the same owner.
bool isOfAccount(const Journal& journal, const std::string& postOffice,
                 const std::u16string& owner);
// The journals of one account, newest first.
std::vector<Journal> journalsOf(const std::vector<Journal>& journals, const std::string& postOffice,
                                const std::u16string& owner);

// The word a journal writes for a calendar kind ("appointments"), and back; nullopt
// for a word it does not know.
const char* kindWord(gw::CalendarKind kind);
std::optional<gw::CalendarKind> kindFromWord(std::string_view word);

// "2026-12-10 10:41:05" for a local time in seconds, as the journal writes it.
std::string journalTimeText(std::int64_t seconds);

}  // namespace importing
