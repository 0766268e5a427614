#include "import/textsource.h"

#include <array>
#include <cstring>

#include "import/csv.h"

namespace importing {
namespace {

constexpr std::size_t kChunk = std::size_t{1} << 16;
constexpr char kCtrlZ = 26;

// Windows-1252 bytes 0x80 to 0x9F; 0 marks the five the code page leaves undefined, which
// stand for the control characters of the same number.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// The length of the valid UTF-8 sequence at `i`, or 0.
std::size_t utf8Length(std::string_view s, std::size_t i) {
  auto at = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char b = at(i);
  if (b < 0x80) return 1;
  std::size_t len;
  unsigned char lo = 0x80, hi = 0xBF;  // the range of the second byte
  if (b >= 0xC2 && b <= 0xDF) {
    len = 2;
  } else if (b >= 0xE0 && b <= 0xEF) {
    len = 3;
    if (b == 0xE0) lo = 0xA0;  // no overlong forms
    if (b == 0xED) hi = 0x9F;  // no surrogates
  } else if (b >= 0xF0 && b <= 0xF4) {
    len = 4;
    if (b == 0xF0) lo = 0x90;
    if (b == 0xF4) hi = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (i + len > s.size()) return 0;
  if (at(i + 1) < lo || at(i + 1) > hi) return 0;
  for (std::size_t k = 2; k < len; ++k) {
    if ((at(i + k) & 0xC0) != 0x80) return 0;
  }
  return len;
}

// The length of the UTF-8 sequence a byte starts, or 0 when none starts with it.
std::size_t leadLength(unsigned char b) {
  if (b < 0x80) return 1;
  if (b >= 0xC2 && b <= 0xDF) return 2;
  if (b >= 0xE0 && b <= 0xEF) return 3;
  if (b >= 0xF0 && b <= 0xF4) return 4;
  return 0;
}

std::string hexByte(unsigned char b) {
  static const char* digits = "0123456789ABCDEF";
  return std::string("0x") + digits[b >> 4] + digits[b & 15];
}

}  // namespace

std::string TextCheck::question(const std::string& path) const {
  return path + " does not look like a text file (" + reason + "). Import it anyway?";
}

TextCheck checkTextFile(const std::string& path) {
  TextCheck check;
  platform::InputFile file;
  if (!file.open(path)) {
    check.reason = file.error();
    return check;
  }
  std::string head;
  if (!file.readUpTo(kTextCheckBytes, head)) {
    check.reason = file.error();
    return check;
  }
  check.readable = true;
  std::size_t controls = 0;
  for (char ch : head) {
    auto b = static_cast<unsigned char>(ch);
    if (b == 0) {
      check.looksLikeText = false;
      check.reason = "it holds NUL bytes";
      return check;
    }
    // Tab, line ends, form feed and the old end-of-file mark belong in text files.
    if ((b < 0x20 && b != '\t' && b != '\n' && b != '\r' && b != '\f' && b != kCtrlZ) ||
        b == 0x7F) {
      ++controls;
    }
  }
  if (controls * 2 > head.size()) {
    check.looksLikeText = false;
    check.reason = "most of its first bytes are control characters";
  }
  return check;
}

void Utf8Scan::feed(std::string_view s) {
  std::size_t i = 0;
  if (!carry_.empty() && valid_) {
    while (carry_.size() < need_ && i < s.size()) carry_.push_back(s[i++]);
    if (carry_.size() < need_) return;
    valid_ = utf8Length(carry_, 0) == need_;
    carry_.clear();
  }
  const std::size_t n = s.size();
  while (valid_ && i < n) {
    // ASCII goes eight bytes at a time.
    constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
    std::uint64_t word;
    while (i + 8 <= n) {
      std::memcpy(&word, s.data() + i, 8);
      if (word & kHighBits) break;
      i += 8;
    }
    while (i < n && static_cast<unsigned char>(s[i]) < 0x80) ++i;
    if (i == n) break;
    nonAscii_ = true;
    std::size_t len = leadLength(static_cast<unsigned char>(s[i]));
    if (len == 0) {
      valid_ = false;
    } else if (i + len > n) {
      carry_.assign(s.substr(i));
      need_ = len;
      return;
    } else {
      valid_ = utf8Length(s, i) == len;
      i += len;
    }
  }
}

void Utf8Scan::finish() {
  if (!carry_.empty()) valid_ = false;
  carry_.clear();
}

bool decodeText(std::string_view bytes, Encoding encoding, std::string& out, std::string* problem) {
  out.clear();
  out.reserve(bytes.size());
  if (encoding == Encoding::Windows1252) {
    for (char ch : bytes) {
      auto b = static_cast<unsigned char>(ch);
      if (b == 0) continue;
      if (b < 0x80) {
        out.push_back(ch);
      } else if (b < 0xA0) {
        char16_t c = kHigh[b - 0x80];
        appendUtf8(out, c != 0 ? c : b);
      } else {
        appendUtf8(out, b);
      }
    }
    return true;
  }
  for (std::size_t i = 0; i < bytes.size();) {
    if (bytes[i] == '\0') {
      ++i;
      continue;
    }
    std::size_t len = utf8Length(bytes, i);
    if (len == 0) {
      if (problem) {
        *problem = "byte " + hexByte(static_cast<unsigned char>(bytes[i])) + " at column " +
                   std::to_string(i + 1) + " is not UTF-8 (is the file Windows-1252?)";
      }
      return false;
    }
    out.append(bytes.substr(i, len));
    i += len;
  }
  return true;
}

RecordReader::RecordReader(const FileFormat& format)
    : csv_(format.mode == kStandardCsv), separator_(format.separator) {}

bool RecordReader::open(const std::string& path) {
  if (!file_.open(path)) return false;
  end_ = file_.size();
  // A Ctrl-Z as the last byte is the old end-of-file mark, no part of the text.
  char last = 0;
  if (end_ > 0 && file_.readAt(end_ - 1, &last, 1) == 1 && last == kCtrlZ) --end_;
  char head[3] = {};
  if (end_ >= 3 && file_.readAt(0, head, 3) == 3 && std::string_view(head, 3) == kUtf8Mark) {
    mark_ = true;
  }
  buffer_.clear();
  pos_ = 0;
  consumed_ = read_ = 0;
  line_ = 1;
  failed_ = false;
  firstFields_ = 0;
  lookedPast_ = 0;
  return true;
}

bool RecordReader::fill() {
  if (failed_ || read_ >= end_) return false;
  buffer_.erase(0, pos_);
  pos_ = 0;
  std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, end_ - read_));
  std::size_t old = buffer_.size();
  buffer_.resize(old + want);
  long n = file_.readAt(read_, buffer_.data() + old, want);
  if (n < 0) {
    failed_ = true;
    buffer_.resize(old);
    return false;
  }
  buffer_.resize(old + static_cast<std::size_t>(n));
  read_ += static_cast<std::uint64_t>(n);
  if (n == 0) end_ = read_;  // the file got shorter since it was opened
  return n > 0;
}

