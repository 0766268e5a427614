#include "export/format.h"

namespace exporting {

void ExportFormat::setDelimiters(int item) {
  if (item == 0) {
    expQuoteOpen = "\"";
    expSeparator = "\",\"";
    expQuoteClose = "\"";
  } else if (item == 1) {
    expQuoteOpen.clear();
    expSeparator = "\t";
    expQuoteClose.clear();
  }
}

void ExportFormat::setLineEnd(int item) {
  if (item == 0) expLineEnd = "\r\n";
  if (item == 1) expLineEnd = "\n";
}

void ExportFormat::setQuoteSubstitute(int item) {
  if (item == 0) quoteSubstitute = "\"";
  if (item == 1) quoteSubstitute.clear();
  if (item == 2) quoteSubstitute = "'";
}

std::string ExportFormat::record(const std::vector<std::string>& fields) const {
  std::string out = expQuoteOpen;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i) out += expSeparator;
    out += fields[i];
  }
  return out + expQuoteClose + expLineEnd;
}

std::string MakeSample(const std::vector<std::string>& fields, const ExportFormat& format,
                       int lineEndItem) {
  if (fields.empty()) return "Please choose export fields.";
  std::string joint = format.expSeparator == "\t" ? "<TAB>" : format.expSeparator;
  std::string out = format.expQuoteOpen + fields[0];
  for (std::size_t i = 1; i < fields.size(); ++i) out += joint + fields[i];
  out += format.expQuoteClose;
  if (lineEndItem == 0) out += "<CR><LF>";
  if (lineEndItem == 1) out += "<LF>";
  return out;
}

}  // namespace exporting
