#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/textfile.h"
#include "tests/support/testsupport.h"

using testing_support::TempDir;

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
