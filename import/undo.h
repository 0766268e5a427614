// Undoing an import: the items or entries the account's last run made, as its journal
// lists them, are removed again, except those changed since the run.
//
// Undo reads only the journal files and GroupWise, so it works after the program was
// restarted. A complete undo removes the journal, so undoing again undoes the run
// before it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "groupwise/object.h"
#include "import/journal.h"

namespace importing {

// The last run of an account, and the question to ask before undoing it.
struct UndoPlan {
  Journal journal;
  // "Remove the 2,000 appointments imported from cal.csv on 12/10/2026 at 10:41?"
  std::string question;
};

// The newest journal of the account (post office path and Account.Owner) that lists
// something made; runs still in progress are passed over. nullopt: nothing to undo.
// Unreadable journal files are skipped.
std::optional<UndoPlan> lastRunOf(const std::string& folder, const std::string& postOffice,
                                  const std::u16string& owner);
// The same for an account object: its owner is read with Account.Owner.
std::optional<UndoPlan> lastRunOf(const std::string& folder, const std::string& postOffice,
                                  const gw::ObjectRef& account);
// Whether lastRunOf finds a run, reading only the journals' heads: cheap enough to ask
// after every import, whatever the size of the runs.
bool hasRunToUndo(const std::string& folder, const std::string& postOffice,
                  const gw::ObjectRef& account);

// The question for a journal's run (the counts with thousands separators, the file's
// name without its folder, the start as mm/dd/yyyy and 24-hour hh:mm).
std::string undoQuestion(const Journal& journal);

// One line about a run for listings such as the admin tool's: "2,000 appointments from
// /home/ann/cal.csv, 12/10/2026 10:41 to 10:43"; a killed run "..., 12/10/2026 10:41,
// did not finish (last written 10:42)"; a run that is writing "..., in progress".
std::string runSummary(const Journal& journal);

// What the window does while an undo runs. Both are called after every item; the host
// throttles what it passes on.
class UndoHost {
 public:
  virtual ~UndoHost() = default;
  virtual void progress(std::size_t /*done*/, std::size_t /*total*/) {}
  virtual void processMessages() {}
};

inline constexpr std::size_t kKeptListed = 20;

struct UndoResult {
  std::size_t total = 0;        // identities in the journal
  std::size_t removed = 0;      // removed by this undo
  std::size_t alreadyGone = 0;  // no longer in GroupWise
  // Kept because changed since the import: the subjects or display names of all of them.
  std::vector<std::u16string> kept;
  // GroupWise refused to remove them (e.g. no right to change that mailbox): the first
  // refusal's text, and the names.
  std::vector<std::u16string> refused;
  std::string refusal;
  // The post office failed: its text; the journal stays so that the rest can be undone
  // later. Empty when the undo went through every identity.
  std::string failure;
  // The journal could not be removed after a complete undo: why.
  std::string journalError;
  bool complete() const { return failure.empty(); }
  // "1,998 appointments removed; 2 kept because they were changed since the import: ..."
  std::string message;
};

// Removes the items (GetMessage on the account) or entries (GetEntry on the address book
// of the journal's name) that the plan's journal lists, then commits. An item or entry
// whose ModifiedDate is later than the run's end is kept; one already gone is counted.
// A gw::StoreError ends the undo: the result says how far it got and the journal stays.
// Otherwise the journal file is removed.
UndoResult undoRun(const UndoPlan& plan, const gw::ObjectRef& account, UndoHost& host);

// "2,000": a count with thousands separators.
std::string groupedCount(std::size_t n);

}  // namespace importing
