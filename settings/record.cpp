#include "settings/record.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/atomicfile.h"

namespace settings {
namespace {

constexpr std::size_t kTextField = 256;
// The most of an extension block that is read; a settings file holds far less.
constexpr std::size_t kMaxExtension = 1 << 20;
// Lines of a damaged block described one by one; the rest are counted.
constexpr int kMaxLineProblems = 10;
constexpr std::string_view kExtensionEnd = "END";

// Byte offsets of the record's fields.
enum Offset : std::size_t {
  kSignatureAt = 0,
  kPage = 256,
  kABComboBox = 260,
  kCBquotereplace = 516,
  kCBtrailspace = 517,
  kCheckBox1 = 518,
  kDateRangeCheckBox = 519,
  kEdit1 = 520,
  kEdit2 = 776,
  kEdit3 = 1032,
  kIgnoreFirstLineCB = 1288,
  kImpABComboBox = 1289,
  kImpDateComboBox = 1545,
  kListBox1 = 1804,
  kListBox2 = 1808,
  kListBox3 = 1812,
  kListBox4 = 1816,
  kMaskEdit1 = 1820,
  kMaskEdit2 = 2076,
  kRadioGroup1 = 2332,
  kRadioGroup2 = 2336,
  kRadioGroup3 = 2340,
  kRadioGroup4 = 2344,
  kRadioGroup5 = 2348,
  kRadioGroup6 = 2352,
  kTimeRadioGroup = 2356,
};

void putText(std::string& out, std::size_t at, const std::string& text) {
  std::size_t n = text.size() < kTextField - 1 ? text.size() : kTextField - 1;
  out[at] = static_cast<char>(n);
  std::memcpy(&out[at + 1], text.data(), n);
}

void putInt(std::string& out, std::size_t at, std::int32_t v) {
  auto u = static_cast<std::uint32_t>(v);
  for (int i = 0; i < 4; ++i)
    out[at + static_cast<std::size_t>(i)] = static_cast<char>((u >> (8 * i)) & 0xFF);
}

std::string getText(std::string_view in, std::size_t at) {
  auto n = static_cast<unsigned char>(in[at]);
  return std::string(in.substr(at + 1, n));
}

std::int32_t getInt(std::string_view in, std::size_t at) {
  std::uint32_t u = 0;
  for (int i = 3; i >= 0; --i)
    u = (u << 8) | static_cast<unsigned char>(in[at + static_cast<std::size_t>(i)]);
  return static_cast<std::int32_t>(u);
}

// The length of the well-formed UTF-8 character at s[i], or 0 when there is none.
std::size_t utf8Length(std::string_view s, std::size_t i) {
  auto b = static_cast<unsigned char>(s[i]);
  if (b < 0x80) return 1;
  std::size_t n = 0;
  char32_t cp = 0, least = 0;
  if ((b & 0xE0) == 0xC0) {
    n = 2, cp = b & 0x1Fu, least = 0x80;
  } else if ((b & 0xF0) == 0xE0) {
    n = 3, cp = b & 0x0Fu, least = 0x800;
  } else if ((b & 0xF8) == 0xF0) {
    n = 4, cp = b & 0x07u, least = 0x10000;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    auto c = static_cast<unsigned char>(s[i + k]);
    if ((c & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (c & 0x3Fu);
  }
  if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

void appendHex(unsigned char b, std::string& out) {
  static const char kDigits[] = "0123456789ABCDEF";
  out += "\\x";
  out += kDigits[b >> 4];
  out += kDigits[b & 0xF];
}

// A key or value as it stands in its line; in a key "=" is escaped too, so that the
// first "=" of a line ends its key.
void appendEscaped(std::string_view text, bool key, std::string& out) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    auto b = static_cast<unsigned char>(c);
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (b < 0x20 || b == 0x7F || (key && c == '=')) {
      appendHex(b, out);
    } else if (b < 0x80) {
      out += c;
    } else if (std::size_t n = utf8Length(text, i); n > 0) {
      out.append(text.substr(i, n));
      i += n - 1;
    } else {
      appendHex(b, out);
    }
  }
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The text an escaped key or value stands for; false with the reason when an escape
// is none of the above.
bool unescape(std::string_view text, std::string& out, std::string& why) {
  out.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) {
      why = "a backslash at its end";
      return false;
    }
    switch (text[i]) {
      case '\\':
        out += '\\';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 't':
        out += '\t';
        break;
      case 'x': {
        int hi = i + 1 < text.size() ? hexDigit(text[i + 1]) : -1;
        int lo = i + 2 < text.size() ? hexDigit(text[i + 2]) : -1;
        if (hi < 0 || lo < 0) {
          why = "\\x without two hexadecimal digits";
          return false;
        }
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
        break;
      }
      default:
        why = std::string("an unknown escape \\") + text[i];
        return false;
    }
  }
  return true;
}

std::string escapedKey(std::string_view key) {
  std::string out;
  appendEscaped(key, true, out);
  return out;
}

// Reads the extension block `rest` (the bytes after the record) into `values`; what
// cannot be read is described in `problems`.
void readExtension(std::string_view rest, std::map<std::string, std::string>& values,
                   std::vector<std::string>& problems) {
  if (rest.empty()) return;
  auto lineAt = [&](std::size_t& pos, bool& ended) {
    std::size_t nl = rest.find('\n', pos);
    ended = nl != std::string_view::npos;
    std::string_view line = rest.substr(pos, ended ? nl - pos : std::string_view::npos);
    pos = ended ? nl + 1 : rest.size();
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
  };
  std::size_t pos = 0;
  bool lineEnded = false;
  std::string_view first = lineAt(pos, lineEnded);
  if (first != kExtensionSignature) {
    if (first.substr(0, 19) == "MARROWBY-EXTENSION ") {
      problems.push_back("The settings after the record are of another version (\"" +
                         std::string(first.substr(0, 40)) +
                         "\"); they were not read and keep their defaults.");
    } else {
      problems.push_back("The " + std::to_string(rest.size()) +
                         " bytes after the settings record are no Marrowby settings; they "
                         "were not read, and the choices they might hold keep their defaults.");
    }
    return;
  }
  int lineNo = 1, badLines = 0;
  bool finished = false;
  std::string key, value, why;
  while (pos < rest.size()) {
    std::string_view line = lineAt(pos, lineEnded);
    ++lineNo;
    if (line == kExtensionEnd) {
      finished = true;
      break;
    }
    std::string problem;
    std::size_t eq = line.find('=');
    if (!lineEnded) {
      problem = "is cut short";
    } else if (eq == std::string_view::npos) {
      problem = "holds no \"=\"";
    } else if (!unescape(line.substr(0, eq), key, why) ||
               !unescape(line.substr(eq + 1), value, why)) {
      problem = "holds " + why;
    } else if (key.empty()) {
      problem = "has no key";
    } else if (!values.emplace(key, value).second) {
      problem = "repeats the setting \"" + escapedKey(key) + "\" (the first is kept)";
    }
    if (!problem.empty() && ++badLines <= kMaxLineProblems) {
      problems.push_back("Line " + std::to_string(lineNo) + " of the settings after the record " +
                         problem + "; it was not read.");
    }
  }
  if (badLines > kMaxLineProblems) {
    problems.push_back(std::to_string(badLines - kMaxLineProblems) +
                       " more lines of the settings after the record were not read.");
  }
  if (!finished) {
    problems.push_back(
        "The settings after the record end early (the file was cut short); any that "
        "followed line " +
        std::to_string(lineNo) + " are lost and keep their defaults.");
  } else if (pos < rest.size()) {
    problems.push_back("The " + std::to_string(rest.size() - pos) +
                       " bytes after the end of the settings were not read.");
  }
}

}  // namespace

std::string encode(const SettingsRecord& r) {
  std::string out(kRecordSize, '\0');
  putText(out, kSignatureAt, r.signature);
  putInt(out, kPage, r.page);
  putText(out, kABComboBox, r.abComboBox);
  out[kCBquotereplace] = r.cbQuoteReplace ? 1 : 0;
  out[kCBtrailspace] = r.cbTrailSpace ? 1 : 0;
  out[kCheckBox1] = r.checkBox1 ? 1 : 0;
  out[kDateRangeCheckBox] = r.dateRangeCheckBox ? 1 : 0;
  putText(out, kEdit1, r.edit1);
  putText(out, kEdit2, r.edit2);
  putText(out, kEdit3, r.edit3);
  out[kIgnoreFirstLineCB] = r.ignoreFirstLine ? 1 : 0;
  putText(out, kImpABComboBox, r.impABComboBox);
  putText(out, kImpDateComboBox, r.impDateComboBox);
  putInt(out, kListBox1, r.listBox1);
  putInt(out, kListBox2, r.listBox2);
  putInt(out, kListBox3, r.listBox3);
  putInt(out, kListBox4, r.listBox4);
  putText(out, kMaskEdit1, r.maskEdit1);
  putText(out, kMaskEdit2, r.maskEdit2);
  putInt(out, kRadioGroup1, r.radioGroup1);
  putInt(out, kRadioGroup2, r.radioGroup2);
  putInt(out, kRadioGroup3, r.radioGroup3);
  putInt(out, kRadioGroup4, r.radioGroup4);
  putInt(out, kRadioGroup5, r.radioGroup5);
  putInt(out, kRadioGroup6, r.radioGroup6);
  putInt(out, kTimeRadioGroup, r.timeRadioGroup);
  if (!r.extension.empty()) {
    out += kExtensionSignature;
    out += '\n';
    for (const auto& [key, value] : r.extension) {
      appendEscaped(key, true, out);
      out += '=';
      appendEscaped(value, false, out);
      out += '\n';
    }
    out += kExtensionEnd;
    out += '\n';
  }
  return out;
}

DecodeResult decode(std::string_view in, SettingsRecord& r, std::vector<std::string>* problems) {
  if (in.size() < kRecordSize) return DecodeResult::TooShort;
  const std::size_t sigLen = std::strlen(kSignature);
  if (static_cast<unsigned char>(in[0]) != sigLen || in.compare(1, sigLen, kSignature) != 0) {
    return DecodeResult::WrongSignature;
  }
  SettingsRecord d;
  d.signature = getText(in, kSignatureAt);
  d.page = getInt(in, kPage);
  d.abComboBox = getText(in, kABComboBox);
  d.cbQuoteReplace = in[kCBquotereplace] != 0;
  d.cbTrailSpace = in[kCBtrailspace] != 0;
  d.checkBox1 = in[kCheckBox1] != 0;
  d.dateRangeCheckBox = in[kDateRangeCheckBox] != 0;
  d.edit1 = getText(in, kEdit1);
  d.edit2 = getText(in, kEdit2);
  d.edit3 = getText(in, kEdit3);
  d.ignoreFirstLine = in[kIgnoreFirstLineCB] != 0;
  d.impABComboBox = getText(in, kImpABComboBox);
  d.impDateComboBox = getText(in, kImpDateComboBox);
  d.listBox1 = getInt(in, kListBox1);
  d.listBox2 = getInt(in, kListBox2);
  d.listBox3 = getInt(in, kListBox3);
  d.listBox4 = getInt(in, kListBox4);
  d.maskEdit1 = getText(in, kMaskEdit1);
  d.maskEdit2 = getText(in, kMaskEdit2);
  d.radioGroup1 = getInt(in, kRadioGroup1);
  d.radioGroup2 = getInt(in, kRadioGroup2);
  d.radioGroup3 = getInt(in, kRadioGroup3);
  d.radioGroup4 = getInt(in, kRadioGroup4);
  d.radioGroup5 = getInt(in, kRadioGroup5);
  d.radioGroup6 = getInt(in, kRadioGroup6);
  d.timeRadioGroup = getInt(in, kTimeRadioGroup);
  std::vector<std::string> found;
  readExtension(in.substr(kRecordSize), d.extension, found);
  if (problems) *problems = std::move(found);
  r = std::move(d);
  return DecodeResult::Ok;
}

std::string joinList(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& item : items) {
    out += item;
    out += '\n';
  }
  return out;
}

