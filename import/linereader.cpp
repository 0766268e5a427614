#include "import/linereader.h"

#include <algorithm>

#include "import/csv.h"

namespace importing {
namespace {

constexpr std::string_view kQuoteCommaSeparator = "\",\"";

// Finds a text in a line from positions that only grow; a search that failed is not
// made again, so the searches of a whole line take linear time.
class Finder {
 public:
  Finder(std::string_view line, std::string_view needle) : line_(line), needle_(needle) {}
  std::size_t find(std::size_t pos) {
    if (!searched_ || pos < from_ || (found_ != std::string_view::npos && found_ < pos)) {
      from_ = pos;
      found_ = line_.find(needle_, pos);
      searched_ = true;
    }
    return found_;
  }

 private:
  std::string_view line_, needle_;
  bool searched_ = false;
  std::size_t from_ = 0, found_ = 0;
};

std::string unDouble(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    out.push_back(s[i]);
    if (s[i] == '"' && i + 1 < s.size() && s[i + 1] == '"') ++i;
  }
  return out;
}

void clean(std::string& f, const FileFormat& format, bool trimLeading) {
  if (trimLeading) f.erase(0, std::min(f.find_first_not_of(' '), f.size()));
  if (format.removeTrailingSpaces) {
    std::size_t last = f.find_last_not_of(' ');
    f.erase(last == std::string::npos ? 0 : last + 1);
  }
  if (format.removeQuotes) std::erase(f, '"');
}

std::vector<std::string> quoteCommaFields(std::string_view rec) {
  std::vector<std::string> fields;
  std::size_t pos = 0;
  for (;;) {
    std::size_t p = rec.find(kQuoteCommaSeparator, pos);
    if (p == std::string_view::npos) break;
    fields.push_back(unDouble(rec.substr(pos, p - pos)));
    pos = p + kQuoteCommaSeparator.size();
  }
  // The last field runs to its closing quote, after which only blanks or a stray comma
  // may follow; without one it runs to the end.
  std::string_view last = rec.substr(pos);
  std::size_t q = last.rfind('"');
  if (q != std::string_view::npos &&
      last.find_first_not_of(" ,", q + 1) == std::string_view::npos) {
    last = last.substr(0, q);
  }
  fields.push_back(unDouble(last));
  return fields;
}

std::vector<std::string> tabFields(std::string_view rec) {
  std::vector<std::string> fields;
  std::size_t pos = 0;
  for (;;) {
    std::size_t p = rec.find('\t', pos);
    fields.emplace_back(rec.substr(pos, p == std::string_view::npos ? rec.npos : p - pos));
    if (p == std::string_view::npos) break;
    pos = p + 1;
  }
  return fields;
}

// "&Comma + Quotes around text". A quoted field ends at a quote followed by blanks and a
// comma or the end; a doubled quote is one quote. A lone quote inside it is text, but a
// comma after such a quote shows the field was never quoted in the first place: it then
// ends at its first comma with its quotes as text, as it does when no quote closes it.
std::vector<std::string> commaQuoteFields(std::string_view rec) {
  std::vector<std::string> fields;
  const std::size_t n = rec.size();
  std::size_t pos = 0;
  for (;;) {
    std::size_t t = rec.find_first_not_of(' ', pos);
    if (t != std::string_view::npos && rec[t] == '"') {
      std::string content;
      bool lone = false;
      std::size_t i = t + 1;
      std::size_t next = std::string_view::npos;  // where the next field starts
      bool closed = false, last = false;
      while (i < n) {
        char c = rec[i];
        if (c == '"') {
          if (i + 1 < n && rec[i + 1] == '"') {
            content.push_back('"');
            i += 2;
            continue;
          }
          std::size_t j = i + 1;
          while (j < n && rec[j] == ' ') ++j;
          if (j == n || rec[j] == ',') {
            closed = true;
            last = j == n;
            next = j + 1;
            break;
          }
          lone = true;
        } else if (c == ',' && lone) {
          break;
        }
        content.push_back(c);
        ++i;
      }
      if (closed) {
        fields.push_back(std::move(content));
        if (last) break;
        pos = next;
        continue;
      }
    }
    std::size_t c = rec.find(',', pos);
    fields.emplace_back(rec.substr(pos, c == std::string_view::npos ? rec.npos : c - pos));
    if (c == std::string_view::npos) break;
    pos = c + 1;
  }
  return fields;
}

std::vector<std::string> csvFields(std::string_view rec, char separator) {
  std::vector<std::string> fields;
  CsvCutter cutter(separator);
  for (char c : rec) cutter.feed(c, &fields);
  cutter.finish(&fields);
  return fields;
}

// The names of the first three modes, read as the Import page has always read them.
std::vector<std::string> lineModeNames(std::string_view line, int mode) {
  std::vector<std::string> names;
  const Delimiters d = Delimiters::forMode(mode);
  const std::string_view sep = d.impSeparator;
  Finder findSep(line, sep), findQuoteSep(line, "\","), findQuote(line, "\"");
  bool quoteCloses = !d.impQuoteClose.empty();
  std::size_t pos = !d.impQuoteOpen.empty() && !line.empty() ? 1 : 0;
  const std::size_t n = line.size();
  while (pos < n) {
    Finder* separator = &findSep;
    std::size_t sepSize = sep.size();
    if (mode == kCommaQuotes && line[pos] == '"') {
      ++pos;
      separator = &findQuoteSep;
      sepSize = 2;
      quoteCloses = true;
    }
    std::string_view name;
    std::size_t p = separator->find(pos);
    if (p != std::string_view::npos) {
      name = line.substr(pos, p - pos);
      pos = p + sepSize;
    } else if (n - pos == 1) {
      pos = n;  // a one-character remainder is an empty name
    } else if (quoteCloses && (p = findQuote.find(pos)) != std::string_view::npos) {
      name = line.substr(pos, p - pos);
      pos = p + 1;
    } else {
      name = line.substr(std::min(pos, n));
      pos = n;
    }
    names.emplace_back(name.empty() ? std::string_view(kEmptyFieldName) : name);
    if (mode == kCommaQuotes) quoteCloses = true;
  }
  return names;
}

}  // namespace

