// Text files read line by line and written with explicit line ends, 8-bit as stored.
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

// Reads records: the text of a line before its first CR or LF. A line ends at the next
// LF (CR LF is one line end), so text after a lone CR up to the next LF is dropped; a
// Ctrl-Z byte ends the file.
class TextFileReader {
 public:
  TextFileReader() = default;
  ~TextFileReader();
  TextFileReader(const TextFileReader&) = delete;
  TextFileReader& operator=(const TextFileReader&) = delete;

  // False when the file cannot be opened for reading (a folder included).
  bool open(const std::string& utf8Path);
  // Reads the next record into `line`; at the end of the file the record is empty.
  // False on a read error.
  bool readLine(std::string& line);
  // True at the end of the data or at a Ctrl-Z.
  bool eof();
  void close();
  bool isOpen() const { return file_ != nullptr; }

 private:
  bool fill();
  int peekByte();  // -1 at the end, -2 on an error

  std::FILE* file_ = nullptr;
  std::string buf_;
  std::size_t pos_ = 0;
  bool error_ = false;
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
