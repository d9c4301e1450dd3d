// What the benchmarks read about another process: its CPU time, its memory and handles, and the
// context switches of the Unix process that Wine runs it in (read from /proc through drive Z:).
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace kprt5::bench {

// User plus kernel time the process has used, in seconds, as GetProcessTimes gives it.
double CpuSeconds(HANDLE process);
// The same from the Unix side: utime plus stime of /proc/<pid>/stat, all threads, in seconds.
double UnixCpuSeconds(int unixPid);

struct Footprint {
  std::uint64_t workingSetBytes = 0;
  std::uint64_t privateBytes = 0;
  unsigned long handles = 0;
};
// From the system's process list (Wine fills handle count and memory counters there; its
// GetProcessHandleCount answers 0 for another process), GetProcessMemoryInfo when absent.
Footprint ReadFootprint(HANDLE process);

// The Unix process whose command line (as Wine shows it) contains `fragment`, ignoring case; the
// newest one when several do; 0 when none does or /proc cannot be read.
int FindUnixProcess(const std::string& fragment);
// Voluntary plus involuntary context switches, summed over all threads of a Unix process.
std::optional<std::uint64_t> ContextSwitches(int unixPid);
// The wineserver that serves this process's prefix ($WINEPREFIX, else ~/.wine); 0 when not found.
int FindWineserver();

}  // namespace kprt5::bench
