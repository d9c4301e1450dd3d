// The command line of virtual-handset.exe: a list of steps played in order, e.g.
//   virtual-handset.exe plug wait-monitor wait-call:HidSetGpio hook:1 wait:500 hook:4 hold
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kprt5::handset {

enum class StepKind {
  Plug,           // plug
  Unplug,         // unplug
  Wait,           // wait:<ms>
  WaitMonitor,    // wait-monitor[:<ms>]        until a library monitor is connected
  WaitCall,       // wait-call:<Function>[:<ms>] until a new call of that function arrives
  DeviceMessage,  // msg:<n>:<wParam>:<lParam>
  Hook,           // hook:<code>                 device message 8 with the hook code
  VolumeUp,       // volume-up                   device message 4 with wParam 1
  VolumeDown,     // volume-down                 device message 4 with wParam 2
  Report,         // report:<wParam>:<lParam>
  Level,          // level:<dB>                  the speaker level
  Eeprom,         // eeprom:<address>:<value>
  EepromFail,     // eeprom-fail:<0|1>
  State,          // state                       print the handset's state
  Hold,           // hold                        serve until standard input ends
};

inline constexpr std::uint32_t kDefaultWaitMs = 10000;

struct Step {
  StepKind kind = StepKind::State;
  std::uint32_t a = 0;  // ms, n, code, wParam, address, flag
  std::uint32_t b = 0;  // wParam, lParam, value
  std::uint32_t c = 0;  // lParam
  float levelDb = 0.0f;
  std::string function;  // WaitCall
};

struct Script {
  std::vector<Step> steps;
  std::string error;  // empty when every word parsed
};

// Numbers are decimal or 0x-hexadecimal, 32-bit; the level is a decimal number, may be negative.
Script ParseScript(const std::vector<std::string_view>& words);

// What `virtual-handset.exe` prints for no arguments or a bad one.
std::string ScriptUsage();

}  // namespace kprt5::handset
