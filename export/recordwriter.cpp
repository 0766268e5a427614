#include "export/recordwriter.h"

#include <algorithm>

#include "export/fieldvalues.h"
#include "platform/ansi.h"

namespace exporting {
namespace {

// Quote Comma and Tab: the record is one line framed by the format's texts; each value
// loses its line breaks and has its double quotes substituted.
class FramedWriter : public RecordWriter {
 public:
  FramedWriter(const ExportFormat& format, LineBreaks breaks) : format_(format), breaks_(breaks) {}

  void header(const std::vector<std::string>& names, std::string& out) const override {
    out += format_.record(names);
  }

  void record(const std::vector<std::string>& values, std::string& out) const override {
    // In Tab mode a TAB inside a value would start a column of its own and shift every
    // later one: it is written as a blank.
    bool tabs = format_.mode == DelimiterMode::Tab;
    out += format_.expQuoteOpen;
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (i) out += format_.expSeparator;
      if (breaks_ == LineBreaks::OneBlank || tabs) {
        std::string v = values[i];
        if (breaks_ == LineBreaks::OneBlank) {
          std::replace(v.begin(), v.end(), '\r', ' ');
          std::replace(v.begin(), v.end(), '\n', ' ');
        }
        if (tabs) std::replace(v.begin(), v.end(), '\t', ' ');
        out += stripquotes(v, format_.quoteSubstitute);
      } else {
        out += stripquotes(values[i], format_.quoteSubstitute);
      }
    }
    out += format_.expQuoteClose;
    out += format_.expLineEnd;
  }

 private:
  ExportFormat format_;
  LineBreaks breaks_;
};

// Standard CSV: the header and the data alike.
class CsvWriter : public RecordWriter {
 public:
  explicit CsvWriter(const ExportFormat& format)
      : separator_(format.csvSeparator), lineEnd_(format.expLineEnd) {}

  void header(const std::vector<std::string>& names, std::string& out) const override {
    record(names, out);
  }

  void record(const std::vector<std::string>& values, std::string& out) const override {
    // A record of one empty field is written as "" so that it is no blank line, which
    // readers may pass over.
    if (values.size() == 1 && values[0].empty()) {
      out += "\"\"";
    } else {
      for (std::size_t i = 0; i < values.size(); ++i) {
        if (i) out += separator_;
        appendCsvField(values[i], separator_, lineEnd_, out);
      }
    }
    out += lineEnd_;
  }

 private:
  char separator_;
  std::string lineEnd_;
};

}  // namespace

std::unique_ptr<RecordWriter> makeRecordWriter(const ExportFormat& format, LineBreaks breaks) {
  if (format.mode == DelimiterMode::StandardCsv) return std::make_unique<CsvWriter>(format);
  return std::make_unique<FramedWriter>(format, breaks);
}

void appendCsvField(std::string_view value, char separator, std::string_view lineEnd,
                    std::string& out) {
  bool quoted = value.find_first_of("\"\r\n") != std::string_view::npos ||
                value.find(separator) != std::string_view::npos;
  if (!quoted) {
    out += value;
    return;
  }
  out += '"';
  for (std::size_t i = 0; i < value.size(); ++i) {
    char c = value[i];
    if (c == '"') {
      out += "\"\"";
    } else if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < value.size() && value[i + 1] == '\n') ++i;
      out += lineEnd;
    } else {
      out += c;
    }
  }
  out += '"';
}

std::string_view TextEncoder::preamble() const {
  return encoding_ == Encoding::Utf8WithMark ? std::string_view("\xEF\xBB\xBF") : "";
}

std::string_view TextEncoder::encode(std::string_view utf8) {
  if (encoding_ != Encoding::Windows1252) return utf8;
  bool ascii = std::all_of(utf8.begin(), utf8.end(),
                           [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (ascii) return utf8;
  buf_ = platform::toAnsi(platform::fromUtf8(utf8));
  // No character but "?" itself and the ones the code page lacks becomes "?".
  unmappable_ +=
      std::count(buf_.begin(), buf_.end(), '?') - std::count(utf8.begin(), utf8.end(), '?');
  return buf_;
}

}  // namespace exporting
