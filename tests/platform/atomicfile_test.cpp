#include "platform/atomicfile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "tests/platform/filetesting.h"
#include "tests/support/testsupport.h"

using platform::AtomicFile;
using platform::IoError;
using testing_support::listing;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

mode_t modeOf(const std::string& path) {
  struct stat st {};
  ::stat(path.c_str(), &st);
  return st.st_mode & 07777;
}

class ScopedUmask {
 public:
  explicit ScopedUmask(mode_t mask) : old_(::umask(mask)) {}
  ~ScopedUmask() { ::umask(old_); }

 private:
  mode_t old_;
};

}  // namespace

TEST(AtomicFile, ReplacesOnlyWhenCommitted) {
  TempDir dir;
  std::string path = dir.file("settings.mwb");
  platform::writeFileAtomically(path, "old");
  platform::writeFileAtomically(path, "new");
  EXPECT_EQ(readFile(path), "new");

  {
    AtomicFile f;
    f.open(path);
    f.write("half of it");
    EXPECT_EQ(listing(dir.path()).size(), 2u);  // the temporary file beside it
    EXPECT_EQ(f.temporaryPath().rfind(dir.file(".settings.mwb.tmp-"), 0), 0u);
  }  // never committed
  AtomicFile f;
  f.open(path);
  f.write("also dropped");
  f.discard();
  EXPECT_EQ(readFile(path), "new");
  EXPECT_EQ(listing(dir.path()), std::vector<std::string>{"settings.mwb"});

  // Paths that cannot be written; nothing is left either.
  for (const std::string& bad : {std::string(), dir.file("no/such/folder/x"), path + "/child",
                                 dir.path(), dir.path() + "/"}) {
    EXPECT_THROW(platform::writeFileAtomically(bad, "y"), IoError) << bad;
  }
  EXPECT_EQ(readFile(path), "new");
  EXPECT_EQ(listing(dir.path()), std::vector<std::string>{"settings.mwb"});

  // A name at the length limit still gets a temporary file beside it.
  std::string longName = dir.file(std::string(250, 'n'));
  platform::writeFileAtomically(longName, "long");
  EXPECT_EQ(readFile(longName), "long");
}

TEST(AtomicFile, AWriteThatFailsHalfWayLeavesTheOldFile) {
  TempDir dir;
  std::string path = dir.file("out.txt");
  writeFile(path, "earlier export");
  std::string message;
  {
    testing_support::FileSizeLimit limit(100 * 1024);
    AtomicFile f;
    f.open(path);
    try {
      for (int i = 0; i < 100; ++i) f.write(std::string(10000, 'x'));
      f.commit();
    } catch (const IoError& e) {
      message = e.what();
    }
  }
  EXPECT_EQ(message, "Cannot write " + path + ": File too large");
  EXPECT_EQ(readFile(path), "earlier export");
  EXPECT_EQ(listing(dir.path()), std::vector<std::string>{"out.txt"});
}

TEST(AtomicFile, KeepsPermissionsOrGivesTheUsualOnes) {
  TempDir dir;
  ScopedUmask mask(027);
  std::string fresh = dir.file("new.txt");
  platform::writeFileAtomically(fresh, "x");
  EXPECT_EQ(modeOf(fresh), 0640u);
  std::string kept = dir.file("kept.txt");
  writeFile(kept, "x");
  ::chmod(kept.c_str(), 0604);
  platform::writeFileAtomically(kept, "y");
  EXPECT_EQ(modeOf(kept), 0604u);
  if (::geteuid() != 0) {  // root may write any file
    ::chmod(kept.c_str(), 0444);
    EXPECT_THROW(platform::writeFileAtomically(kept, "z"), IoError);
    EXPECT_EQ(readFile(kept), "y");
  }
}

TEST(AtomicFile, WritesThroughSymbolicLinks) {
  TempDir dir;
  std::filesystem::create_directory(dir.file("real"));
  std::string target = dir.file("real/settings.mwb");
  writeFile(target, "old");
  ::chmod(target.c_str(), 0600);
  struct Case {
    std::string link, to;
  } cases[] = {
      {dir.file("absolute.mwb"), target},
      {dir.file("relative.mwb"), "real/settings.mwb"},
      {dir.file("chain.mwb"), "relative.mwb"},
  };
  for (const Case& c : cases) {
    std::filesystem::create_symlink(c.to, c.link);
    platform::writeFileAtomically(c.link, "through " + c.link);
    EXPECT_TRUE(std::filesystem::is_symlink(c.link));
    EXPECT_EQ(readFile(target), "through " + c.link);
    EXPECT_EQ(modeOf(target), 0600u);
  }
  // A link to a file not there yet creates that file.
  std::filesystem::create_symlink("real/later.mwb", dir.file("dangling.mwb"));
  platform::writeFileAtomically(dir.file("dangling.mwb"), "made");
  EXPECT_EQ(readFile(dir.file("real/later.mwb")), "made");
  EXPECT_TRUE(std::filesystem::is_symlink(dir.file("dangling.mwb")));
  // A loop of links is refused.
  std::filesystem::create_symlink("loop2", dir.file("loop1"));
  std::filesystem::create_symlink("loop1", dir.file("loop2"));
  EXPECT_THROW(platform::writeFileAtomically(dir.file("loop1"), "x"), IoError);
  EXPECT_EQ(listing(dir.file("real")), (std::vector<std::string>{"later.mwb", "settings.mwb"}));
}

TEST(AtomicFile, AKilledWriteIsCleanedUpLater) {
  TempDir dir;
  std::string path = dir.file("settings.mwb");
  writeFile(path, "old");
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    try {
      AtomicFile f;
      f.open(path);
      f.write(std::string(200000, 'x'));
      ::raise(SIGKILL);
    } catch (...) {
    }
    ::_exit(1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status));
  ASSERT_EQ(listing(dir.path()).size(), 2u);

  // A write that is still running keeps its file; the one of the killed process goes.
  AtomicFile running;
  running.open(dir.file("other.txt"));
  writeFile(dir.file(".settings.mwb.tmp-notours"), "a user's file of a similar name");
  platform::removeStaleTemporaries(path);
  std::string runningName = std::filesystem::path(running.temporaryPath()).filename().string();
  EXPECT_EQ(listing(dir.path()),
            (std::vector<std::string>{runningName, ".settings.mwb.tmp-notours", "settings.mwb"}));
  platform::removeStaleTemporaries(dir.file("other.txt"));
  AtomicFile second;
  second.open(dir.file("other.txt"));  // opening cleans up too
  EXPECT_EQ(listing(dir.path()).size(), 4u);
  running.commit();
  second.discard();
  EXPECT_EQ(readFile(path), "old");
  EXPECT_EQ(listing(dir.path()),
            (std::vector<std::string>{".settings.mwb.tmp-notours", "other.txt", "settings.mwb"}));
}

TEST(AtomicFile, DevicesAndPipesAreWrittenInto) {
  platform::writeFileAtomically("/dev/null", "discarded");
  AtomicFile full;
  full.open("/dev/full");
  full.write("x");
  try {
    full.commit();
    ADD_FAILURE() << "no error";
  } catch (const IoError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot write /dev/full: No space left on device");
  }
  // A pipe nobody reads is refused at once, not waited for.
  TempDir dir;
  ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);
  EXPECT_THROW(platform::writeFileAtomically(dir.file("pipe"), "x"), IoError);
}
