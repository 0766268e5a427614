// Small helpers shared by the benchmark programs.
#pragma once

#include <malloc.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double secondsSince(Clock::time_point t0) {
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

// Bytes of heap in use.
inline double heapMiB() {
  return static_cast<double>(mallinfo2().uordblks) / (1024.0 * 1024.0);
}

// Peak resident set size of the process so far.
inline double peakRssMiB() {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  }
  return 0;
}

inline double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// Prints one figure against its target; returns false when the target is missed.
inline bool report(const char* what, double value, double target, const char* unit) {
  bool ok = value <= target;
  std::printf("%-58s %10.3f %-3s (target <= %g %s) %s\n", what, value, unit, target, unit,
              ok ? "ok" : "MISSED");
  return ok;
}

// A post office in a temporary folder, reached through GW_POSTOFFICE as the user
// "bench"; the folder goes when the benchmark ends.
class ScratchPostOffice {
 public:
  ScratchPostOffice() {
    char dir[] = "/tmp/marrowby-bench-XXXXXX";
    if (!::mkdtemp(dir)) std::abort();
    dir_ = dir;
    ::setenv("GW_POSTOFFICE", (dir_ + "/po.db").c_str(), 1);
    ::setenv("GW_USER", "bench", 1);
  }
  ~ScratchPostOffice() { std::system(("rm -rf " + dir_).c_str()); }
  ScratchPostOffice(const ScratchPostOffice&) = delete;
  ScratchPostOffice& operator=(const ScratchPostOffice&) = delete;
  const std::string& dir() const { return dir_; }

 private:
  std::string dir_;
};

}  // namespace bench
