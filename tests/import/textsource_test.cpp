#include "import/textsource.h"

#include <gtest/gtest.h>

#include "tests/support/testsupport.h"

using namespace importing;
using testing_support::TempDir;
using testing_support::writeFile;
using V = std::vector<std::string>;
using namespace std::string_literals;

namespace {

struct Read {
  V records;
  std::vector<std::size_t> lines;
  std::string bytes;  // every record's bytes, copied by offset and length
};

Read readAll(const std::string& content, FileFormat format = {}) {
  TempDir dir;
  writeFile(dir.file("f.txt"), content);
  RecordReader reader(format);
  EXPECT_TRUE(reader.open(dir.file("f.txt")));
  Read out;
  Record r;
  while (reader.next(r)) {
    out.records.push_back(r.bytes);
    out.lines.push_back(r.line);
    out.bytes += content.substr(r.offset, r.length);
  }
  EXPECT_FALSE(reader.failed());
  return out;
}

FileFormat csv(char sep = ',') {
  FileFormat f;
  f.mode = kStandardCsv;
  f.separator = sep;
  return f;
}

}  // namespace

TEST(RecordReader, LineEndsAndTheEndOfTheFile) {
  struct Case {
    std::string bytes;
    V records;
  } cases[] = {
      {"a\r\nb\r\n", V{"a", "b"}},
      {"a\nb", V{"a", "b"}},
      {"a\r\n\r\nb\n", V{"a", "", "b"}},
      // A lone CR ends a line as CR LF and LF do.
      {"a\rb\rc", V{"a", "b", "c"}},
      {"a\r\rb\n\rc", V{"a", "", "b", "", "c"}},
      // A Ctrl-Z ends the file only as its last byte.
      {"a\nb\x1A", V{"a", "b"}},
      {"a\x1A"
       "b\n",
       V{"a\x1A"
         "b"}},
      {"", V{}},
      {"\n", V{""}},
      // NUL bytes stay in the bytes; decoding drops them.
      {std::string("x\0y\n", 4), V{std::string("x\0y", 3)}},
      // The UTF-8 mark is no part of the first record.
      {"\xEF\xBB\xBFName\r\nx\r\n", V{"Name", "x"}},
  };
  for (const Case& c : cases) {
    Read r = readAll(c.bytes);
    EXPECT_EQ(r.records, c.records) << c.bytes;
    // Offsets and lengths cover the file byte for byte, less a final Ctrl-Z.
    std::string whole = c.bytes;
    if (!whole.empty() && whole.back() == '\x1A') whole.pop_back();
    EXPECT_EQ(r.bytes, whole) << c.bytes;
  }
}

TEST(RecordReader, StandardCsvRecordsRunOverLineEndsInQuotes) {
  std::string content =
      "Subject,Description\r\n"
      "Lunch,\"first line\r\nsecond, \"\"quoted\"\"\nthird\"\r\n"
      "Next,plain\r\n"
      "5\" disk,\"a\rb\"\n"
      "last,\"never closed\nx\n";
  Read r = readAll(content, csv());
  EXPECT_EQ(r.records,
            (V{"Subject,Description", "Lunch,\"first line\r\nsecond, \"\"quoted\"\"\nthird\"",
               "Next,plain", "5\" disk,\"a\rb\"", "last,\"never closed\nx\n"}));
  // Each record knows the line it starts on.
  EXPECT_EQ(r.lines, (std::vector<std::size_t>{1, 2, 5, 6, 8}));
  EXPECT_EQ(r.bytes, content);

  TempDir dir;
  writeFile(dir.file("f.csv"), "a,\"open\nb\n");
  RecordReader reader(csv());
  ASSERT_TRUE(reader.open(dir.file("f.csv")));
  Record rec;
  ASSERT_TRUE(reader.next(rec));
  EXPECT_TRUE(rec.unclosedQuote);
  EXPECT_FALSE(reader.next(rec));
}

