#include "groupwise/standin/vfs.h"

#include <sqlite3.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <mutex>
#include <string>

namespace gw::standin {
namespace {

constexpr const char* kVfsName = "marrowby-postoffice";

sqlite3_vfs* g_unix = nullptr;

// -1: writes go through; otherwise the number of writes still allowed.
std::atomic<long> g_writesLeft{-1};

struct ShimFile {
  sqlite3_file base;
  sqlite3_file* real;  // the unix layer's file, stored right after this struct
};

sqlite3_file* real(sqlite3_file* f) {
  return reinterpret_cast<ShimFile*>(f)->real;
}

bool writeRefused() {
  long left = g_writesLeft.load();
  while (left > 0) {
    if (g_writesLeft.compare_exchange_weak(left, left - 1)) return false;
  }
  return left == 0;
}

// Makes the file behind a mapped part of the -shm file take real blocks, as a write to
// each page would, but reports a full disk instead of raising SIGBUS. Another open
// descriptor of the file cannot be used for this: closing it would drop the locks
// SQLite holds on the file. 0 or the error number; 0 also where the system cannot do
// it (SQLite then behaves as it always did).
int populateShm(volatile void* mapped, int size) {
  static const auto kPage = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  auto begin = reinterpret_cast<std::uintptr_t>(mapped) & ~(kPage - 1);
  auto end = reinterpret_cast<std::uintptr_t>(mapped) + static_cast<std::uintptr_t>(size);
  if (::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE) == 0) return 0;
  return errno == EINVAL ? 0 : errno;
}

int xClose(sqlite3_file* f) {
  sqlite3_file* r = real(f);
  int rc = r->pMethods ? r->pMethods->xClose(r) : SQLITE_OK;
  f->pMethods = nullptr;
  return rc;
}
int xRead(sqlite3_file* f, void* buf, int amount, sqlite3_int64 offset) {
  return real(f)->pMethods->xRead(real(f), buf, amount, offset);
}
// A write the system refused for want of space, or past the file-size limit.
bool noSpace(int rc) {
  return (rc & 0xff) == SQLITE_IOERR && (errno == ENOSPC || errno == EDQUOT || errno == EFBIG);
}

int xWrite(sqlite3_file* f, const void* buf, int amount, sqlite3_int64 offset) {
  if (writeRefused()) return SQLITE_FULL;
  errno = 0;
  int rc = real(f)->pMethods->xWrite(real(f), buf, amount, offset);
  return noSpace(rc) ? SQLITE_FULL : rc;
}
int xTruncate(sqlite3_file* f, sqlite3_int64 size) {
  return real(f)->pMethods->xTruncate(real(f), size);
}
int xSync(sqlite3_file* f, int flags) {
  return real(f)->pMethods->xSync(real(f), flags);
}
int xFileSize(sqlite3_file* f, sqlite3_int64* size) {
  return real(f)->pMethods->xFileSize(real(f), size);
}
int xLock(sqlite3_file* f, int level) {
  return real(f)->pMethods->xLock(real(f), level);
}
int xUnlock(sqlite3_file* f, int level) {
  return real(f)->pMethods->xUnlock(real(f), level);
}
int xCheckReservedLock(sqlite3_file* f, int* out) {
  return real(f)->pMethods->xCheckReservedLock(real(f), out);
}
int xFileControl(sqlite3_file* f, int op, void* arg) {
  return real(f)->pMethods->xFileControl(real(f), op, arg);
}
int xSectorSize(sqlite3_file* f) {
  return real(f)->pMethods->xSectorSize(real(f));
}
int xDeviceCharacteristics(sqlite3_file* f) {
  return real(f)->pMethods->xDeviceCharacteristics(real(f));
}

int xShmMap(sqlite3_file* f, int region, int regionSize, int extend, void volatile** out) {
  errno = 0;
  int rc = real(f)->pMethods->xShmMap(real(f), region, regionSize, extend, out);
  if (noSpace(rc)) return SQLITE_FULL;
  if (rc == SQLITE_OK && *out && populateShm(*out, regionSize) != 0) {
    // SQLite's first write to this part would have killed the process.
    *out = nullptr;
    return SQLITE_FULL;
  }
  return rc;
}
int xShmLock(sqlite3_file* f, int offset, int n, int flags) {
  return real(f)->pMethods->xShmLock(real(f), offset, n, flags);
}
void xShmBarrier(sqlite3_file* f) {
  real(f)->pMethods->xShmBarrier(real(f));
}
int xShmUnmap(sqlite3_file* f, int deleteFlag) {
  return real(f)->pMethods->xShmUnmap(real(f), deleteFlag);
}
int xFetch(sqlite3_file* f, sqlite3_int64 offset, int amount, void** out) {
  return real(f)->pMethods->xFetch(real(f), offset, amount, out);
}
int xUnfetch(sqlite3_file* f, sqlite3_int64 offset, void* p) {
  return real(f)->pMethods->xUnfetch(real(f), offset, p);
}

// One table of methods per version of the unix layer's table, made on first use.
const sqlite3_io_methods* shimMethods(const sqlite3_io_methods* inner) {
  static sqlite3_io_methods methods{};
  static std::once_flag once;
  std::call_once(once, [&] {
    methods.iVersion = inner->iVersion;
    methods.xClose = xClose;
    methods.xRead = xRead;
    methods.xWrite = xWrite;
    methods.xTruncate = xTruncate;
    methods.xSync = xSync;
    methods.xFileSize = xFileSize;
    methods.xLock = xLock;
    methods.xUnlock = xUnlock;
    methods.xCheckReservedLock = xCheckReservedLock;
    methods.xFileControl = xFileControl;
    methods.xSectorSize = xSectorSize;
    methods.xDeviceCharacteristics = xDeviceCharacteristics;
    if (inner->iVersion >= 2) {
      methods.xShmMap = xShmMap;
      methods.xShmLock = xShmLock;
      methods.xShmBarrier = xShmBarrier;
      methods.xShmUnmap = xShmUnmap;
    }
    if (inner->iVersion >= 3) {
      methods.xFetch = xFetch;
      methods.xUnfetch = xUnfetch;
    }
  });
  return &methods;
}

int xOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags) {
  auto* shim = reinterpret_cast<ShimFile*>(f);
  shim->base.pMethods = nullptr;
  shim->real = reinterpret_cast<sqlite3_file*>(shim + 1);
  int rc = g_unix->xOpen(g_unix, name, shim->real, flags, outFlags);
  if (rc == SQLITE_OK && shim->real->pMethods) {
    shim->base.pMethods = shimMethods(shim->real->pMethods);
  }
  return rc;
}

