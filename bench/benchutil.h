// Small helpers shared by the benchmark programs.
#pragma once

#include <malloc.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
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

// The count a benchmark program was asked for (its first argument), else `fallback`.
inline int countArgument(int argc, char** argv, int fallback) {
  if (argc < 2) return fallback;
  return std::max(1, std::atoi(argv[1]));
}

// "100,000"
inline std::string thousands(long n) {
  std::string digits = std::to_string(n), out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

// A figure a run prints for a comparison of two sizes: "figure NAME VALUE".
inline void figure(const char* name, double value) {
  std::printf("figure %s %.6f\n", name, value);
  std::fflush(stdout);
}

// What a benchmark run in a process of its own printed as figures, by name.
struct ChildRun {
  bool ok = false;  // it ran and exited with 0
  std::map<std::string, double> figures;
};

// Runs a command, shows its output but for its figure lines, and gives those figures.
inline ChildRun runChild(const std::string& command) {
  ChildRun run;
  std::fflush(stdout);
  std::FILE* out = ::popen(command.c_str(), "r");
  if (!out) return run;
  char line[512];
  while (std::fgets(line, sizeof line, out)) {
    char name[128];
    double value = 0;
    if (std::sscanf(line, "figure %127s %lf", name, &value) == 2) {
      run.figures[name] = value;
    } else {
      std::fputs(line, stdout);
    }
  }
  run.ok = ::pclose(out) == 0;
  return run;
}

// Runs this program for 100,000 and for 1,000,000 in processes of their own (peak
// memory is the process's), shows their output, and checks that each figure named in
// `scaled` grows at most `maxRatio` times. Returns false when a run or a ratio fails.
inline bool compareSizes(const char* program, const std::vector<const char*>& scaled,
                         double maxRatio) {
  bool ok = true;
  std::vector<ChildRun> runs;
  for (const char* n : {"100000", "1000000"}) {
    std::printf("==== %s %s\n", program, n);
    runs.push_back(runChild("'" + std::string(program) + "' " + n));
    ok &= runs.back().ok;
  }
  std::printf("==== 1,000,000 against 100,000\n");
  for (const char* name : scaled) {
    double small = runs[0].figures.count(name) ? runs[0].figures[name] : 0;
    double large = runs[1].figures.count(name) ? runs[1].figures[name] : 0;
    std::string what = std::string(name) + ": 1,000,000 / 100,000 (x)";
    ok &= small > 0 && large > 0 &&
          report(what.c_str(), small > 0 ? large / small : 0, maxRatio, "x");
  }
  return ok;
}

// A post office in a temporary folder, reached through GW_POSTOFFICE as the user
// "bench", with the user's data folder (import journals) in it too; the folder goes when
// the benchmark ends.
class ScratchPostOffice {
 public:
  ScratchPostOffice() {
    char dir[] = "/tmp/marrowby-bench-XXXXXX";
    if (!::mkdtemp(dir)) std::abort();
    dir_ = dir;
    ::setenv("GW_POSTOFFICE", (dir_ + "/po.db").c_str(), 1);
    ::setenv("GW_USER", "bench", 1);
    // Import journals go here too, not among the user's own.
    ::setenv("XDG_DATA_HOME", (dir_ + "/data").c_str(), 1);
  }
  ~ScratchPostOffice() { std::system(("rm -rf " + dir_).c_str()); }
  ScratchPostOffice(const ScratchPostOffice&) = delete;
  ScratchPostOffice& operator=(const ScratchPostOffice&) = delete;
  const std::string& dir() const { return dir_; }

 private:
  std::string dir_;
};

}  // namespace bench
