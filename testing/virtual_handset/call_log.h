// One entry of the virtual handset's call log: a library call as the handset received it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kprt5::handset {

struct LogEntry {
  std::string function;              // the ABI's name, e.g. "HidSetGpio"
  std::vector<std::uint32_t> args;   // as they travelled: 32-bit values, floats by their bits
  std::string text;                  // the device text of the ROre calls, else empty

  bool operator==(const LogEntry&) const = default;
};

// "HidSetGpio(2, 2)", "VistaSetSpeakerVolumeLevelDB(1, 0xc1200000 (-10 dB), \"Vid_7a3e&Pid_01b5\")".
std::string FormatLogEntry(const LogEntry& entry);

}  // namespace kprt5::handset
