#pragma once
// Reads what the notification area shows for the program: the tooltip texts of Wine's tray icons,
// and the program's own ready and not-ready texts to compare them with.
#include <string>
#include <vector>

namespace e2e {

// The tooltip text of every icon in Wine's standalone tray, in window order, as UTF-8. Each icon's tooltip
// control lives in the process that shows the icon, so its text is read through that process's memory.
std::vector<std::string> TrayTooltips();

// A string of the program's string table, loaded from the program file at `programPath` in the
// language this thread would pick, as UTF-8; empty when it is absent.
std::string ProgramString(const std::string& programPath, unsigned id);

inline constexpr unsigned kReadyTooltipId = 104;
inline constexpr unsigned kNotReadyTooltipId = 105;

}  // namespace e2e
