#include "import/detect.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "import/csv.h"
#include "import/datetime.h"
#include "import/linereader.h"
#include "import/pairing.h"
#include "import/textsource.h"
#include "platform/inputfile.h"
#include "platform/oledate.h"

namespace importing {
namespace {

constexpr std::size_t kSampleRecords = 50;

// The records of the sample in Standard CSV with a separator: their bytes, a record
// running over line ends inside quotes. An unfinished last record is left out when the
// sample is cut from a longer file.
std::vector<std::string> csvRecords(std::string_view sample, char sep, bool cut) {
  std::vector<std::string> out;
  CsvCutter cutter(sep);
  std::string rec;
  for (std::size_t i = 0; i < sample.size() && out.size() < kSampleRecords; ++i) {
    char c = sample[i];
    if ((c == '\r' || c == '\n') && !cutter.inQuotes()) {
      if (c == '\r' && i + 1 < sample.size() && sample[i + 1] == '\n') ++i;
      out.push_back(std::move(rec));
      rec.clear();
      cutter = CsvCutter(sep);
      continue;
    }
    cutter.feed(c, nullptr);
    rec.push_back(c);
  }
  if (!rec.empty() && !cut && out.size() < kSampleRecords) out.push_back(std::move(rec));
  return out;
}

std::vector<std::string> physicalLines(std::string_view sample, bool cut) {
  std::vector<std::string> out;
  std::string line;
  for (std::size_t i = 0; i < sample.size() && out.size() < kSampleRecords; ++i) {
    char c = sample[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < sample.size() && sample[i + 1] == '\n') ++i;
      out.push_back(std::move(line));
      line.clear();
      continue;
    }
    line.push_back(c);
  }
  if (!line.empty() && !cut && out.size() < kSampleRecords) out.push_back(std::move(line));
  return out;
}

// The field count every non-empty record has, or 0 when they differ (or there are none).
std::size_t sameCount(const std::vector<std::string>& records, const FileFormat& format) {
  std::size_t count = 0;
  for (const std::string& r : records) {
    if (r.empty()) continue;
    std::size_t n = extractfields(r, format).size();
    if (count == 0) count = n;
    if (n != count) return 0;
  }
  return count;
}

// The count most records have, and how many have it.
std::pair<std::size_t, std::size_t> commonCount(const std::vector<std::string>& records,
                                                const FileFormat& format) {
  std::map<std::size_t, std::size_t> counts;
  for (const std::string& r : records) {
    if (!r.empty()) ++counts[extractfields(r, format).size()];
  }
  std::pair<std::size_t, std::size_t> best{0, 0};
  for (auto [n, k] : counts) {
    if (k > best.second || (k == best.second && n > best.first)) best = {n, k};
  }
  return best;
}

// Reads the file on from the sample to its end: UTF-8 when every byte of it is, and some
// byte is not ASCII. A file that cannot be read to its end is judged on what was read.
bool utf8File(platform::InputFile& file, std::string_view sample) {
  Utf8Scan scan;
  scan.feed(sample);
  std::string chunk(std::size_t{1} << 20, '\0');
  long n = 0;
  while (scan.valid() && (n = file.read(chunk.data(), chunk.size())) > 0) {
    scan.feed(std::string_view(chunk.data(), static_cast<std::size_t>(n)));
  }
  if (n == 0) scan.finish();
  return scan.utf8();
}

struct DateShape {
  std::string_view a, b, c;
  char sep;
};

bool digits(std::string_view s, std::size_t max) {
  return !s.empty() && s.size() <= max && std::all_of(s.begin(), s.end(), [](char ch) {
    return std::isdigit(static_cast<unsigned char>(ch));
  });
}

// Three groups of digits joined by one of / - . , perhaps followed by a blank and more.
bool dateShape(std::string_view f, DateShape& d) {
  std::size_t b = f.find_first_not_of(" \t\"");
  if (b == std::string_view::npos) return false;
  f = f.substr(b);
  f = f.substr(0, std::min(f.find_first_of(" \t\"T,"), f.size()));
  std::size_t p1 = f.find_first_of("/-.");
  if (p1 == std::string_view::npos) return false;
  d.sep = f[p1];
  std::size_t p2 = f.find(d.sep, p1 + 1);
  if (p2 == std::string_view::npos) return false;
  d.a = f.substr(0, p1);
  d.b = f.substr(p1 + 1, p2 - p1 - 1);
  d.c = f.substr(p2 + 1);
  return digits(d.a, 4) && digits(d.b, 2) && digits(d.c, 4);
}

int number(std::string_view s) {
  int v = 0;
  for (char c : s) v = v * 10 + (c - '0');
  return v;
}

bool plausible(std::string_view y, std::string_view m, std::string_view d) {
  if (y.size() != 2 && y.size() != 4) return false;
  int year = number(y);
  if (y.size() == 2) year += year < 30 ? 2000 : 1900;
  return platform::isValidDate(year, number(m), number(d));
}

// The one layout every date-shaped field allows, or -1. With a pairing, only the
// columns paired with a date field count.
int dateLayout(const std::vector<std::vector<std::string>>& rows,
               const std::vector<std::string>& pairing) {
  static const std::string kDateFields[] = {"Start Date", "End Date", "Start DateTime",
                                            "End DateTime", "Due Date"};
  std::map<char, int> seps;
  std::vector<DateShape> dates;
  for (const auto& fields : rows) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
      if (!pairing.empty() &&
          (i >= pairing.size() || std::find(std::begin(kDateFields), std::end(kDateFields),
                                            pairing[i]) == std::end(kDateFields))) {
        continue;
      }
      const std::string& f = fields[i];
      DateShape d;
      if (dateShape(f, d)) {
        dates.push_back(d);
        ++seps[d.sep];
      }
    }
  }
  if (dates.empty()) return -1;
  char sep = std::max_element(seps.begin(), seps.end(), [](auto& x, auto& y) {
               return x.second < y.second;
             })->first;
  bool orders[3] = {true, true, true};  // month/day/year, year/month/day, day/month/year
  for (const DateShape& d : dates) {
    if (d.sep != sep) continue;
    orders[0] = orders[0] && plausible(d.c, d.a, d.b);
    orders[1] = orders[1] && d.a.size() == 4 && plausible(d.a, d.b, d.c);
    orders[2] = orders[2] && plausible(d.c, d.b, d.a);
  }
  if (orders[0] + orders[1] + orders[2] != 1) return -1;
  int order = orders[0] ? 0 : orders[1] ? 1 : 2;
  int group = sep == '/' ? 0 : sep == '-' ? 1 : 2;
  return group * 3 + order;
}

