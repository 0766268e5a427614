// How an import file is written: its delimiter mode, separator, encoding and the two
// clean-ups of the "Filter" group.
#pragma once

#include <string>

namespace importing {

// The items of "Delimiters:": "&Quote Comma", "&Tab", "&Comma + Quotes around text",
// "Standard CSV (RFC 4180)".
enum DelimiterMode { kQuoteComma = 0, kTab = 1, kCommaQuotes = 2, kStandardCsv = 3 };

enum class Encoding { Windows1252, Utf8 };

// The separators Standard CSV offers.
inline constexpr char kCsvSeparators[] = {',', ';', '\t', '|'};

struct FileFormat {
  int mode = kQuoteComma;
  char separator = ',';  // Standard CSV only
  Encoding encoding = Encoding::Windows1252;
  bool removeTrailingSpaces = false;  // "Remove trailing spaces (fixed field sizes)"
  bool removeQuotes = false;          // "Replace single quote with double quote"
};

// The texts around and between the fields of the first three modes: the quote that opens
// a line, the separator and the quote that closes a line.
struct Delimiters {
  std::string impQuoteOpen = "\"";
  std::string impSeparator = "\",\"";
  std::string impQuoteClose = "\"";

  // Sets all three for mode 0, 1 or 2; any other mode changes nothing.
  void select(int mode);
  static Delimiters forMode(int mode) {
    Delimiters d;
    d.select(mode);
    return d;
  }
};

// "Windows-1252", "UTF-8".
std::string encodingName(Encoding encoding);
// "Quote Comma", "Tab", "Comma + Quotes around text", "Standard CSV with ';'" ("with tab").
std::string modeName(const FileFormat& format);

}  // namespace importing
