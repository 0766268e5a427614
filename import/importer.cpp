#include "import/importer.h"

#include <algorithm>

#include "groupwise/error.h"
#include "groupwise/gwapi.h"
#include "import/duplicates.h"
#include "import/fieldnames.h"
#include "import/journal.h"
#include "import/undo.h"
#include "platform/ansi.h"
#include "platform/errors.h"

namespace importing {
namespace {

namespace api = gw::api;

// How far the changes made through an account are saved. The mark of the last change
// is noted after each imported record; after a failure the post office's saved mark says
// which records are saved. A post office without marks commits every call at once, as a
// real GroupWise does, so there every record imported is saved.
class SaveMarks {
 public:
  explicit SaveMarks(gw::ObjectRef account) : account_(std::move(account)) {}

  void recordDone(std::size_t line) {
    if (!tracked_) {
      try {
        marks_.push_back({api::changeMark(account_), line});
        tracked_ = true;
        return;
      } catch (const gw::StoreError&) {
        throw;
      } catch (const gw::Error&) {
        tracked_ = false;
      }
    } else if (*tracked_) {
      marks_.push_back({api::changeMark(account_), line});
      return;
    }
    ++immediate_;
    lastImmediate_ = line;
  }

  // Commits what is not saved yet; raises gw::StoreError when the post office cannot.
  void commit() {
    if (tracked_ && !*tracked_) return;
    try {
      api::commit(account_);
    } catch (const gw::StoreError&) {
      throw;
    } catch (const gw::Error&) {
      // No Commit: every call committed at once.
    }
  }

  // The records whose changes are saved, and the line of the last of them.
  std::pair<std::size_t, std::size_t> saved() const {
    if (!tracked_ || !*tracked_) return {immediate_, lastImmediate_};
    double savedMark = 0;
    try {
      savedMark = api::savedMark(account_);
    } catch (const std::exception&) {
      return {0, 0};  // nothing is known to be saved
    }
    std::size_t count = 0, last = 0;
    for (const auto& [mark, line] : marks_) {
      if (mark <= savedMark) ++count, last = line;
    }
    return {count, last};
  }

