#include "import/linereader.h"

#include "platform/textfile.h"

namespace importing {
namespace {

// The raw text of field `index` in the first two modes; `past` is set when the line has
// fewer fields.
std::string rawQuotedOrTab(std::string line, int index, const Delimiters& state,
                           const ProcessMessages& processMessages, bool& past) {
  const std::string& sep = state.impSeparator;
  // Without a closing quote the line gets one as its end marker.
  if (state.impQuoteClose.empty()) line.push_back('"');
  std::size_t start = 0;
  for (int k = 0; k < index; ++k) {
    if (processMessages) processMessages();
    std::size_t p = sep.empty() ? std::string::npos : line.find(sep, start);
    if (p == std::string::npos) {
      past = true;
      return {};
    }
    start = p + sep.size();
  }
  if (start >= line.size()) return {};
  std::string_view rest(line.data() + start, line.size() - start);
  if (std::size_t p = sep.empty() ? std::string::npos : rest.find(sep); p != std::string::npos) {
    return std::string(rest.substr(0, p));
  }
  if (!state.impQuoteClose.empty() &&
      rest.compare(0, state.impQuoteClose.size(), state.impQuoteClose) == 0) {
    return std::string(rest.substr(1));
  }
  // The last field runs to the end of the line, less its closing quote (or the end
  // marker), so a double quote inside it stays.
  std::size_t q = rest.rfind('"');
  if (q == std::string::npos || q == 0) return std::string(rest);
  return std::string(rest.substr(0, q));
}

// The raw text of field `index` in the third mode: a field that begins with a double
// quote runs to the closing quote that is followed by a comma or ends the line.
std::string rawCommaQuotes(const std::string& line, int index,
                           const ProcessMessages& processMessages, bool& past) {
  std::size_t pos = 0;
  const std::size_t end = line.size();
  for (int k = 0;; ++k) {
    if (pos > end) {
      past = true;
      return {};
    }
    std::string field;
    std::size_t next;
    if (pos < end && line[pos] == '"') {
      std::size_t q = pos + 1;
      while (q < end && !(line[q] == '"' && (q + 1 == end || line[q + 1] == ','))) ++q;
      if (q < end) {
        field = line.substr(pos + 1, q - pos - 1);
        next = q + 2;
      } else {
        field = line.substr(pos + 1);
        next = end + 1;
      }
    } else {
      std::size_t c = line.find(',', pos);
      if (c == std::string::npos) {
        field = line.substr(pos);
        next = end + 1;
      } else {
        field = line.substr(pos, c - pos);
        next = c + 1;
      }
    }
    if (k == index) return field;
    if (processMessages) processMessages();
    pos = next;
  }
}

}  // namespace

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

bool readFirstLine(const std::string& utf8Path, std::string& line) {
  platform::TextFileReader reader;
  return reader.open(utf8Path) && reader.readLine(line);
}

std::vector<std::string> readFieldNames(std::string line, Delimiters& state, int mode,
                                        const ProcessMessages& processMessages) {
  std::vector<std::string> names;
  if (!state.impQuoteOpen.empty() && !line.empty()) line.erase(0, 1);
  while (!line.empty()) {
    if (processMessages) processMessages();
    if (mode == kCommaQuotes && line[0] == '"') {
      line.erase(0, 1);
      state.impSeparator = "\",";
      state.impQuoteClose = "\"";
    }
    std::string name;
    std::size_t p;
    if (!state.impSeparator.empty() && (p = line.find(state.impSeparator)) != std::string::npos) {
      name = line.substr(0, p);
      line.erase(0, p + state.impSeparator.size());
    } else if (line.size() == 1) {
      line.clear();
    } else if (!state.impQuoteClose.empty() &&
               (p = line.find(state.impQuoteClose)) != std::string::npos) {
      name = line.substr(0, p);
      line.erase(0, p + state.impQuoteClose.size());
    } else {
      name = std::move(line);
      line.clear();
    }
    names.push_back(name.empty() ? kEmptyFieldName : name);
    if (mode == kCommaQuotes) {
      state.impSeparator = ",";
      state.impQuoteClose = "\"";
    }
  }
  return names;
}

std::string prepareLine(std::string line, int mode) {
  if (line.empty()) return line;
  // In the Tab mode a leading TAB ends an empty first field; taking it away would shift
  // every later field one column to the left.
  bool leadingTab = line[0] == '\t' && mode != kTab;
  bool leadingQuote = line[0] == '"' && mode != kCommaQuotes;
  if (leadingTab || leadingQuote) line.erase(0, 1);
  return line;
}

std::string extractfield(const std::string& line, int index, const Delimiters& state,
                         const LineOptions& options, const ProcessMessages& processMessages) {
  bool past = false;
  std::string field = options.delimiterMode() == kCommaQuotes
                          ? rawCommaQuotes(line, index, processMessages, past)
                          : rawQuotedOrTab(line, index, state, processMessages, past);
  if (past || field.empty()) return {};
  field.erase(0, field.find_first_not_of(' ') == std::string::npos ? field.size()
                                                                   : field.find_first_not_of(' '));
  if (options.removeTrailingSpaces()) {
    std::size_t last = field.find_last_not_of(' ');
    field.erase(last == std::string::npos ? 0 : last + 1);
  }
  if (options.removeQuotes()) std::erase(field, '"');
  if (!field.empty() && field.front() == '"') field.erase(0, 1);
  if (!field.empty() && field.back() == '"') field.pop_back();
  return field;
}

}  // namespace importing
