#include "call_log.h"

#include <bit>
#include <cstdio>

namespace kprt5::handset {

std::string FormatLogEntry(const LogEntry& entry) {
  std::string out = entry.function + "(";
  const bool levelWrite = entry.function == "VistaSetSpeakerVolumeLevelDB" && !entry.args.empty() && entry.args[0] == 1;
  for (std::size_t i = 0; i < entry.args.size(); ++i) {
    if (i > 0) out += ", ";
    char buffer[64];
    if (levelWrite && i == 1) {
      std::snprintf(buffer, sizeof buffer, "0x%08x (%g dB)", static_cast<unsigned>(entry.args[i]),
                    static_cast<double>(std::bit_cast<float>(entry.args[i])));
    } else {
      std::snprintf(buffer, sizeof buffer, "%u", static_cast<unsigned>(entry.args[i]));
    }
    out += buffer;
  }
  if (!entry.text.empty()) out += (entry.args.empty() ? "\"" : ", \"") + entry.text + "\"";
  return out + ")";
}

}  // namespace kprt5::handset
