#include "process_probe_win32.h"

#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

namespace kprt5::bench {
namespace {

double Seconds(const FILETIME& time) {
  ULARGE_INTEGER value{};
  value.LowPart = time.dwLowDateTime;
  value.HighPart = time.dwHighDateTime;
  return static_cast<double>(value.QuadPart) / 1e7;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// A whole /proc file (their sizes read as 0, so read to the end), zero bytes kept.
std::string ReadUnixFile(const std::string& unixPath) {
  std::string windowsPath = "Z:" + unixPath;
  std::replace(windowsPath.begin(), windowsPath.end(), '/', '\\');
  std::ifstream file(windowsPath, std::ios::binary);
  if (!file) return {};
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The numeric entries of a /proc folder.
std::vector<int> NumericEntries(const std::string& unixFolder) {
  std::vector<int> numbers;
  std::string pattern = "Z:" + unixFolder + "/*";
  std::replace(pattern.begin(), pattern.end(), '/', '\\');
  WIN32_FIND_DATAA entry{};
  HANDLE search = ::FindFirstFileA(pattern.c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return numbers;
  do {
    const std::string name = entry.cFileName;
    if (!name.empty() && std::all_of(name.begin(), name.end(), [](unsigned char c) { return std::isdigit(c); }))
      numbers.push_back(std::atoi(name.c_str()));
  } while (::FindNextFileA(search, &entry));
  ::FindClose(search);
  return numbers;
}

std::uint64_t StatusField(const std::string& status, const std::string& field) {
  std::istringstream lines(status);
  std::string line;
  while (std::getline(lines, line))
    if (line.rfind(field + ":", 0) == 0) return std::strtoull(line.c_str() + field.size() + 1, nullptr, 10);
  return 0;
}

}  // namespace

double CpuSeconds(HANDLE process) {
  FILETIME created{}, exited{}, kernel{}, user{};
  if (!::GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0.0;
  return Seconds(kernel) + Seconds(user);
}

Footprint ReadFootprint(HANDLE process) {
  Footprint footprint;
  const DWORD processId = ::GetProcessId(process);
  std::vector<unsigned char> list(1 << 20);
  ULONG needed = 0;
  if (NT_SUCCESS(::NtQuerySystemInformation(SystemProcessInformation, list.data(), static_cast<ULONG>(list.size()),
                                            &needed))) {
    std::size_t offset = 0;
    for (;;) {
      SYSTEM_PROCESS_INFORMATION entry{};
      std::memcpy(&entry, list.data() + offset, std::min(sizeof entry, list.size() - offset));
      if (reinterpret_cast<std::uintptr_t>(entry.UniqueProcessId) == processId) {
        footprint.workingSetBytes = entry.VirtualMemoryCounters.WorkingSetSize;
        footprint.privateBytes = entry.VirtualMemoryCounters.PagefileUsage;
        footprint.handles = entry.HandleCount;
        return footprint;
      }
      if (entry.NextEntryOffset == 0 || offset + entry.NextEntryOffset >= list.size()) break;
      offset += entry.NextEntryOffset;
    }
  }
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  if (::GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters)) {
    footprint.workingSetBytes = counters.WorkingSetSize;
    footprint.privateBytes = counters.PrivateUsage;
  }
  DWORD handles = 0;
  if (::GetProcessHandleCount(process, &handles)) footprint.handles = handles;
  return footprint;
}

double UnixCpuSeconds(int unixPid) {
  if (unixPid <= 0) return 0.0;
  const std::string stat = ReadUnixFile("/proc/" + std::to_string(unixPid) + "/stat");
  // Fields after the command name in parentheses: state is field 3, utime 14, stime 15.
  const std::size_t close = stat.rfind(')');
  if (close == std::string::npos) return 0.0;
  std::istringstream fields(stat.substr(close + 2));
  std::string field;
  std::uint64_t ticks = 0;
  for (int number = 3; number <= 15 && fields >> field; ++number)
    if (number >= 14) ticks += std::strtoull(field.c_str(), nullptr, 10);
  return static_cast<double>(ticks) / 100.0;  // USER_HZ
}

int FindUnixProcess(const std::string& fragment) {
  const std::string wanted = Lower(fragment);
  int newest = 0;
  for (int pid : NumericEntries("/proc")) {
    std::string commandLine = ReadUnixFile("/proc/" + std::to_string(pid) + "/cmdline");
    std::replace(commandLine.begin(), commandLine.end(), '\0', ' ');
    if (Lower(commandLine).find(wanted) != std::string::npos) newest = std::max(newest, pid);
  }
  return newest;
}

std::optional<std::uint64_t> ContextSwitches(int unixPid) {
  if (unixPid <= 0) return std::nullopt;
  const std::string base = "/proc/" + std::to_string(unixPid) + "/task";
  const std::vector<int> threads = NumericEntries(base);
  if (threads.empty()) return std::nullopt;
  std::uint64_t total = 0;
  for (int thread : threads) {
    const std::string status = ReadUnixFile(base + "/" + std::to_string(thread) + "/status");
    total += StatusField(status, "voluntary_ctxt_switches") + StatusField(status, "nonvoluntary_ctxt_switches");
  }
  return total;
}

int FindWineserver() {
  char prefix[1024] = {};
  if (::GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof prefix) == 0) {
    char home[1024] = {};
    if (::GetEnvironmentVariableA("HOME", home, sizeof home) == 0) return 0;
    std::string fallback = std::string(home) + "/.wine";
    fallback.copy(prefix, sizeof prefix - 1);
  }
  const std::string wanted = std::string("WINEPREFIX=") + prefix;
  for (int pid : NumericEntries("/proc")) {
    const std::string base = "/proc/" + std::to_string(pid);
    if (ReadUnixFile(base + "/comm").rfind("wineserver", 0) != 0) continue;
    std::string environment = ReadUnixFile(base + "/environ");
    std::istringstream entries(environment);
    std::string entry;
    while (std::getline(entries, entry, '\0'))
      if (entry == wanted) return pid;
  }
  return 0;
}

}  // namespace kprt5::bench
