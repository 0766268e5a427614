// The record layout of an export file as the Export page's choices set it: the
// delimiter mode with its framing or separator, the line end, the quote substitute and
// the text encoding.
#pragma once

#include <string>
#include <vector>

namespace exporting {

// "&Delimiters" items.
enum class DelimiterMode : int {
  QuoteComma = 0,   // "a","b": quotes around the record and between fields
  Tab = 1,          // a<TAB>b
  StandardCsv = 2,  // RFC 4180: a field quoted only when it must be, quotes doubled
};

// The encodings offered, in the order of their items.
enum class Encoding : int {
  Windows1252 = 0,   // characters it lacks are written as "?"
  Utf8 = 1,          // every character kept
  Utf8WithMark = 2,  // UTF-8 after the byte-order mark, so that spreadsheets detect it
};

// The separators offered for Standard CSV, in the order of their items: comma,
// semicolon, tab, vertical bar.
inline constexpr char kCsvSeparators[] = {',', ';', '\t', '|'};

struct ExportFormat {
  DelimiterMode mode = DelimiterMode::QuoteComma;
  // Quote Comma and Tab: written before the first field, between two fields, after
  // the last. In Standard CSV they are empty, the separator and empty.
  std::string expQuoteOpen = "\"";
  std::string expSeparator = "\",\"";
  std::string expQuoteClose = "\"";
  std::string expLineEnd = "\r\n";
  // Replaces each double quote inside a value in Quote Comma and Tab. Starts as the
  // double quote, as the "No change" item shown at start says.
  std::string quoteSubstitute = "\"";
  char csvSeparator = ',';
  Encoding encoding = Encoding::Windows1252;

  // "&Delimiters": 0 Quote Comma, 1 Tab, 2 Standard CSV. Other items change nothing.
  void setDelimiters(int item);
  // The Standard CSV separator by its item in kCsvSeparators; others change nothing.
  void setCsvSeparator(int item);
  // "End of &Line": 0 CR / LF, 1 LF.
  void setLineEnd(int item);
  // "Quote Substitute": 0 No change, 1 Remove Quote, 2 Replace quote with single quote.
  void setQuoteSubstitute(int item);
  // The encoding by its item; others change nothing.
  void setEncoding(int item);

  // Quote Comma and Tab: one record, the framing around the fields joined by the
  // separator, then the line end; the texts are written as they stand.
  std::string record(const std::vector<std::string>& fields) const;
};

// The header record with its invisible characters spelled out, as the sample line
// shows it: "<TAB>" for a TAB separator, then "<CR><LF>" (end-of-line item 0) or
// "<LF>" (item 1). In Standard CSV the names are quoted where the file quotes them.
// Without fields: "Please choose export fields.".
std::string MakeSample(const std::vector<std::string>& fields, const ExportFormat& format,
                       int lineEndItem);

}  // namespace exporting
