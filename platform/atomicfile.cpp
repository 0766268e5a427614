#include "platform/atomicfile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>

namespace platform {
namespace {

constexpr std::size_t kBufferSize = 1 << 16;
// A large file's bytes start on their way to the disk each time this much more was
// written, so that the final fsync has only the last of them to wait for and does not
// freeze the caller at the end of a long run.
constexpr std::size_t kWritebackStep = std::size_t{8} << 20;
// Room for the temporary name's additions within the usual 255-byte name limit.
constexpr std::size_t kMaxStem = 200;
constexpr int kMaxLinks = 40;

std::string describe(const std::string& what, const std::string& path, int err) {
  return what + " " + path + ": " + std::strerror(err);
}

std::string folderOf(const std::string& path) {
  auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
  auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// ".NAME.tmp-": the temporary files of one target begin with it, followed by six
// characters that mkstemp chooses.
std::string temporaryPrefix(const std::string& target) {
  return "." + nameOf(target).substr(0, kMaxStem) + ".tmp-";
}

// The path a write of `path` replaces: symbolic links followed to the file they name,
// which need not exist yet. Returns false with errno set when the links cannot be read.
bool followLinks(std::string& path) {
  for (int hops = 0; hops < kMaxLinks; ++hops) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
    std::vector<char> link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
    for (;;) {
      ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
      if (n < 0) return false;
      if (static_cast<std::size_t>(n) < link.size()) {
        link.resize(static_cast<std::size_t>(n));
        break;
      }
      link.resize(link.size() * 2);
    }
    std::string to(link.begin(), link.end());
    path = !to.empty() && to[0] == '/' ? to : folderOf(path) + "/" + to;
  }
  errno = ELOOP;
  return false;
}

// The permission bits a new file gets: 0666 less the process's umask. Read from /proc
// where it can be, as setting the umask to read it would affect other threads.
mode_t newFileMode() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Umask:", 0) == 0) {
      return static_cast<mode_t>(0666 & ~std::stoul(line.substr(6), nullptr, 8));
    }
  }
  mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

bool writeAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

void syncFolder(const std::string& folder) {
  int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
}

// Removes the temporary files of `target` whose lock nobody holds.
void removeStaleOf(const std::string& target) {
  const std::string folder = folderOf(target);
  const std::string prefix = temporaryPrefix(target);
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  std::vector<std::string> names;
  while (const dirent* e = ::readdir(dir)) {
    std::string_view name = e->d_name;
    if (name.size() == prefix.size() + 6 && name.substr(0, prefix.size()) == prefix) {
      names.emplace_back(name);
    }
  }
  int dfd = ::dirfd(dir);
  for (const std::string& name : names) {
    int fd = ::openat(dfd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) continue;
    struct stat held {
    }, now{};
    // A writer holds its lock until the file is renamed or removed; a lock we get
    // belongs to a file whose writer is gone. The name must still be that file.
    if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        ::fstatat(dfd, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 && now.st_dev == held.st_dev &&
        now.st_ino == held.st_ino) {
      ::unlinkat(dfd, name.c_str(), 0);
    }
    ::close(fd);
  }
  ::closedir(dir);
}

}  // namespace

AtomicFile::~AtomicFile() {
  discard();
}

