// Small helpers shared by the benchmark programs.
#pragma once

#include <malloc.h>

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

}  // namespace bench
