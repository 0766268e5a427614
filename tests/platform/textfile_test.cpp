#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/textfile.h"
#include "tests/support/testsupport.h"

using platform::TextFileReader;
using testing_support::TempDir;

namespace {

std::vector<std::string> readAll(const std::string& bytes) {
  TempDir dir;
  testing_support::writeFile(dir.file("f.txt"), bytes);
  TextFileReader r;
  EXPECT_TRUE(r.open(dir.file("f.txt")));
  std::vector<std::string> lines;
  while (!r.eof()) {
    std::string line;
    EXPECT_TRUE(r.readLine(line));
    lines.push_back(line);
  }
  return lines;
}

}  // namespace

TEST(TextFileReader, SplitsRecordsAsLinesAreRead) {
  using V = std::vector<std::string>;
  struct Case {
    std::string bytes;
    V lines;
  } cases[] = {
      {"a\r\nb\r\n", V{"a", "b"}},
      {"a\nb", V{"a", "b"}},
      {"a\r\n\r\nb\n", V{"a", "", "b"}},
      {"a\rdropped\nb\n", V{"a", "b"}},  // after a lone CR the rest of the line is dropped
      {"a\n\x1A"
       "after\n",
       V{"a"}},  // Ctrl-Z ends the file
      {"a\x1A", V{"a"}},
      {"", V{}},
      {"\n", V{""}},
      {std::string("x\0y\n", 4), V{std::string("x\0y", 3)}},
      {"\xE9t\xE9\r\n", V{"\xE9t\xE9"}},
  };
  for (const Case& c : cases) EXPECT_EQ(readAll(c.bytes), c.lines) << c.bytes;
}

TEST(TextFileReader, ReadingAtTheEndGivesAnEmptyRecord) {
  TempDir dir;
  testing_support::writeFile(dir.file("f.txt"), "only\n");
  TextFileReader r;
  ASSERT_TRUE(r.open(dir.file("f.txt")));
  std::string line;
  ASSERT_TRUE(r.readLine(line));
  EXPECT_TRUE(r.eof());
  EXPECT_TRUE(r.readLine(line));
  EXPECT_EQ(line, "");
}

TEST(TextFileReader, LongLinesAcrossBuffers) {
  std::string big(200000, 'x');
  EXPECT_EQ(readAll(big + "\r\n" + big), (std::vector<std::string>{big, big}));
}

TEST(TextFileReader, RefusesMissingFilesAndFolders) {
  TempDir dir;
  TextFileReader r;
  EXPECT_FALSE(r.open(dir.file("missing.txt")));
  EXPECT_FALSE(r.open(dir.path()));
  EXPECT_FALSE(r.open(""));
}

TEST(TextFileWriter, WritesAndReportsFailures) {
  TempDir dir;
  platform::TextFileWriter w;
  w.create(dir.file("out.txt"));
  w.write("a\r\n");
  w.write(std::string(100000, 'b'));
  w.close();
  EXPECT_EQ(testing_support::readFile(dir.file("out.txt")), "a\r\n" + std::string(100000, 'b'));
  EXPECT_THROW(w.create(dir.file("missing/out.txt")), platform::IoError);
  EXPECT_THROW(w.create(dir.path()), platform::IoError);
  EXPECT_THROW(w.create(""), platform::IoError);
  // A full device: the failure surfaces at the latest when the file is closed.
  platform::TextFileWriter full;
  full.create("/dev/full");
  EXPECT_THROW(
      {
        full.write(std::string(1 << 20, 'x'));
        full.close();
      },
      platform::IoError);
}