bool RecordReader::next(Record& r) {
  Shape shape;
  if (!readOne(r, csv_, shape)) return false;
  if (!csv_) return true;
  if (r.lines > 1 && firstFields_ != 0 &&
      (shape.fields != firstFields_ || shape.strayQuotesLater)) {
    // A quote opened on the record's first line is closed only by one on a later line, or
    // never: the record has another number of fields than the first, or a later line's
    // quote neither doubles nor closes (the next record's opening quote, as a rule). The
    // first line is taken alone and reading goes on at the next. Each such record was
    // read past its first line for nothing; once that adds up to more than the file (and
    // a long record), such records are kept whole, so that reading stays linear.
    if (lookedPast_ >= end_ + kMaxRecordBytes) {
      r.quoteRunsOn = true;
      return true;
    }
    lookedPast_ += r.length;
    buffer_.clear();
    pos_ = 0;
    consumed_ = read_ = r.offset;
    line_ = r.line;
    if (!readOne(r, false, shape)) return false;
    r.brokenQuote = true;
    return true;
  }
  if (firstFields_ == 0 && (r.tooLong || !r.bytes.empty())) firstFields_ = shape.fields;
  return true;
}

bool RecordReader::readOne(Record& r, bool quoted, Shape& shape) {
  r.line = line_;
  r.lines = 1;
  r.offset = consumed_;
  r.bytes.clear();
  r.tooLong = false;
  r.unclosedQuote = false;
  r.brokenQuote = false;
  r.quoteRunsOn = false;
  if (consumed_ == 0 && mark_) {
    // The mark is no part of the first record's text, only of its bytes.
    while (buffer_.size() - pos_ < kUtf8Mark.size() && fill()) {
    }
    if (buffer_.size() - pos_ >= kUtf8Mark.size()) {
      pos_ += kUtf8Mark.size();
      consumed_ += kUtf8Mark.size();
    }
  }
  CsvCutter cutter(separator_);
  std::size_t straysOnFirstLine = 0;
  bool any = false;
  bool lastWasCr = false;  // inside a quoted field, CR LF is one line break
  auto take = [&](char c) {
    if (r.tooLong) return;
    if (r.bytes.size() >= kMaxRecordBytes) {
      r.tooLong = true;
      std::string().swap(r.bytes);
      return;
    }
    r.bytes.push_back(c);
  };
  for (;;) {
    if (pos_ >= buffer_.size() && !fill()) {
      if (failed_ || !any) return false;
      r.unclosedQuote = quoted && cutter.inQuotes();
      break;
    }
    any = true;
    char c = buffer_[pos_];
    if (c == '\r' || c == '\n') {
      if (quoted && cutter.inQuotes()) {
        if (r.lines == 1) straysOnFirstLine = cutter.strayQuotes();
        if (c == '\r' || !lastWasCr) ++line_, ++r.lines;
        lastWasCr = c == '\r';
        take(c);
        ++pos_;
        ++consumed_;
        continue;
      }
      ++pos_;
      ++consumed_;
      ++line_;
      if (c == '\r') {
        if (pos_ >= buffer_.size()) fill();
        if (pos_ < buffer_.size() && buffer_[pos_] == '\n') {
          ++pos_;
          ++consumed_;
        }
      }
      break;
    }
    lastWasCr = false;
    if (quoted) cutter.feed(c, nullptr);
    take(c);
    ++pos_;
    ++consumed_;
  }
  r.length = consumed_ - r.offset;
  shape.fields = cutter.fieldCount();
  shape.strayQuotesLater = r.lines > 1 && cutter.strayQuotes() > straysOnFirstLine;
  return true;
}