void AtomicFile::open(const std::string& utf8Path) {
  discard();
  shown_ = utf8Path;
  if (utf8Path.empty()) throw IoError("No file name given");
  target_ = utf8Path;
  if (!followLinks(target_)) throw IoError(describe("Cannot create", shown_, errno));
  if (nameOf(target_).empty()) throw IoError(describe("Cannot create", shown_, EISDIR));

  struct stat st {};
  if (::stat(target_.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) throw IoError(describe("Cannot create", shown_, EISDIR));
    // A file the user may not write is not replaced either.
    if (::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0) {
      throw IoError(describe("Cannot create", shown_, errno));
    }
    if (!S_ISREG(st.st_mode)) {
      // A device or a pipe: written into, as it cannot be replaced. A pipe that nobody
      // reads is refused rather than waited for.
      int fd = ::open(target_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
      if (fd < 0) throw IoError(describe("Cannot create", shown_, errno));
      ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
      fd_ = fd;
      buf_.reserve(kBufferSize);
      return;
    }
  }

  removeStaleOf(target_);
  const std::string stem = folderOf(target_) + "/" + temporaryPrefix(target_);
  for (int attempt = 0; attempt < 10; ++attempt) {
    std::string name = stem + "XXXXXX";
    int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) throw IoError(describe("Cannot create", shown_, errno));
    // Between mkostemp and the lock a cleaner may take the new file for a stale one;
    // then it is gone (or going) and another name is tried.
    struct stat own {};
    int locked = ::flock(fd, LOCK_EX | LOCK_NB);
    if ((locked == 0 || errno != EWOULDBLOCK) && ::fstat(fd, &own) == 0 && own.st_nlink > 0) {
      fd_ = fd;
      temp_ = std::move(name);
      buf_.reserve(kBufferSize);
      return;
    }
    ::close(fd);
  }
  throw IoError(describe("Cannot create", shown_, EEXIST));
}

void AtomicFile::fail(const char* what, int err) {
  discard();
  throw IoError(describe(what, shown_, err));
}

void AtomicFile::writeOut(const char* data, std::size_t size) {
  if (!writeAll(fd_, data, size)) fail("Cannot write", errno);
  written_ += size;
  if (!temp_.empty() && written_ - writebackFrom_ >= kWritebackStep) {
    // Only a hint to start writing back, which returns at once; the fsync at commit
    // still waits for every byte and reports a failure.
    (void)::sync_file_range(fd_, static_cast<off_t>(writebackFrom_),
                            static_cast<off_t>(written_ - writebackFrom_), SYNC_FILE_RANGE_WRITE);
    writebackFrom_ = written_;
  }
}

void AtomicFile::flushBuffer() {
  if (buf_.empty()) return;
  writeOut(buf_.data(), buf_.size());
  buf_.clear();
}

void AtomicFile::write(std::string_view bytes) {
  if (fd_ < 0) throw IoError("File not open for writing");
  if (buf_.size() + bytes.size() > kBufferSize) {
    flushBuffer();
    if (bytes.size() > kBufferSize) {
      writeOut(bytes.data(), bytes.size());
      return;
    }
  }
  buf_.append(bytes);
}

void AtomicFile::commit() {
  if (fd_ < 0) throw IoError("File not open for writing");
  flushBuffer();
  if (temp_.empty()) {
    int rc = ::close(fd_);
    int err = errno;
    fd_ = -1;
    if (rc != 0) throw IoError(describe("Cannot write", shown_, err));
    return;
  }
  // The file it replaces keeps its owner (when this process may give it) and mode.
  struct stat old {};
  mode_t mode = newFileMode();
  if (::stat(target_.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
    mode = old.st_mode & 07777;
    if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
      (void)!::fchown(fd_, old.st_uid, old.st_gid);
    }
  }
  if (::fchmod(fd_, mode) != 0) fail("Cannot write", errno);
  if (::fsync(fd_) != 0) fail("Cannot write", errno);
  if (::rename(temp_.c_str(), target_.c_str()) != 0) fail("Cannot write", errno);
  // The lock is held until the name is gone, so no cleaner takes the file meanwhile.
  ::close(fd_);
  fd_ = -1;
  temp_.clear();
  syncFolder(folderOf(target_));
}

void AtomicFile::discard() noexcept {
  if (fd_ >= 0) {
    if (!temp_.empty()) ::unlink(temp_.c_str());
    ::close(fd_);
  }
  fd_ = -1;
  temp_.clear();
  buf_.clear();
  written_ = writebackFrom_ = 0;
}

void writeFileAtomically(const std::string& utf8Path, std::string_view bytes) {
  AtomicFile file;
  file.open(utf8Path);
  file.write(bytes);
  file.commit();
}

void removeStaleTemporaries(const std::string& utf8Path) noexcept {
  try {
    std::string target = utf8Path;
    if (!target.empty() && followLinks(target)) removeStaleOf(target);
  } catch (...) {
    // Clean-up is best effort.
  }
}

}  // namespace platform
