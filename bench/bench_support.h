// What the benchmarks share: the build's library folder, with the schemas
// beside it, as the installation folder; the clocks around a measured part
// (wall time and the process's CPU time); the resident memory figures; the
// lines every benchmark prints; and work run in a child process so that its
// memory does not count in the measuring process's peak.
//
// Every measured part is a function of its benchmark marked noinline, so that
// a profiler can collect that function alone (bench/callgrind.sh).
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/platform_components.h"
#include "support/temp_dir.h"

namespace corvane::bench {

// Writes a registry file naming the build's library folder into `dir`,
// points the component at it and registers the platform components.
inline void UseBuildInstallation(const testing::TempDir& dir) {
  const std::string registry = dir.File("registry.ini");
  std::FILE* f = std::fopen(registry.c_str(), "w");
  std::fprintf(f, "[HKEY_LOCAL_MACHINE\\SOFTWARE\\BRISQUEL\\ZUWEBSERVICE]\npath=%s\n",
               CORVANE_BENCH_LIBRARY_DIR);
  std::fclose(f);
  setenv("CORVANE_REGISTRY", registry.c_str(), 1);
  platform::RegisterPlatformComponents();
}

// The connection string property of an embedded account.
inline std::string AccountProps(const std::string& path) {
  return "ConnectString={Provider=SQLite;Data Source=" + path + "};UserID=16394;";
}

// Wall time and process CPU time (every thread, user and system) of one part.
struct Timing {
  double wall_s = 0;
  double cpu_s = 0;
};

inline double ProcessCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Runs `part` once between the two clocks.
template <typename Part>
Timing Measure(Part&& part) {
  const double cpu_start = ProcessCpuSeconds();
  const auto wall_start = std::chrono::steady_clock::now();
  part();
  Timing t;
  t.wall_s = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_start).count();
  t.cpu_s = ProcessCpuSeconds() - cpu_start;
  return t;
}

// One result line: what ran, wall and CPU time, and the rate of `units` per
// wall second ("orders/s", "lookups/s").
inline void PrintTiming(const char* role, const char* what, int count, const char* unit,
                        const Timing& t) {
  std::printf("  %-9s %-46s wall %9.4f s  CPU %9.4f s  %10.0f %s/s  (%d)\n", role, what, t.wall_s,
              t.cpu_s, t.wall_s > 0 ? count / t.wall_s : 0.0, unit, count);
}

// How many times the component's time per unit is the bound's.
inline void PrintRatio(const Timing& component, int component_count, const Timing& bound,
                       int bound_count) {
  const auto per = [](double seconds, int count) { return count > 0 ? seconds / count : 0.0; };
  const double b_wall = per(bound.wall_s, bound_count), b_cpu = per(bound.cpu_s, bound_count);
  std::printf("  %-9s %-46s wall %9.1f x  CPU %9.1f x\n", "ratio", "component / bound",
              b_wall > 0 ? per(component.wall_s, component_count) / b_wall : 0.0,
              b_cpu > 0 ? per(component.cpu_s, component_count) / b_cpu : 0.0);
}

// The resident set size now, in KiB (/proc/self/statm).
inline long ResidentKiB() {
  long pages_total = 0, pages_resident = 0;
  std::FILE* f = std::fopen("/proc/self/statm", "r");
  if (!f) return -1;
  const int read = std::fscanf(f, "%ld %ld", &pages_total, &pages_resident);
  std::fclose(f);
  return read == 2 ? pages_resident * (sysconf(_SC_PAGESIZE) / 1024) : -1;
}

// The peak resident set size of this process so far, in KiB (ru_maxrss).
inline long PeakResidentKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// The memory lines of one operation: the XML document's size, the resident
// size just before the operation, the peak, the peak less the resident size
// before, and both against the document's size.
inline void PrintMemory(size_t xml_bytes, long before_kib, long peak_kib) {
  const double xml_kib = static_cast<double>(xml_bytes) / 1024;
  const long grown = peak_kib - before_kib;
  std::printf("  XML document                  %10zu bytes (%.0f KiB)\n", xml_bytes, xml_kib);
  std::printf("  resident before the operation %10ld KiB\n", before_kib);
  std::printf("  peak resident (ru_maxrss)     %10ld KiB   peak / XML size %6.1f\n", peak_kib,
              xml_kib > 0 ? peak_kib / xml_kib : 0.0);
  std::printf("  peak - resident before        %10ld KiB   that / XML size %6.1f\n", grown,
              xml_kib > 0 ? grown / xml_kib : 0.0);
}

// Runs `work` in a forked child process and waits for it; true when the
// child answered true. The child's memory never counts in this process's
// ru_maxrss, so an account made there cannot swell a peak measured here.
inline bool RunInChildProcess(const std::function<bool()>& work) {
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    bool ok = false;
    try {
      ok = work();
    } catch (const std::exception& e) {
      std::fprintf(stderr, "%s\n", e.what());
    }
    std::fflush(nullptr);
    _exit(ok ? 0 : 1);
  }
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The command line every benchmark takes: `--component` runs only the
// component's part (for a profiler), `--memory` the memory mode, and the
// counts that follow replace the defaults. False (after a usage line on
// standard error) for anything else.
struct Arguments {
  bool component_only = false;
  bool memory = false;
  std::vector<int> counts;
};

inline bool ParseArguments(int argc, char** argv, const std::vector<int>& default_counts,
                           Arguments& args) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    char* end = nullptr;
    const long n = std::strtol(a.c_str(), &end, 10);
    if (a == "--component") {
      args.component_only = true;
    } else if (a == "--memory") {
      args.memory = true;
    } else if (!a.empty() && *end == '\0' && n > 0 && n <= 10000000) {
      args.counts.push_back(static_cast<int>(n));
    } else {
      std::fprintf(stderr, "usage: %s [--component | --memory] [COUNT...]\n", argv[0]);
      return false;
    }
  }
  if (args.counts.empty()) args.counts = default_counts;
  return true;
}

// The main of an order benchmark: reads the command line, points the
// component at the build, and runs `run` (or `memory` with --memory) for
// each count. Exit status 0 when every run succeeded, 1 when one failed, 2
// for a usage error.
inline int OrderBenchmarkMain(int argc, char** argv, const std::vector<int>& default_counts,
                              bool (*run)(int orders, bool component_only),
                              bool (*memory)(int orders)) {
  Arguments args;
  if (!ParseArguments(argc, argv, default_counts, args)) return 2;
  testing::TempDir settings;
  UseBuildInstallation(settings);
  bool ok = true;
  for (int orders : args.counts)
    ok = (args.memory ? memory(orders) : run(orders, args.component_only)) && ok;
  return ok ? 0 : 1;
}

}  // namespace corvane::bench
