#include "platform/inputfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

InputFile::~InputFile() {
  close();
}

bool InputFile::open(const std::string& utf8Path) {
  close();
  error_.clear();
  path_ = utf8Path;
  if (utf8Path.empty()) {
    error_ = "No file name given";
    return false;
  }
  int fd = ::open(utf8Path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    fail("Cannot open");
    return false;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    fail("Cannot open");
    ::close(fd);
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    error_ = "Cannot open " + utf8Path + ": " +
             (S_ISDIR(st.st_mode) ? "it is a folder" : "it is not a regular file");
    ::close(fd);
    return false;
  }
  // Reads of a regular file never block; the flag only kept a FIFO from hanging the open.
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  fd_ = fd;
  size_ = static_cast<std::uint64_t>(st.st_size);
  return true;
}

void InputFile::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  size_ = 0;
}

long InputFile::fail(const char* what) {
  error_ = std::string(what) + " " + path_ + ": " + std::strerror(errno);
  return -1;
}

long InputFile::read(char* buffer, std::size_t capacity) {
  if (fd_ < 0) return -1;
  for (;;) {
    ssize_t n = ::read(fd_, buffer, capacity);
    if (n >= 0) return static_cast<long>(n);
    if (errno != EINTR) return fail("Cannot read");
  }
}

bool InputFile::readUpTo(std::size_t max, std::string& out) {
  out.assign(max, '\0');
  std::size_t got = 0;
  while (got < max) {
    long n = read(out.data() + got, max - got);
    if (n < 0) return false;
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  out.resize(got);
  return true;
}

long InputFile::readAt(std::uint64_t offset, char* buffer, std::size_t capacity) {
  if (fd_ < 0) return -1;
  for (;;) {
    ssize_t n = ::pread(fd_, buffer, capacity, static_cast<off_t>(offset));
    if (n >= 0) return static_cast<long>(n);
    if (errno != EINTR) return fail("Cannot read");
  }
}

}  // namespace platform
