#include "platform/textfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {
namespace {

constexpr std::size_t kBufferSize = 1 << 16;

std::string describe(const std::string& what, const std::string& path, int err) {
  return what + " " + path + ": " + std::strerror(err);
}

}  // namespace

TextFileWriter::~TextFileWriter() {
  abandon();
}

void TextFileWriter::create(const std::string& utf8Path) {
  abandon();
  struct stat st {};
  if (utf8Path.empty()) throw IoError("No file name given");
  if (::stat(utf8Path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    throw IoError(describe("Cannot create", utf8Path, EISDIR));
  }
  file_ = std::fopen(utf8Path.c_str(), "wb");
  if (!file_) throw IoError(describe("Cannot create", utf8Path, errno));
  path_ = utf8Path;
  buf_.reserve(kBufferSize);
}

void TextFileWriter::flushBuffer() {
  if (buf_.empty()) return;
  if (std::fwrite(buf_.data(), 1, buf_.size(), file_) != buf_.size()) {
    int err = errno;
    buf_.clear();
    throw IoError(describe("Cannot write", path_, err));
  }
  buf_.clear();
}

void TextFileWriter::write(std::string_view text) {
  if (!file_) throw IoError("File not open for writing");
  if (buf_.size() + text.size() > kBufferSize) {
    flushBuffer();
    if (text.size() > kBufferSize) {
      if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) {
        throw IoError(describe("Cannot write", path_, errno));
      }
      return;
    }
  }
  buf_.append(text);
}

void TextFileWriter::close() {
  if (!file_) return;
  try {
    flushBuffer();
  } catch (...) {
    abandon();
    throw;
  }
  bool failed = std::fflush(file_) != 0 || std::ferror(file_);
  int err = errno;
  failed = std::fclose(file_) != 0 || failed;
  file_ = nullptr;
  if (failed) throw IoError(describe("Cannot write", path_, err));
}

void TextFileWriter::abandon() noexcept {
  if (file_) {
    if (!buf_.empty()) (void)std::fwrite(buf_.data(), 1, buf_.size(), file_);
    std::fclose(file_);
  }
  file_ = nullptr;
  buf_.clear();
}

}  // namespace platform