std::string rejectedPathFor(const std::string& importPath) {
  std::size_t slash = importPath.rfind('/');
  std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  std::size_t dot = importPath.rfind('.');
  // A dot that starts the name (".hidden") is no extension.
  if (dot == std::string::npos || dot <= nameStart) return importPath + ".rejected";
  return importPath.substr(0, dot) + ".rejected" + importPath.substr(dot);
}

RejectedFile::RejectedFile(std::string importPath, bool utf8Mark)
    : importPath_(std::move(importPath)),
      path_(rejectedPathFor(importPath_)),
      utf8Mark_(utf8Mark) {}

void RejectedFile::setHeader(const Record& header) {
  hasHeader_ = true;
  headerOffset_ = header.offset;
  headerLength_ = header.length;
}

void RejectedFile::start() {
  started_ = true;
  try {
    if (!source_.open(importPath_)) throw platform::IoError(source_.error());
    out_.create(path_);
    if (hasHeader_) {
      copy(headerOffset_, headerLength_);
    } else if (utf8Mark_) {
      out_.write(kUtf8Mark);  // so the file still says it is UTF-8
    }
  } catch (const std::exception& e) {
    error_ = e.what();
    out_.abandon();
  }
}

void RejectedFile::copy(std::uint64_t offset, std::uint64_t length) {
  std::string chunk(static_cast<std::size_t>(std::min<std::uint64_t>(length, kChunk)), '\0');
  while (length > 0) {
    std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(length, chunk.size()));
    long n = source_.readAt(offset, chunk.data(), want);
    if (n < 0) throw platform::IoError(source_.error());
    if (n == 0) throw platform::IoError("Cannot read " + importPath_ + ": it got shorter");
    out_.write(std::string_view(chunk.data(), static_cast<std::size_t>(n)));
    offset += static_cast<std::uint64_t>(n);
    length -= static_cast<std::uint64_t>(n);
  }
}

void RejectedFile::add(const Record& record) {
  if (!started_) start();
  if (!error_.empty()) return;
  try {
    copy(record.offset, record.length);
  } catch (const std::exception& e) {
    error_ = e.what();
    out_.abandon();
  }
}

bool RejectedFile::finish() {
  if (started_ && error_.empty()) {
    try {
      out_.close();
    } catch (const std::exception& e) {
      error_ = e.what();
    }
  }
  source_.close();
  return error_.empty();
}

}  // namespace importing