// A quote that a later line closes would swallow the lines between into one record; a
// record over line ends with a field count other than the first record's is taken apart:
// its first line alone, and reading goes on at the next. A real quoted line break stays.
TEST(RecordReader, AQuoteNotClosedOnItsLineBreaksOnlyThatLine) {
  std::string content =
      "Subject,Start Date,Place\r\n"
      "\"Unclosed quote,1/3/2026,Hall\r\n"
      "Dinner,1/4/2026,\"Caf\xE9\"\r\n"
      "Tea,1/5/2026,\"Room\r\n6\"\n"
      "Walk,\"1/6/2026\n"
      "Last,1/7/2026,Park";
  TempDir dir;
  writeFile(dir.file("f.csv"), content);
  RecordReader reader(csv());
  ASSERT_TRUE(reader.open(dir.file("f.csv")));
  struct Got {
    std::string bytes;
    std::size_t line;
    bool broken;
  };
  std::vector<Got> got;
  std::string covered;
  Record r;
  while (reader.next(r)) {
    got.push_back({r.bytes, r.line, r.brokenQuote});
    covered += content.substr(r.offset, r.length);
    EXPECT_FALSE(r.unclosedQuote || r.quoteRunsOn);
  }
  ASSERT_EQ(got.size(), 6u);
  EXPECT_EQ(got[1].bytes, "\"Unclosed quote,1/3/2026,Hall");
  EXPECT_TRUE(got[1].broken);
  EXPECT_EQ(got[2].bytes, "Dinner,1/4/2026,\"Caf\xE9\"");
  EXPECT_EQ(got[3].bytes, "Tea,1/5/2026,\"Room\r\n6\"");
  EXPECT_FALSE(got[3].broken);
  // Never closed: to the end of the file with one field too few.
  EXPECT_EQ(got[4].bytes, "Walk,\"1/6/2026");
  EXPECT_TRUE(got[4].broken);
  EXPECT_EQ(got[5].bytes, "Last,1/7/2026,Park");
  std::vector<std::size_t> lines;
  for (const Got& g : got) lines.push_back(g.line);
  EXPECT_EQ(lines, (std::vector<std::size_t>{1, 2, 3, 4, 6, 7}));
  EXPECT_EQ(covered, content);
}

// A file of lines that each open a quote no later line closes: taking each apart again
// would read the file once per line, so past a budget such records are kept whole.
TEST(RecordReader, ManyUnclosedQuotesAreReadInLinearTime) {
  std::string content = "a,b\n";
  for (int i = 0; i < 200000; ++i) content += "\"x\n";
  Read r = readAll(content, csv());
  EXPECT_EQ(r.bytes, content);
  EXPECT_GT(r.records.size(), 3u);
  EXPECT_LT(r.records.size(), 100u);
  EXPECT_EQ(r.records[1], "\"x");
}

TEST(Utf8Scan, PlainAsciiUtf8OrNeither) {
  struct Case {
    std::string bytes;
    bool valid, nonAscii;
  } cases[] = {
      {"", true, false},
      {"plain text, 0123456789 and more than eight bytes", true, false},
      {"Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \xE4\xB8\xAD", true, true},
      {"Caf\xE9", false, true},
      {"\xC0\xAF", false, true},          // an overlong form
      {"\xED\xA0\x80", false, true},      // a surrogate
      {"\xF4\x90\x80\x80", false, true},  // beyond U+10FFFF
      {"ab\xE2\x82", false, true},        // cut off at the end
      {"\xC3\xA9\xC3", false, true},
      {"\xC3\x41", false, true},
  };
  for (const Case& c : cases) {
    // Whole, and cut into two pieces at every place: a character may be cut anywhere.
    for (std::size_t cut = 0; cut <= c.bytes.size(); ++cut) {
      Utf8Scan scan;
      scan.feed(std::string_view(c.bytes).substr(0, cut));
      scan.feed(std::string_view(c.bytes).substr(cut));
      scan.finish();
      EXPECT_EQ(scan.valid(), c.valid) << c.bytes << " cut at " << cut;
      EXPECT_EQ(scan.nonAscii(), c.nonAscii) << c.bytes << " cut at " << cut;
    }
    Utf8Scan bytewise;
    for (char ch : c.bytes) bytewise.feed(std::string_view(&ch, 1));
    bytewise.finish();
    EXPECT_EQ(bytewise.valid(), c.valid) << c.bytes;
  }
}

