// virtual-handset.exe: serves the handset pipe, plays the steps given on its command line and
// prints every library call as it arrives.
#include <chrono>
#include <cstdio>
#include <exception>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>

#include "handset_script.h"
#include "virtual_handset.h"

namespace {

using kprt5::handset::HandsetState;
using kprt5::handset::Step;
using kprt5::handset::StepKind;
using kprt5::handset::VirtualHandset;

const auto kStart = std::chrono::steady_clock::now();
std::mutex printMutex;

void Print(const std::string& line) {
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - kStart).count();
  std::lock_guard lock(printMutex);
  std::printf("[%8.3f] %s\n", seconds, line.c_str());
  std::fflush(stdout);
}

std::string Describe(const HandsetState& s) {
  char buffer[256];
  std::snprintf(buffer, sizeof buffer,
                "state: plugged %d, gpio %u/%u, buzzer %d, key scan %d, monitor %d (mode %d, %04x:%04x), "
                "level %g dB, default device %d, mic AGC %u",
                s.plugged, static_cast<unsigned>(s.gpioLevel), static_cast<unsigned>(s.gpioOutput), s.buzzerOn,
                static_cast<int>(s.keyScan.mode), s.monitor.running, static_cast<int>(s.monitor.mode),
                static_cast<unsigned>(s.monitor.vendorId), static_cast<unsigned>(s.monitor.productId),
                static_cast<double>(s.speakerLevelDb), s.defaultDeviceSelected, static_cast<unsigned>(s.micAgc));
  return buffer;
}

// Plays one step; false when a wait timed out.
bool Play(VirtualHandset& handset, const Step& step, const std::string& word) {
  Print("> " + word);
  const std::chrono::milliseconds ms(step.a);
  switch (step.kind) {
    case StepKind::Plug: handset.Plug(); return true;
    case StepKind::Unplug: handset.Unplug(); return true;
    case StepKind::Wait: std::this_thread::sleep_for(ms); return true;
    case StepKind::WaitMonitor: return handset.WaitForMonitor(true, ms);
    case StepKind::WaitCall: {
      const std::size_t seen = handset.Log().size();
      return handset.WaitForLog(
          [&](const std::vector<kprt5::handset::LogEntry>& log) {
            for (std::size_t i = seen; i < log.size(); ++i)
              if (log[i].function == step.function) return true;
            return log.size() < seen;  // the log was cleared: nothing to wait for
          },
          ms);
    }
    case StepKind::DeviceMessage: handset.SendDeviceMessage(step.a, step.b, step.c); return true;
    case StepKind::Hook: handset.SendDeviceMessage(8, step.a, 0); return true;
    case StepKind::VolumeUp: handset.SendDeviceMessage(4, 1, 0); return true;
    case StepKind::VolumeDown: handset.SendDeviceMessage(4, 2, 0); return true;
    case StepKind::Report: handset.SendReport(step.a, step.b); return true;
    case StepKind::Level: handset.SetSpeakerLevelDb(step.levelDb); return true;
    case StepKind::Eeprom:
      handset.SetEeprom(step.a, static_cast<std::uint16_t>(step.b & 0xFFFFu));
      return true;
    case StepKind::EepromFail: handset.SetEepromReadsFail(step.a != 0); return true;
    case StepKind::State: Print(Describe(handset.State())); return true;
    case StepKind::Hold: {
      std::string line;
      while (std::getline(std::cin, line)) {
      }
      return true;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string_view> words(argv + 1, argv + argc);
  const kprt5::handset::Script script = kprt5::handset::ParseScript(words);
  if (words.empty() || !script.error.empty()) {
    if (!script.error.empty()) std::fprintf(stderr, "virtual-handset: %s\n", script.error.c_str());
    std::fputs(kprt5::handset::ScriptUsage().c_str(), stderr);
    return 1;
  }
  try {
    VirtualHandset handset([](const kprt5::handset::LogEntry& entry) { Print("call " + FormatLogEntry(entry)); });
    Print("serving the handset pipe");
    for (std::size_t i = 0; i < script.steps.size(); ++i) {
      if (!Play(handset, script.steps[i], std::string(words[i]))) {
        Print("timed out: " + std::string(words[i]));
        return 2;
      }
    }
    Print(Describe(handset.State()));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "virtual-handset: %s\n", error.what());
    return 1;
  }
  return 0;
}
