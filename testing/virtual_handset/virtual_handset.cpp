#include "virtual_handset.h"

#include <algorithm>

namespace kprt5::handset {

void VirtualHandset::Plug() { model_.Plug(); }
void VirtualHandset::Unplug() { model_.Unplug(); }
bool VirtualHandset::IsPlugged() const { return model_.State().plugged; }

std::size_t VirtualHandset::SendDeviceMessage(std::uint32_t n, std::uint32_t wParam, std::uint32_t lParam) {
  return model_.SendDeviceMessage(n, wParam, lParam);
}

std::size_t VirtualHandset::SendReport(std::uint32_t wParam, std::uint32_t lParam) {
  return model_.SendReport(wParam, lParam);
}

HandsetState VirtualHandset::State() const { return model_.State(); }
void VirtualHandset::SetEeprom(std::size_t address, std::uint16_t value) { model_.SetEeprom(address, value); }
void VirtualHandset::SetEepromReadsFail(bool fail) { model_.SetEepromReadsFail(fail); }
float VirtualHandset::SpeakerLevelDb() const { return model_.State().speakerLevelDb; }
void VirtualHandset::SetSpeakerLevelDb(float levelDb) { model_.SetSpeakerLevelDb(levelDb); }

std::vector<LogEntry> VirtualHandset::Log() const { return model_.Log(); }
void VirtualHandset::ClearLog() { model_.ClearLog(); }

bool VirtualHandset::WaitForLog(const std::function<bool(const std::vector<LogEntry>&)>& condition,
                                std::chrono::milliseconds timeout) const {
  return model_.WaitForLog(condition, timeout);
}

bool VirtualHandset::WaitUntil(const std::function<bool(const HandsetState&)>& condition,
                               std::chrono::milliseconds timeout) const {
  return model_.WaitUntil(condition, timeout);
}

bool VirtualHandset::WaitForCall(const std::string& function, std::chrono::milliseconds timeout) const {
  return WaitForLog(
      [&](const std::vector<LogEntry>& log) {
        return std::any_of(log.begin(), log.end(), [&](const LogEntry& e) { return e.function == function; });
      },
      timeout);
}

bool VirtualHandset::WaitForMonitor(bool running, std::chrono::milliseconds timeout) const {
  return WaitUntil([&](const HandsetState& s) { return s.monitor.running == running; }, timeout);
}

}  // namespace kprt5::handset
