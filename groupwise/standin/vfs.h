// The file layer the post office opens its files through: SQLite's "unix" layer with
// two additions.
// - Each part of the shared-memory index beside a post office (the -shm file) that
//   SQLite maps is given real blocks before SQLite uses it. SQLite only writes one byte
//   per 4 KiB page when it grows that file, so on a file system with smaller blocks the
//   rest of each page stays a hole that a full disk cannot fill, and SQLite's first
//   write to it through the mapping would kill the process with SIGBUS. A full disk
//   here is reported as SQLITE_FULL instead.
// - Tests can make writes to post office files fail, to see how the post office copes.
#pragma once

#include <optional>

namespace gw::standin {

// The name of the file layer, registered on first use.
const char* postOfficeVfs();

namespace faults {
// After `after` more writes to post office files succeed, every further write fails as
// a full disk does, until called again with nullopt.
void failWritesAfter(std::optional<long> after);
}  // namespace faults

}  // namespace gw::standin