std::vector<std::string> splitList(std::string_view value) {
  std::vector<std::string> items;
  std::size_t pos = 0;
  while (pos < value.size()) {
    std::size_t nl = value.find('\n', pos);
    if (nl == std::string_view::npos) nl = value.size();  // a last item without its end
    items.emplace_back(value.substr(pos, nl - pos));
    pos = nl + 1;
  }
  return items;
}

LoadResult loadFile(const std::string& utf8Path, SettingsRecord& record) {
  LoadResult result;
  auto cannot = [&](int err) {
    result.status = LoadStatus::CannotOpen;
    result.reason = std::strerror(err);
    return result;
  };
  // Not blocking: a pipe chosen by mistake is refused, not waited on.
  int fd = ::open(utf8Path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return cannot(errno);
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    int err = errno;
    ::close(fd);
    if (S_ISDIR(st.st_mode)) return cannot(EISDIR);
    if (st.st_mode != 0) {
      result.status = LoadStatus::CannotOpen;
      result.reason = "Not a regular file";
      return result;
    }
    return cannot(err);
  }
  result.size = static_cast<std::uint64_t>(st.st_size);
  std::string bytes(kRecordSize + kMaxExtension + 1, '\0');
  std::size_t got = 0;
  while (got < bytes.size()) {
    ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      int err = errno;
      ::close(fd);
      return cannot(err);
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  bytes.resize(got);
  const bool tooLarge = got > kRecordSize + kMaxExtension;
  if (tooLarge) bytes.resize(kRecordSize);
  switch (decode(bytes, record, &result.problems)) {
    case DecodeResult::TooShort:
      result.status = LoadStatus::TooShort;
      result.size = got;
      break;
    case DecodeResult::WrongSignature:
      result.status = LoadStatus::WrongSignature;
      break;
    case DecodeResult::Ok:
      if (tooLarge) {
        result.problems.push_back(
            "The file holds more after the settings record than settings take; that part was "
            "not read, and the choices it might hold keep their defaults.");
      }
      break;
  }
  return result;
}

void saveFile(const std::string& utf8Path, const SettingsRecord& record) {
  platform::writeFileAtomically(utf8Path, encode(record));
}

}  // namespace settings