// A line of 20 MB is set aside unread; memory stays bounded by the limit.
TEST(RecordReader, ALineOverTheLimitIsNotKept) {
  TempDir dir;
  std::string big(kMaxRecordBytes + 4 * 1024 * 1024, 'x');
  writeFile(dir.file("big.txt"), "first\r\n" + big + "\r\nlast\r\n");
  RecordReader reader(FileFormat{});
  ASSERT_TRUE(reader.open(dir.file("big.txt")));
  Record r;
  ASSERT_TRUE(reader.next(r));
  EXPECT_FALSE(r.tooLong);
  ASSERT_TRUE(reader.next(r));
  EXPECT_TRUE(r.tooLong);
  EXPECT_TRUE(r.bytes.empty());
  EXPECT_EQ(r.length, big.size() + 2);
  ASSERT_TRUE(reader.next(r));
  EXPECT_EQ(r.bytes, "last");
  EXPECT_EQ(r.line, 3u);
}

TEST(TextCheck, NulBytesOrControlCharactersAreNoText) {
  TempDir dir;
  struct Case {
    std::string bytes;
    bool text;
  } cases[] = {
      {"Subject,Start Date\r\nLunch,1/2/2026\r\n", true},
      {"\tTabbed\x0c\r\nend\x1A", true},
      {"", true},
      {std::string("PK\3\4\0\0", 6), false},
      {std::string("a\0b", 3), false},
      {"\x01\x02\x03\x04x", false},
      {std::string(5000, 'a') + std::string("\0", 1), true},  // past the first 4 KB
  };
  for (const Case& c : cases) {
    writeFile(dir.file("f"), c.bytes);
    TextCheck check = checkTextFile(dir.file("f"));
    EXPECT_TRUE(check.readable);
    EXPECT_EQ(check.looksLikeText, c.text) << c.bytes;
  }
  writeFile(dir.file("f"), std::string("a\0b", 3));
  EXPECT_EQ(checkTextFile(dir.file("f")).question("f"),
            "f does not look like a text file (it holds NUL bytes). Import it anyway?");
  TextCheck missing = checkTextFile(dir.file("missing"));
  EXPECT_FALSE(missing.readable);
  EXPECT_NE(missing.reason.find("No such file"), std::string::npos);
  EXPECT_FALSE(checkTextFile("/dev/zero").readable);
}

TEST(DecodeText, EncodingsAndNul) {
  std::string out, why;
  EXPECT_TRUE(decodeText("Ren\xE9\0e \x80\x81"s, Encoding::Windows1252, out));
  EXPECT_EQ(out,
            "Ren\xC3\xA9"
            "e \xE2\x82\xAC\xC2\x81");
  EXPECT_TRUE(decodeText("Ren\xC3\xA9\0e"s, Encoding::Utf8, out));
  EXPECT_EQ(out,
            "Ren\xC3\xA9"
            "e");
  EXPECT_FALSE(
      decodeText("Ren\xE9"
                 "e",
                 Encoding::Utf8, out, &why));
  EXPECT_EQ(why, "byte 0xE9 at column 4 is not UTF-8 (is the file Windows-1252?)");
  for (const char* bad : {"\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82"}) {
    EXPECT_FALSE(decodeText(bad, Encoding::Utf8, out)) << bad;
  }
}

TEST(RejectedFile, NamedBesideTheImportFile) {
  EXPECT_EQ(rejectedPathFor("/d/in.txt"), "/d/in.rejected.txt");
  EXPECT_EQ(rejectedPathFor("/d/contacts.2026.csv"), "/d/contacts.2026.rejected.csv");
  EXPECT_EQ(rejectedPathFor("/d.x/in"), "/d.x/in.rejected");
  EXPECT_EQ(rejectedPathFor("/d/.hidden"), "/d/.hidden.rejected");
}
