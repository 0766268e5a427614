#include "platform/inputfile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/support/testsupport.h"

using platform::InputFile;
using testing_support::TempDir;

TEST(InputFile, ReadsOnAndAtAnOffset) {
  TempDir dir;
  testing_support::writeFile(dir.file("f.txt"), "hello, world");
  InputFile f;
  ASSERT_TRUE(f.open(dir.file("f.txt")));
  EXPECT_EQ(f.size(), 12u);
  char buf[8];
  ASSERT_EQ(f.read(buf, 5), 5);
  EXPECT_EQ(std::string(buf, 5), "hello");
  ASSERT_EQ(f.readAt(7, buf, 8), 5);  // no further than the end
  EXPECT_EQ(std::string(buf, 5), "world");
  ASSERT_EQ(f.read(buf, 8), 7);  // reading on is not moved by readAt
  EXPECT_EQ(std::string(buf, 7), ", world");
  EXPECT_EQ(f.read(buf, 8), 0);
}

// Only regular files: a device or a pipe could be read for ever, or block the window.
TEST(InputFile, RefusesWhatIsNoRegularFile) {
  TempDir dir;
  ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);
  struct Case {
    std::string path, error;
  } cases[] = {
      {dir.file("missing.txt"), "Cannot open " + dir.file("missing.txt") + ": No such file"},
      {dir.path(), "Cannot open " + dir.path() + ": it is a folder"},
      {"/dev/zero", "Cannot open /dev/zero: it is not a regular file"},
      {dir.file("pipe"), "Cannot open " + dir.file("pipe") + ": it is not a regular file"},
      {"", "No file name given"},
  };
  for (const Case& c : cases) {
    InputFile f;
    EXPECT_FALSE(f.open(c.path));
    EXPECT_FALSE(f.isOpen());
    EXPECT_EQ(f.error().substr(0, c.error.size()), c.error);
  }
}
