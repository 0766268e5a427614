// A regular file opened for reading as bytes: read on from the start, or copy a range of
// it elsewhere. Devices, pipes and folders are refused, so a read always ends.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

class InputFile {
 public:
  InputFile() = default;
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // False when the file cannot be opened or is not a regular file; error() says why.
  bool open(const std::string& utf8Path);
  void close();
  bool isOpen() const { return fd_ >= 0; }
  const std::string& error() const { return error_; }
  // The size when it was opened.
  std::uint64_t size() const { return size_; }

  // Reads on from where the last read ended: the count read, 0 at the end, -1 on an
  // error (error() says which).
  long read(char* buffer, std::size_t capacity);
  // Reads on until `max` bytes are in `out` or the file ends; false on an error.
  bool readUpTo(std::size_t max, std::string& out);
  // Reads at an offset without moving the read position; same results as read.
  long readAt(std::uint64_t offset, char* buffer, std::size_t capacity);

 private:
  long fail(const char* what);

  int fd_ = -1;
  std::uint64_t size_ = 0;
  std::string path_;
  std::string error_;
};

}  // namespace platform
