#include "export/format.h"

#include <iterator>

#include "export/recordwriter.h"

namespace exporting {

void ExportFormat::setDelimiters(int item) {
  if (item == 0) {
    mode = DelimiterMode::QuoteComma;
    expQuoteOpen = "\"";
    expSeparator = "\",\"";
    expQuoteClose = "\"";
  } else if (item == 1) {
    mode = DelimiterMode::Tab;
    expQuoteOpen.clear();
    expSeparator = "\t";
    expQuoteClose.clear();
  } else if (item == 2) {
    mode = DelimiterMode::StandardCsv;
    expQuoteOpen.clear();
    expSeparator = std::string(1, csvSeparator);
    expQuoteClose.clear();
  }
}

void ExportFormat::setCsvSeparator(int item) {
  if (item < 0 || item >= static_cast<int>(std::size(kCsvSeparators))) return;
  csvSeparator = kCsvSeparators[item];
  if (mode == DelimiterMode::StandardCsv) expSeparator = std::string(1, csvSeparator);
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

void ExportFormat::setEncoding(int item) {
  if (item >= 0 && item <= 2) encoding = static_cast<Encoding>(item);
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
  std::string out;
  if (format.mode == DelimiterMode::StandardCsv) {
    const char sep = format.csvSeparator;
    for (std::size_t i = 0; i < fields.size(); ++i) {
      if (i) out += sep == '\t' ? std::string("<TAB>") : std::string(1, sep);
      appendCsvField(fields[i], sep, "<CR><LF>", out);
    }
  } else {
    std::string joint = format.expSeparator == "\t" ? "<TAB>" : format.expSeparator;
    out = format.expQuoteOpen + fields[0];
    for (std::size_t i = 1; i < fields.size(); ++i) out += joint + fields[i];
    out += format.expQuoteClose;
  }
  if (lineEndItem == 0) out += "<CR><LF>";
  if (lineEndItem == 1) out += "<LF>";
  return out;
}

}  // namespace exporting