 private:
  gw::ObjectRef account_;
  std::optional<bool> tracked_;
  std::vector<std::pair<double, std::size_t>> marks_;
  std::size_t immediate_ = 0, lastImmediate_ = 0;
};

// Called in a handler: the text of the exception being handled when it is a refusal of
// the record, GroupWise refusing a call (gw::Error) or a value (a conversion error). A
// failure of the post office itself, or any other, is raised again.
std::string refusal() {
  try {
    throw;
  } catch (const gw::StoreError&) {
    throw;
  } catch (const gw::Error& e) {
    return e.what();
  } catch (const platform::ConversionError& e) {
    return e.what();
  }
}

// Removes what a refused record made, as well as it can.
void removeQuietly(const gw::ObjectRef& object) {
  try {
    api::deleteObject(object);
  } catch (...) {
  }
}

// Where a run writes: the calendar, or an address book.
struct Target {
  gw::ObjectRef calendar;
  std::u16string className;
  gw::ObjectRef book;
};

// Makes one calendar item; false, with the refusal in `refused`, when GroupWise refuses
// a call (what was made is removed again). A failure of the post office raises.
bool ImpCal(const Target& target, const Converted& values, SetAsideLine& refused,
            gw::ObjectRef& item) {
  const Put* current = nullptr;
  try {
    item = api::addMessage(api::messages(target.calendar), target.className);
    for (const Put& p : values.puts) {
      current = &p;
      if (std::string_view(p.member) == "Subject") {
        api::setSubject(item, p.value.text());
      } else {
        api::setProperty(item, p.member, p.value);
      }
    }
    return true;
  } catch (...) {
    if (item) removeQuietly(item);
    item.reset();
    refused.reason = refusal();
    refused.field = current ? current->field : "";
    refused.value = current ? current->text : "";
    return false;
  }
}

// Makes one address-book entry, as ImpCal makes an item.
bool ImpAddrs(const Target& target, const Converted& values, SetAsideLine& refused,
              gw::ObjectRef& entry) {
  try {
    entry = api::addEntry(api::addressBookEntries(target.book), values.displayName, values.email,
                          values.emailType);
  } catch (...) {
    refused = {0, "Name", platform::toUtf8(values.displayName), refusal()};
    return false;
  }
  const NamedField* current = nullptr;
  try {
    for (const NamedField& field : values.namedFields) {
      current = &field;
      api::addField(api::entryFields(entry), field.name, field.type, field.value);
    }
    return true;
  } catch (...) {
    removeQuietly(entry);
    entry.reset();
    refused = {0, current ? platform::toUtf8(current->name) : "", current ? current->text : "",
               refusal()};
    return false;
  }
}

// Opens the destination; "" or why nothing can be imported there. For an address book
// the types of its fields go into `destination`.
std::string openTarget(const ImportRequest& request, const gw::ObjectRef& account, Target& target,
                       Destination& destination) {
  const Destination& d = request.destination;
  destination = d;
  if (!d.addressBook) {
    target.calendar = api::calendar(account);
    target.className = gw::className(d.kind);
    return {};
  }
  target.book = api::itemByName(api::addressBooks(account), platform::fromUtf8(d.book));
  destination.fieldTypes.clear();
  gw::ObjectRef defs = api::fieldDefinitions(target.book);
  for (std::int32_t i = 1, n = api::count(defs); i <= n; ++i) {
    gw::ObjectRef def = api::item(defs, i);
    destination.fieldTypes[platform::toUtf8(api::name(def))] = api::fieldType(def);
  }
  // A paired field the book does not define would refuse every record.
  for (const std::string& field : request.pairing) {
    if (field == kSkip || field == "Name" || field == "E-Mail Address" || field == "E-Mail Type") {
      continue;
    }
    if (!destination.fieldTypes.count(field)) {
      return "The address book \"" + d.book + "\" has no field \"" + field +
             "\". Pair that column with another field, or skip it.";
    }
  }
  return {};
}

// The key by which a converted line is compared with what is there.
std::u16string duplicateKey(const Converted& values, bool addressBook) {
  if (addressBook) return DuplicateIndex::entryKey(values.displayName, values.email);
  std::u16string subject;
  gw::Variant start;
  for (const Put& p : values.puts) {
    if (std::string_view(p.member) == "Subject") subject = p.value.text();
    if (std::string_view(p.member) == "StartDate") start = p.value;
  }
  return DuplicateIndex::calendarKey(subject, start);
}

std::string lines(std::size_t n) {
  return std::to_string(n) + (n == 1 ? " line" : " lines");
}

// The record's fields, or why it cannot be read; `empty` for an empty line.
bool readRecord(const Record& record, const FileFormat& format, std::vector<std::string>& fields,
                SetAsideLine& problem, bool& empty) {
  empty = false;
  if (record.tooLong) {
    problem.reason = "the line is longer than 16 MB";
    return false;
  }
  if (record.unclosedQuote) {
    problem.reason = "a quoted field is not closed before the end of the file";
    return false;
  }
  if (record.brokenQuote) {
    problem.reason = "a quoted field is not closed on this line";
    return false;
  }
  if (record.quoteRunsOn) {
    problem.reason = "a quoted field is not closed on this line; it is set aside with the " +
                     lines(record.lines - 1) + " after it, up to the quote that closes it";
    return false;
  }
  std::string text, why;
  if (!decodeText(record.bytes, format.encoding, text, &why)) {
    problem.reason = why;
    return false;
  }
  if (text.empty()) {
    empty = true;
    return false;
  }
  fields = extractfields(text, format);
  return true;
}

}  // namespace

std::string ImportResult::endMessage() const {
  if (completed() && setAside == 0 && duplicates == 0) return {};
  std::string what =
      addressBook ? (imported == 1 ? "entry" : "entries") : (imported == 1 ? "item" : "items");
  std::string out;
  if (!completed()) {
    out = stoppedAt > 0 ? "The import stopped at line " + std::to_string(stoppedAt) + ": "
                        : "The import stopped: ";
    out += failure;
    if (storeFailed) {
      out += "\n\n";
      if (savedLines == 0) {
        out += "None of the lines imported in this run is saved in GroupWise.";
      } else {
        out += lines(savedLines) + " of this run " + (savedLines == 1 ? "is" : "are") +
               " saved in GroupWise, up to line " + std::to_string(lastSavedLine) +
               "; import the lines after it again.";
      }
    } else if (imported > 0) {
      out += "\n\n" + std::to_string(imported) + " " + what + " were made before it stopped.";
    }
  } else if (setAside == 0) {
    out = groupedCount(imported) + " imported, " + groupedCount(duplicates) + " already there.";
  } else {
    out =
        "Imported " + std::to_string(imported) + " " + what + "; " + lines(setAside) + " set aside";
    out += duplicates > 0 ? "; " + groupedCount(duplicates) + " already there." : ".";
  }
  if (!completed() && duplicates > 0) {
    out += "\n\n" + lines(duplicates) + " already there " + (duplicates == 1 ? "was" : "were") +
           " passed over.";
  }
  if (setAside > 0) {
    if (!completed()) out += "\n\n" + lines(setAside) + " set aside.";
    out += "\n";
    for (const SetAsideLine& s : firstSetAside) {
      out += "\nLine " + std::to_string(s.line);
      if (!s.field.empty()) out += ", " + s.field;
      if (!s.value.empty()) out += ", \"" + s.value + "\"";
      out += ": " + s.reason;
    }
    if (setAside > firstSetAside.size()) {
      out += "\n... and " + std::to_string(setAside - firstSetAside.size()) + " more.";
    }
    out += "\n\n";
    if (rejectedError.empty()) {
      out += "The lines set aside are in " + rejectedPath +
             "; mend them there and import that file alone.";
    } else {
      out += "The lines set aside could not be written to " + rejectedPath + ": " + rejectedError;
    }
  }
  return out;
}

std::string ImportResult::countText() const {
  return std::to_string(imported) + (completed() ? " - done" : "");
}

ImportResult runImport(const ImportRequest& request, const gw::ObjectRef& account,
                       ImportHost& host) {
  ImportResult result;
  result.addressBook = request.destination.addressBook;
  if (std::string why =
          Converter(request.destination, request.dateMask, request.pairing).pairingProblem();
      !why.empty()) {
    result.failure = why;
    return result;
  }
  RecordReader reader(request.format);
  if (!reader.open(request.path)) {
    result.failure = "Unable to open import file. " + reader.error();
    return result;
  }
  Target target;
  SaveMarks marks(account);
  RejectedFile rejected(request.path, reader.utf8Mark());
  Record record;
  std::size_t line = 0;  // of the record being imported
  auto setAside = [&](SetAsideLine s) {
    s.line = record.line;
    ++result.setAside;
    if (result.firstSetAside.size() < kSetAsideListed) result.firstSetAside.push_back(s);
    rejected.add(record);
  };
  try {
    Destination destination;
    if (std::string why = openTarget(request, account, target, destination); !why.empty()) {
      result.failure = why;
      return result;
    }
    const Converter converter(destination, request.dateMask, request.pairing);
    if (request.ignoreFirstLine && reader.next(record)) rejected.setHeader(record);
    std::optional<DuplicateIndex> there;
    if (request.skipDuplicates) {
      there = result.addressBook ? DuplicateIndex::forBook(target.book)
                                 : DuplicateIndex::forCalendar(account, request.destination.kind);
    }
    // The journal starts with the first item made: a run that makes nothing leaves none.
    std::optional<ImportJournal> journal;
    auto keepInJournal = [&](const gw::ObjectRef& made) {
      if (request.journalFolder.empty()) return;
      try {
        if (!journal) {
          RunInfo info;
          info.postOffice = request.postOffice;
          info.owner = api::getProperty(account, "Owner").toText();
          info.target = result.addressBook
                            ? JournalTarget::bookNamed(platform::fromUtf8(request.destination.book))
                            : JournalTarget::calendar(request.destination.kind);
          info.importFile = request.path;
          journal = ImportJournal::begin(request.journalFolder, info);
        }
        journal->recordMade(result.addressBook ? api::entryId(made) : api::messageId(made));
      } catch (const JournalError& e) {
        // What the journal does not name could not be undone: it is taken away again.
        removeQuietly(made);
        throw std::runtime_error(
            std::string("Marrowby could not keep its record of what this import made (") +
            e.what() + "), so it stopped; what it made before can be undone.");
      }
    };
    std::vector<std::string> fields;
    while (reader.next(record)) {
      line = record.line;
      host.processMessages();
      host.progress(reader.position(), reader.size());
      SetAsideLine problem;
      bool empty = false;
      if (!readRecord(record, request.format, fields, problem, empty)) {
        if (!empty) setAside(problem);  // an empty line is passed over
        continue;
      }
      Converted values = converter.convert(fields);
      if (!values.ok()) {
        const Problem& p = values.problems.front();
        setAside({0, p.field, p.value, p.reason});
        continue;
      }
      std::u16string key;
      if (there) {
        key = duplicateKey(values, result.addressBook);
        if (there->contains(key)) {
          ++result.duplicates;
          continue;
        }
      }
      SetAsideLine refused;
      gw::ObjectRef made;
      bool ok = result.addressBook ? ImpAddrs(target, values, refused, made)
                                   : ImpCal(target, values, refused, made);
      if (!ok) {
        setAside(refused);
        continue;
      }
      keepInJournal(made);
      if (there) there->add(std::move(key));
      ++result.imported;
      if (result.addressBook) host.entriesMade(result.imported);
      marks.recordDone(record.line);
    }
    line = 0;
    if (reader.failed()) {
      result.failure = "Unable to read import file. " + reader.error();
      result.stoppedAt = record.line;
    }
    marks.commit();
    if (journal) {
      try {
        journal->finish();
      } catch (const JournalError&) {
        // Without its end the journal counts as a killed run: undo still reads it.
      }
    }
  } catch (const gw::StoreError& e) {
    result.failure = std::string("the post office failed: ") + e.what();
    result.stoppedAt = line;
    result.storeFailed = true;
  } catch (const gw::Error& e) {
    // A refusal before the first record: the calendar or the book cannot be reached.
    result.failure = e.what();
  } catch (const std::runtime_error& e) {
    result.failure = e.what();  // the journal could not be written
    result.stoppedAt = line;
  }
  if (result.storeFailed) {
    // The failure may have passed (another program let go of the post office): what
    // can be saved now is saved, and then counted.
    try {
      marks.commit();
    } catch (const gw::StoreError&) {
    }
    std::tie(result.savedLines, result.lastSavedLine) = marks.saved();
  }
  if (rejected.written()) {
    rejected.finish();
    result.rejectedPath = rejected.path();
    result.rejectedError = rejected.error();
  }
  return result;
}

std::optional<std::vector<std::string>> readFieldNames(const std::string& path,
                                                       const FileFormat& format) {
  RecordReader reader(format);
  if (!reader.open(path)) return std::nullopt;
  Record record;
  if (!reader.next(record)) {
    if (reader.failed()) return std::nullopt;
    return std::vector<std::string>{};
  }
  std::string text;
  if (!decodeText(record.bytes, format.encoding, text)) {
    // Names are for the eye: bytes that are not UTF-8 show as replacement characters.
    text = platform::toUtf8(platform::fromUtf8(record.bytes));
    std::erase(text, '\0');
  }
  return fieldNames(text, format);
}

Preview preview(const ImportRequest& request, const gw::ObjectRef& account,
                std::size_t maxRecords) {
  Preview out;
  for (std::size_t i = 0; i < request.pairing.size(); ++i) {
    if (request.pairing[i] == kSkip) continue;
    out.columns.push_back(request.pairing[i]);
    out.fileColumns.push_back(i);
  }
  RecordReader reader(request.format);
  if (!reader.open(request.path)) {
    out.failure = "Unable to open import file. " + reader.error();
    return out;
  }
  // The book's field types decide how its number and date fields convert.
  Destination destination = request.destination;
  if (account && destination.addressBook) {
    try {
      Target target;
      if (std::string why = openTarget(request, account, target, destination); !why.empty()) {
        out.failure = why;
        return out;
      }
    } catch (const std::exception& e) {
      out.failure = e.what();
      return out;
    }
  }
  const Converter converter(destination, request.dateMask, request.pairing);
  Record record;
  if (request.ignoreFirstLine) reader.next(record);
  std::vector<std::string> fields;
  while (out.rows.size() < maxRecords && reader.next(record)) {
    SetAsideLine problem;
    bool empty = false;
    Preview::Row row;
    row.line = record.line;
    if (readRecord(record, request.format, fields, problem, empty)) {
      Converted values = converter.convert(fields);
      for (std::size_t c : out.fileColumns) row.cells.push_back(values.cells[c]);
      // A problem of the whole record, or of a field no cell shows.
      for (const Problem& p : values.problems) {
        auto shown = std::find(out.columns.begin(), out.columns.end(), p.field);
        if (shown == out.columns.end() || p.field == "Name") {
          row.problem = p.reason;
          break;
        }
      }
    } else if (empty) {
      continue;
    } else {
      row.cells.resize(out.columns.size());
      row.problem = problem.reason;
    }
    out.rows.push_back(std::move(row));
  }
  if (reader.failed()) out.failure = "Unable to read import file. " + reader.error();
  return out;
}

}  // namespace importing
