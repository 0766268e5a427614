// Reading an import file: whether it looks like text at all, its records with their
// line numbers and exact place in the file, and the decoding of their bytes to UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "import/format.h"
#include "platform/inputfile.h"
#include "platform/textfile.h"

namespace importing {

// A record longer than this is set aside without being read into memory.
inline constexpr std::size_t kMaxRecordBytes = std::size_t{16} << 20;
// How much of a file the text check looks at.
inline constexpr std::size_t kTextCheckBytes = 4096;

struct TextCheck {
  bool readable = false;      // false: the file could not be opened or read (see reason)
  bool looksLikeText = true;  // false: NUL bytes, or mostly control characters
  std::string reason;         // why not, in words
  // The question the window asks before it imports a file that does not look like
  // text: "<file> does not look like a text file (...). Import it anyway?"
  std::string question(const std::string& path) const;
};

// Looks at the first 4 KB of the file.
TextCheck checkTextFile(const std::string& path);

// The bytes of a record as UTF-8 text: NUL bytes are dropped; Windows-1252 bytes become
// their characters; UTF-8 is checked. False, with the reason in `problem`, when the
// bytes are not valid UTF-8.
bool decodeText(std::string_view bytes, Encoding encoding, std::string& out,
                std::string* problem = nullptr);

// Whether text is plain ASCII, valid UTF-8 with other characters, or no UTF-8, read in
// pieces of any size: a character may be cut between two pieces. Fast on ASCII.
class Utf8Scan {
 public:
  void feed(std::string_view piece);
  // After the last piece: a character cut off at the end is no UTF-8.
  void finish();
  bool valid() const { return valid_; }
  bool nonAscii() const { return nonAscii_; }
  // UTF-8 that is not plain ASCII.
  bool utf8() const { return valid_ && nonAscii_; }

 private:
  std::string carry_;  // the start of a character cut at the end of the last piece
  std::size_t need_ = 0;
  bool valid_ = true;
  bool nonAscii_ = false;
};

// The UTF-8 mark some programs write at the start of a file.
inline constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

struct Record {
  std::size_t line = 0;        // the line of the file it starts on, from 1
  std::size_t lines = 1;       // the lines it runs over
  std::uint64_t offset = 0;    // where its bytes start in the file
  std::uint64_t length = 0;    // its bytes, the line end included
  std::string bytes;           // its bytes without the line end (empty when too long)
  bool tooLong = false;        // longer than kMaxRecordBytes
  bool unclosedQuote = false;  // Standard CSV: a quoted field ran to the end of the file
  // Standard CSV: a quoted field opened on this line is not closed on it, and the record
  // it would begin does not have the first record's number of fields, or holds a quote
  // on a later line that neither doubles nor closes; the record is this line alone.
  bool brokenQuote = false;
  // The same, kept whole: the file held too many such lines to read past each again.
  bool quoteRunsOn = false;
};

// Cuts a file into records. A CR LF, a LF or a lone CR ends a line; a Ctrl-Z ends the file
// only as its last byte; a UTF-8 mark at the start is no part of the first record. In
// Standard CSV a record runs on over the line ends inside quoted fields, as long as it
// then has as many fields as the file's first record and its later lines no stray quote;
// otherwise its first line is a record of its own (brokenQuote) and the next record starts
// on the line after it. Memory stays bounded and reading linear whatever the file holds.
class RecordReader {
 public:
  explicit RecordReader(const FileFormat& format);

  // False when the file cannot be opened (error() says why).
  bool open(const std::string& path);
  // The next record; false at the end of the file or on a read error (failed()).
  bool next(Record& record);
  bool failed() const { return failed_; }
  const std::string& error() const { return file_.error(); }
  bool utf8Mark() const { return mark_; }
  std::uint64_t position() const { return consumed_; }
  std::uint64_t size() const { return end_; }

 private:
  // What a record read as Standard CSV looks like: its field count, and whether a line
  // after its first holds a quote that neither doubles nor closes its quoted field.
  struct Shape {
    std::size_t fields = 0;
    bool strayQuotesLater = false;
  };

  bool fill();
  // One record: with `quoted`, running over line ends inside quoted fields.
  bool readOne(Record& record, bool quoted, Shape& shape);

  platform::InputFile file_;
  bool csv_;
  char separator_;
  std::string buffer_;
  std::size_t pos_ = 0;         // in buffer_
  std::uint64_t consumed_ = 0;  // file offset of buffer_[pos_]
  std::uint64_t read_ = 0;      // file offset of the end of buffer_
  std::uint64_t end_ = 0;       // where the data ends (before a final Ctrl-Z)
  std::size_t line_ = 1;
  bool mark_ = false;
  bool failed_ = false;
  std::size_t firstFields_ = 0;   // the field count of the first record that is not empty
  std::uint64_t lookedPast_ = 0;  // bytes read in records that were taken apart again
};

// Copies byte ranges of the import file into "<name>.rejected<ext>" beside it, which is
// created with the first range. The header record goes first when there is one.
class RejectedFile {
 public:
  RejectedFile(std::string importPath, bool utf8Mark);

  void setHeader(const Record& header);
  void add(const Record& record);
  // Ends writing; false when the file could not be written (error() says why).
  bool finish();
  const std::string& path() const { return path_; }
  const std::string& error() const { return error_; }
  bool written() const { return started_; }

 private:
  void copy(std::uint64_t offset, std::uint64_t length);
  void start();

  std::string importPath_;
  std::string path_;
  bool utf8Mark_;
  bool started_ = false;
  bool hasHeader_ = false;
  std::uint64_t headerOffset_ = 0, headerLength_ = 0;
  std::string error_;
  platform::InputFile source_;
  platform::TextFileWriter out_;
};

// "<folder>/<name>.rejected<ext>" for "<folder>/<name><ext>".
std::string rejectedPathFor(const std::string& importPath);

}  // namespace importing