bool looksLikeData(const std::string& f) {
  DateShape d;
  if (dateShape(f, d)) return true;
  std::size_t b = f.find_first_not_of(' ');
  return b != std::string::npos && std::isdigit(static_cast<unsigned char>(f[b])) &&
         f.find_first_not_of("0123456789.,:-/ +()") == std::string::npos;
}

}  // namespace

Detection detectFormat(const std::string& path, const std::vector<std::string>& destinationFields,
                       const FileFormat& base) {
  Detection det;
  det.format = base;
  platform::InputFile file;
  if (!file.open(path)) {
    det.error = file.error();
    return det;
  }
  std::string sample;
  if (!file.readUpTo(kDetectBytes, sample)) {
    det.error = file.error();
    return det;
  }
  det.readable = true;
  const bool cut = file.size() > sample.size();
  if (!cut && !sample.empty() && sample.back() == 26) sample.pop_back();  // Ctrl-Z
  det.utf8Mark = sample.starts_with(kUtf8Mark);
  // The encoding is the whole file's: the first letter that is not ASCII may come late.
  bool utf8 = det.utf8Mark || utf8File(file, sample);
  det.format.encoding = utf8 ? Encoding::Utf8 : Encoding::Windows1252;
  std::erase(sample, '\0');
  std::string_view text = sample;
  if (det.utf8Mark) text.remove_prefix(kUtf8Mark.size());

  // The delimiters: a Standard CSV separator that cuts every record alike, the most
  // fields first; then the Import page's own Quote Comma and Tab lines.
  FileFormat f = det.format;
  f.mode = kStandardCsv;
  std::size_t bestCount = 0;
  char bestSep = 0;
  for (char sep : kCsvSeparators) {
    f.separator = sep;
    std::size_t n = sameCount(csvRecords(text, sep, cut), f);
    if (n > 1 && n > bestCount) bestCount = n, bestSep = sep;
  }
  std::vector<std::string> lines = physicalLines(text, cut);
  FileFormat quoteComma = det.format, tab = det.format;
  quoteComma.mode = kQuoteComma;
  tab.mode = kTab;
  bool allQuoted = std::all_of(lines.begin(), lines.end(), [](const std::string& l) {
    return l.empty() || (l.front() == '"' && l.find_last_not_of(' ') != std::string::npos &&
                         l[l.find_last_not_of(' ')] == '"');
  });
  if (bestSep == '\t' && sameCount(lines, tab) > 1) {
    det.format.mode = kTab;
  } else if (bestSep != 0) {
    det.format.mode = kStandardCsv;
    det.format.separator = bestSep;
  } else if (allQuoted && sameCount(lines, quoteComma) > 1) {
    det.format.mode = kQuoteComma;
  } else if (sameCount(lines, tab) > 1) {
    det.format.mode = kTab;
  } else {
    // Records that differ: the separator most of them agree on.
    std::size_t most = 0;
    det.format.mode = kStandardCsv;
    det.format.separator = ',';
    for (char sep : kCsvSeparators) {
      f.separator = sep;
      auto [n, k] = commonCount(csvRecords(text, sep, cut), f);
      if (n > 1 && k > most) most = k, det.format.separator = sep;
    }
  }

  // The header, the pairing, and the dates of the records after it.
  std::vector<std::string> records =
      det.format.mode == kStandardCsv ? csvRecords(text, det.format.separator, cut) : lines;
  std::vector<std::vector<std::string>> rows;
  for (const std::string& r : records) {
    std::string decoded;
    if (!decodeText(r, det.format.encoding, decoded)) decodeText(r, Encoding::Windows1252, decoded);
    if (rows.empty()) det.header = fieldNames(decoded, det.format);
    if (!decoded.empty()) rows.push_back(extractfields(decoded, det.format));
  }
  if (!destinationFields.empty()) {
    det.pairing = pairByName(det.header, destinationFields);
    det.paired = pairedCount(det.pairing);
  }
  auto dataFields = [](const std::vector<std::string>& row) {
    return std::count_if(row.begin(), row.end(), looksLikeData);
  };
  det.headerLine =
      det.paired >= 2 || (rows.size() > 1 && dataFields(rows[0]) == 0 && dataFields(rows[1]) > 0);
  if (det.headerLine && !rows.empty()) rows.erase(rows.begin());
  det.dateMask = dateLayout(rows, det.pairing);

  det.summary = encodingName(det.format.encoding) + ", " + modeName(det.format);
  if (det.dateMask >= 0)
    det.summary += std::string(", dates ") + kDateMasks[static_cast<std::size_t>(det.dateMask)];
  if (!destinationFields.empty()) {
    det.summary += ", " + std::to_string(det.paired) + " of " + std::to_string(det.header.size()) +
                   " columns paired by name";
  }
  return det;
}

}  // namespace importing
