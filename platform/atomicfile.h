// Files replaced in one step: the bytes go to a temporary file in the target's folder,
// which takes the target's place only when everything was written. Until then the old
// file stays as it was, and a run that fails, is cancelled or is killed leaves nothing
// behind for good.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/textfile.h"  // IoError

namespace platform {

// One file being written. A symbolic link is followed: its target is replaced and the
// link stays a link. A target that is a device or a pipe (/dev/null, a FIFO) cannot be
// replaced and is written straight into.
//
// The temporary file is ".NAME.tmp-XXXXXX" beside the target, locked while it is
// written. A process killed half-way leaves it unlocked; the next open or
// removeStaleTemporaries for the same target removes it.
class AtomicFile {
 public:
  AtomicFile() = default;
  // An uncommitted file is discarded.
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Starts writing `utf8Path`. Throws IoError when the temporary file cannot be made
  // (a missing folder, no access, a folder of that name, an empty path).
  void open(const std::string& utf8Path);
  // Buffered; throws IoError naming the target.
  void write(std::string_view bytes);
  // Writes out what is buffered, gives the file the permissions of the file it
  // replaces (else the usual ones for a new file) and puts it in the target's place.
  // Throws IoError; the temporary file is gone either way and the old file untouched.
  void commit();
  // Drops what was written; the old file stays as it was.
  void discard() noexcept;

  bool isOpen() const { return fd_ >= 0; }
  // The temporary file while open; empty when writing straight into a device.
  const std::string& temporaryPath() const { return temp_; }

 private:
  void writeOut(const char* data, std::size_t size);
  void flushBuffer();
  [[noreturn]] void fail(const char* what, int err);

  int fd_ = -1;
  std::size_t written_ = 0;        // bytes written to fd_
  std::size_t writebackFrom_ = 0;  // where the bytes not yet sent on their way begin
  std::string shown_;              // the path as given, for messages
  std::string target_;             // the path written, links followed
  std::string temp_;
  std::string buf_;
};

// Replaces the file with `bytes` in one step (see AtomicFile).
void writeFileAtomically(const std::string& utf8Path, std::string_view bytes);

// Removes the temporary files of `utf8Path` that no running write holds (left by a
// process that was killed). Never raises.
void removeStaleTemporaries(const std::string& utf8Path) noexcept;

}  // namespace platform
