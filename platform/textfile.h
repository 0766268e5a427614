// Text files written with explicit line ends, 8-bit as stored.
#pragma once

#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>

namespace platform {

// A file that cannot be opened, read, written or closed.
class IoError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Buffered writer; every failure raises IoError.
class TextFileWriter {
 public:
  TextFileWriter() = default;
  ~TextFileWriter();
  TextFileWriter(const TextFileWriter&) = delete;
  TextFileWriter& operator=(const TextFileWriter&) = delete;

  // Creates the file, or empties an existing one. Throws IoError.
  void create(const std::string& utf8Path);
  void write(std::string_view text);
  // Writes what is buffered and closes; throws IoError if any of it failed.
  void close();
  // Closes without raising (after an earlier failure).
  void abandon() noexcept;
  bool isOpen() const { return file_ != nullptr; }

 private:
  void flushBuffer();

  std::FILE* file_ = nullptr;
  std::string path_;
  std::string buf_;
};

}  // namespace platform
