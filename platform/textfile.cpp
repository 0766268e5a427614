#include "platform/textfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {
namespace {

constexpr std::size_t kBufferSize = 1 << 16;
constexpr char kCtrlZ = 26;

std::string describe(const std::string& what, const std::string& path, int err) {
  return what + " " + path + ": " + std::strerror(err);
}

}  // namespace

TextFileReader::~TextFileReader() {
  close();
}

bool TextFileReader::open(const std::string& utf8Path) {
  close();
  error_ = false;
  struct stat st {};
  if (utf8Path.empty() || ::stat(utf8Path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  file_ = std::fopen(utf8Path.c_str(), "rb");
  buf_.clear();
  pos_ = 0;
  return file_ != nullptr;
}

void TextFileReader::close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  buf_.clear();
  pos_ = 0;
}

bool TextFileReader::fill() {
  if (!file_ || error_) return false;
  buf_.erase(0, pos_);
  pos_ = 0;
  std::size_t old = buf_.size();
  buf_.resize(old + kBufferSize);
  std::size_t n = std::fread(buf_.data() + old, 1, kBufferSize, file_);
  buf_.resize(old + n);
  if (n == 0 && std::ferror(file_)) error_ = true;
  return n > 0;
}

int TextFileReader::peekByte() {
  if (pos_ >= buf_.size() && !fill()) return error_ ? -2 : -1;
  return static_cast<unsigned char>(buf_[pos_]);
}

bool TextFileReader::eof() {
  int b = peekByte();
  return b < 0 || b == kCtrlZ;  // a read error ends the file too
}

bool TextFileReader::readLine(std::string& line) {
  line.clear();
  if (!file_) return false;
  // The record: up to CR, LF, Ctrl-Z or the end.
  for (;;) {
    if (pos_ >= buf_.size() && !fill()) {
      return !error_;
    }
    std::size_t start = pos_;
    while (pos_ < buf_.size()) {
      char c = buf_[pos_];
      if (c == '\r' || c == '\n' || c == kCtrlZ) break;
      ++pos_;
    }
    line.append(buf_, start, pos_ - start);
    if (pos_ < buf_.size()) break;
  }
  char c = buf_[pos_];
  if (c == kCtrlZ) return true;
  // Skip to just past the next LF.
  for (;;) {
    int b = peekByte();
    if (b == -2) return false;
    if (b == -1 || b == kCtrlZ) return true;
    ++pos_;
    if (b == '\n') return true;
  }
}

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
