// Records of an export file: one writer per delimiter mode turns the values of a
// record (UTF-8) into its text, and the encoder turns that text into the file's bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "export/format.h"

namespace exporting {

// How the line breaks inside a value are written in Quote Comma and Tab, where every
// record is one line. Standard CSV keeps them.
enum class LineBreaks {
  NineBlanks,  // calendar values: CR dropped, each LF nine blanks
  OneBlank,    // address-book values: CR and LF each one blank
};

class RecordWriter {
 public:
  virtual ~RecordWriter() = default;
  // Appends the header record: the names as they stand, without quote substitution.
  virtual void header(const std::vector<std::string>& names, std::string& out) const = 0;
  // Appends one data record.
  virtual void record(const std::vector<std::string>& values, std::string& out) const = 0;
};

// The writer of the format's delimiter mode.
std::unique_ptr<RecordWriter> makeRecordWriter(const ExportFormat& format, LineBreaks breaks);

// One Standard CSV field: quoted when it holds the separator, a double quote, a CR or
// an LF, each double quote doubled, and every line break (CR LF, CR or LF) written as
// `lineEnd`.
void appendCsvField(std::string_view value, char separator, std::string_view lineEnd,
                    std::string& out);

// Turns UTF-8 text into the bytes of the file's encoding.
class TextEncoder {
 public:
  explicit TextEncoder(Encoding encoding) : encoding_(encoding) {}
  // What the file begins with: the UTF-8 mark, or nothing.
  std::string_view preamble() const;
  // The bytes of `utf8`; valid until the next call. In Windows-1252 a character it
  // lacks becomes "?" and is counted.
  std::string_view encode(std::string_view utf8);
  // Characters written as "?" so far.
  std::int64_t unmappable() const { return unmappable_; }

 private:
  Encoding encoding_;
  std::string buf_;
  std::int64_t unmappable_ = 0;
};

}  // namespace exporting
