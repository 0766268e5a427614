// Cutting the lines of an import file into fields: the delimiter state of the three
// modes, the field names of the first line, the preparation of each data line and
// the extraction of one field with the page's filters. Texts are 8-bit.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace importing {

// "&Quote Comma", "&Tab", "&Comma + Quotes around text".
enum DelimiterMode { kQuoteComma = 0, kTab = 1, kCommaQuotes = 2 };

inline constexpr const char* kEmptyFieldName = "<empty field>";

// The delimiter state that selecting a mode sets, and that reading the names of a file
// in the third mode changes further.
struct Delimiters {
  std::string impQuoteOpen = "\"";
  std::string impSeparator = "\",\"";
  std::string impQuoteClose = "\"";

  // Sets all three for mode 0, 1 or 2; any other mode changes nothing.
  void select(int mode);
};

// The page's choices that extraction reads at every call.
class LineOptions {
 public:
  virtual ~LineOptions() = default;
  virtual int delimiterMode() const = 0;          // the item of "Delimiters:"
  virtual bool removeTrailingSpaces() const = 0;  // "Remove trailing spaces ..."
  virtual bool removeQuotes() const = 0;          // "Replace single quote ..."
};

using ProcessMessages = std::function<void()>;

// Reads the first line of a file; false when the file cannot be opened or read.
bool readFirstLine(const std::string& utf8Path, std::string& line);

// The field names of a first line, "<empty field>" for an empty one.
std::vector<std::string> readFieldNames(std::string line, Delimiters& state, int mode,
                                        const ProcessMessages& processMessages);

// A data line before it is split: a leading double quote is removed in the two modes
// that do not read quoted fields, a leading TAB in the two that do not split at TABs.
std::string prepareLine(std::string line, int mode);

// Field `index` (0-based) of a prepared data line, after the filters; empty past the
// last field.
std::string extractfield(const std::string& line, int index, const Delimiters& state,
                         const LineOptions& options, const ProcessMessages& processMessages);

}  // namespace importing