int xDelete(sqlite3_vfs*, const char* name, int syncDir) {
  return g_unix->xDelete(g_unix, name, syncDir);
}
int xAccess(sqlite3_vfs*, const char* name, int flags, int* out) {
  return g_unix->xAccess(g_unix, name, flags, out);
}
int xFullPathname(sqlite3_vfs*, const char* name, int n, char* out) {
  return g_unix->xFullPathname(g_unix, name, n, out);
}
void* xDlOpen(sqlite3_vfs*, const char* name) {
  return g_unix->xDlOpen(g_unix, name);
}
void xDlError(sqlite3_vfs*, int n, char* out) {
  g_unix->xDlError(g_unix, n, out);
}
void (*xDlSym(sqlite3_vfs*, void* handle, const char* symbol))(void) {
  return g_unix->xDlSym(g_unix, handle, symbol);
}
void xDlClose(sqlite3_vfs*, void* handle) {
  g_unix->xDlClose(g_unix, handle);
}
int xRandomness(sqlite3_vfs*, int n, char* out) {
  return g_unix->xRandomness(g_unix, n, out);
}
int xSleep(sqlite3_vfs*, int micro) {
  return g_unix->xSleep(g_unix, micro);
}
int xCurrentTime(sqlite3_vfs*, double* out) {
  return g_unix->xCurrentTime(g_unix, out);
}
int xGetLastError(sqlite3_vfs*, int n, char* out) {
  return g_unix->xGetLastError(g_unix, n, out);
}
int xCurrentTimeInt64(sqlite3_vfs*, sqlite3_int64* out) {
  return g_unix->xCurrentTimeInt64(g_unix, out);
}

}  // namespace

const char* postOfficeVfs() {
  static std::once_flag once;
  std::call_once(once, [] {
    // No memory statistics: they take a global lock on every allocation. Refused
    // (harmlessly) when SQLite was already started by someone else.
    sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    sqlite3_initialize();
    g_unix = sqlite3_vfs_find("unix");
    static sqlite3_vfs vfs{};
    vfs.iVersion = 2;
    vfs.szOsFile = static_cast<int>(sizeof(ShimFile)) + g_unix->szOsFile;
    vfs.mxPathname = g_unix->mxPathname;
    vfs.zName = kVfsName;
    vfs.xOpen = xOpen;
    vfs.xDelete = xDelete;
    vfs.xAccess = xAccess;
    vfs.xFullPathname = xFullPathname;
    vfs.xDlOpen = xDlOpen;
    vfs.xDlError = xDlError;
    vfs.xDlSym = xDlSym;
    vfs.xDlClose = xDlClose;
    vfs.xRandomness = xRandomness;
    vfs.xSleep = xSleep;
    vfs.xCurrentTime = xCurrentTime;
    vfs.xGetLastError = xGetLastError;
    vfs.xCurrentTimeInt64 = xCurrentTimeInt64;
    sqlite3_vfs_register(&vfs, 0);
  });
  return kVfsName;
}

namespace faults {
void failWritesAfter(std::optional<long> after) {
  g_writesLeft.store(after ? (*after < 0 ? 0 : *after) : -1);
}
}  // namespace faults

}  // namespace gw::standin