std::vector<std::string> fieldNames(std::string_view record, const FileFormat& format) {
  if (record.empty()) return {};
  if (format.mode != kStandardCsv) return lineModeNames(record, format.mode);
  std::vector<std::string> names = csvFields(record, format.separator);
  for (std::string& n : names) {
    if (n.empty()) n = kEmptyFieldName;
  }
  return names;
}

std::string_view prepareLine(std::string_view record, int mode) {
  if (mode == kStandardCsv) return record;
  // In the Tab mode a leading TAB ends an empty first field, and a leading quote is the
  // first field's own: it goes only with a closing one.
  if (mode == kTab) return record;
  if (!record.empty() && record[0] == '\t') record.remove_prefix(1);
  if (mode != kCommaQuotes && !record.empty() && record[0] == '"') record.remove_prefix(1);
  return record;
}

std::vector<std::string> extractfields(std::string_view record, const FileFormat& format) {
  std::string_view rec = prepareLine(record, format.mode);
  std::vector<std::string> fields;
  switch (format.mode) {
    case kTab:
      fields = tabFields(rec);
      break;
    case kCommaQuotes:
      fields = commaQuoteFields(rec);
      break;
    case kStandardCsv:
      fields = csvFields(rec, format.separator);
      break;
    default:
      fields = quoteCommaFields(rec);
      break;
  }
  for (std::string& f : fields) {
    clean(f, format, format.mode != kStandardCsv);
    // A tab-separated field may come with quotes around it; a quote at one end alone is
    // the value's own ("Interview: \"Senior Analyst\"").
    if (format.mode == kTab && f.size() >= 2 && f.front() == '"' && f.back() == '"') {
      f.pop_back();
      f.erase(0, 1);
    }
  }
  return fields;
}

}  // namespace importing
