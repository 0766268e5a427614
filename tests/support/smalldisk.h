// A small file system of a test's own, for what happens when a disk fills up or is
// read-only. It needs the right to mount (root); where the test may not mount, mount()
// gives null and the test skips.
#pragma once

#include <memory>
#include <string>

#include "tests/support/testsupport.h"

namespace testing_support {

class SmallDisk {
 public:
  enum class Kind {
    Ext4SmallBlocks,  // ext4 with 1 KiB blocks on a loop device, as on small USB disks
    Tmpfs,
  };
  // A file system of `kib` KiB, or null when this machine does not let the test mount
  // one.
  static std::unique_ptr<SmallDisk> mount(Kind kind, std::size_t kib);
  ~SmallDisk();
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;

  const std::string& path() const { return mountPoint_; }
  std::string file(const std::string& name) const { return mountPoint_ + "/" + name; }

  // Fills the file system with a filler file until `leaveKiB` KiB are left free (as
  // root sees it: the blocks reserved for root are filled too).
  void fill(std::size_t leaveKiB = 0);
  // Removes the filler file.
  void freeSpace();
  // Mounts the file system read-only in place; false when that failed.
  bool makeReadOnly();

 private:
  SmallDisk() = default;
  TempDir dir_;
  std::string mountPoint_;
  bool mounted_ = false;
};

}  // namespace testing_support
