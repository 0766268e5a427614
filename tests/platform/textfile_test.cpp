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

TEST(TextFileWriter, AtomicReplaceKeepsTheOldFileOnFailure) {
  TempDir dir;
  std::string path = dir.file("settings.mwb");
  platform::writeFileAtomically(path, "old");
  platform::writeFileAtomically(path, "new");
  EXPECT_EQ(testing_support::readFile(path), "new");
  EXPECT_THROW(platform::writeFileAtomically(dir.file("no/such/folder/x"), "y"), platform::IoError);
  // A file that cannot be replaced (its folder is read-only) stays as it was; root
  // ignores permissions, so a path whose folder is a file stands in.
  EXPECT_THROW(platform::writeFileAtomically(path + "/child", "y"), platform::IoError);
  EXPECT_EQ(testing_support::readFile(path), "new");
}
