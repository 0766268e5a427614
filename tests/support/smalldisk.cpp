#include "tests/support/smalldisk.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

extern char** environ;

namespace testing_support {
namespace {

// Runs a program quietly; true when it exits with 0.
bool runQuietly(std::vector<std::string> args) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return false;
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

std::unique_ptr<SmallDisk> SmallDisk::mount(Kind kind, std::size_t kib) {
  if (::geteuid() != 0) return nullptr;
  std::unique_ptr<SmallDisk> disk(new SmallDisk);
  disk->mountPoint_ = disk->dir_.file("mnt");
  if (::mkdir(disk->mountPoint_.c_str(), 0755) != 0) return nullptr;
  if (kind == Kind::Tmpfs) {
    std::string options = "size=" + std::to_string(kib) + "k,mode=0755";
    if (::mount("tmpfs", disk->mountPoint_.c_str(), "tmpfs", 0, options.c_str()) != 0) {
      return nullptr;
    }
  } else {
    std::string image = disk->dir_.file("disk.img");
    int fd = ::open(image.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0) return nullptr;
    bool sized = ::ftruncate(fd, static_cast<off_t>(kib) * 1024) == 0;
    ::close(fd);
    if (!sized) return nullptr;
    if (!runQuietly({"mkfs.ext4", "-q", "-F", "-b", "1024", "-m", "0", image})) return nullptr;
    if (!runQuietly({"mount", "-o", "loop", image, disk->mountPoint_})) return nullptr;
  }
  disk->mounted_ = true;
  return disk;
}

SmallDisk::~SmallDisk() {
  if (mounted_ && ::umount2(mountPoint_.c_str(), 0) != 0) {
    ::umount2(mountPoint_.c_str(), MNT_DETACH);
  }
}

void SmallDisk::fill(std::size_t leaveKiB) {
  std::string filler = file("filler");
  int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
  if (fd < 0) return;
  std::vector<char> block(1024, 'x');
  while (::write(fd, block.data(), block.size()) > 0) {
  }
  ::fsync(fd);
  struct stat st {};
  ::fstat(fd, &st);
  off_t keep = st.st_size - static_cast<off_t>(leaveKiB) * 1024;
  if (keep < 0) keep = 0;
  ::ftruncate(fd, keep);
  ::fsync(fd);
  ::close(fd);
}

void SmallDisk::freeSpace() {
  ::unlink(file("filler").c_str());
  ::sync();
}

bool SmallDisk::makeReadOnly() {
  return ::mount(nullptr, mountPoint_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

}  // namespace testing_support
