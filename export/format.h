// The record layout of an export file: framing, separator, line end and the quote
// substitute, as the Export page's radio groups set them.
#pragma once

#include <string>
#include <vector>

namespace exporting {

struct ExportFormat {
  std::string expQuoteOpen = "\"";
  std::string expSeparator = "\",\"";
  std::string expQuoteClose = "\"";
  std::string expLineEnd = "\r\n";
  // Starts as the double quote, as the "No change" item shown at start says.
  std::string quoteSubstitute = "\"";

  // "&Delimiters": 0 Quote Comma, 1 Tab. Other items change nothing.
  void setDelimiters(int item);
  // "End of &Line": 0 CR / LF, 1 LF.
  void setLineEnd(int item);
  // "Quote Substitute": 0 No change, 1 Remove Quote, 2 Replace quote with single quote.
  void setQuoteSubstitute(int item);

  // One record: the framing around the fields joined by the separator, then the line end.
  std::string record(const std::vector<std::string>& fields) const;
};

// The header record with its invisible characters spelled out, as the sample line
// shows it: "<TAB>" for a TAB separator, then "<CR><LF>" (end-of-line item 0) or
// "<LF>" (item 1). Without fields: "Please choose export fields.".
std::string MakeSample(const std::vector<std::string>& fields, const ExportFormat& format,
                       int lineEndItem);

}  // namespace exporting
