#include "import/format.h"

namespace importing {

void Delimiters::select(int mode) {
  switch (mode) {
    case kQuoteComma:
      impQuoteOpen = "\"";
      impSeparator = "\",\"";
      impQuoteClose = "\"";
      break;
    case kTab:
      impQuoteOpen.clear();
      impSeparator = "\t";
      impQuoteClose.clear();
      break;
    case kCommaQuotes:
      impQuoteOpen.clear();
      impSeparator = ",";
      impQuoteClose.clear();
      break;
    default:
      break;
  }
}

std::string encodingName(Encoding encoding) {
  return encoding == Encoding::Utf8 ? "UTF-8" : "Windows-1252";
}

std::string modeName(const FileFormat& format) {
  switch (format.mode) {
    case kTab:
      return "Tab";
    case kCommaQuotes:
      return "Comma + Quotes around text";
    case kStandardCsv:
      return format.separator == '\t' ? std::string("Standard CSV with tab")
                                      : std::string("Standard CSV with '") + format.separator + "'";
    default:
      return "Quote Comma";
  }
}

}  // namespace importing
