#include "handset_script.h"

#include <charconv>
#include <cstdlib>
#include <string>

#include "../../libs/wire/wire_frame.h"

namespace kprt5::handset {
namespace {

std::vector<std::string_view> Split(std::string_view word) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t colon = word.find(':', start);
    parts.push_back(word.substr(start, colon == std::string_view::npos ? std::string_view::npos : colon - start));
    if (colon == std::string_view::npos) return parts;
    start = colon + 1;
  }
}

std::optional<std::uint32_t> Number(std::string_view text) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  std::uint32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<float> Decimal(std::string_view text) {
  if (text.empty() || text.size() > 32) return std::nullopt;
  const std::string copy(text);
  char* end = nullptr;
  const float value = std::strtof(copy.c_str(), &end);
  if (end != copy.c_str() + copy.size()) return std::nullopt;
  return value;
}

// Parses one word into `step`; an error text when it is not a step.
std::string ParseWord(std::string_view word, Step& step) {
  const std::vector<std::string_view> parts = Split(word);
  const std::string_view name = parts[0];
  const std::size_t argc = parts.size() - 1;
  std::vector<std::uint32_t> numbers;
  auto numbersFrom = [&](std::size_t first) -> bool {
    for (std::size_t i = first; i < parts.size(); ++i) {
      const std::optional<std::uint32_t> n = Number(parts[i]);
      if (!n) return false;
      numbers.push_back(*n);
    }
    return true;
  };
  struct Plain {
    std::string_view name;
    StepKind kind;
  };
  for (const Plain& plain : {Plain{"plug", StepKind::Plug}, Plain{"unplug", StepKind::Unplug},
                             Plain{"volume-up", StepKind::VolumeUp}, Plain{"volume-down", StepKind::VolumeDown},
                             Plain{"state", StepKind::State}, Plain{"hold", StepKind::Hold}}) {
    if (name == plain.name) {
      step.kind = plain.kind;
      return argc == 0 ? "" : "takes no argument";
    }
  }
  if (name == "wait" || name == "hook" || name == "eeprom-fail") {
    step.kind = name == "wait" ? StepKind::Wait : name == "hook" ? StepKind::Hook : StepKind::EepromFail;
    if (argc != 1 || !numbersFrom(1)) return "needs one number";
    step.a = numbers[0];
    return "";
  }
  if (name == "wait-monitor") {
    step.kind = StepKind::WaitMonitor;
    step.a = kDefaultWaitMs;
    if (argc > 1 || !numbersFrom(1)) return "takes at most one number";
    if (argc == 1) step.a = numbers[0];
    return "";
  }
  if (name == "wait-call") {
    step.kind = StepKind::WaitCall;
    step.a = kDefaultWaitMs;
    if (argc < 1 || argc > 2 || !numbersFrom(2)) return "needs a function name and at most one number";
    step.function = std::string(parts[1]);
    bool known = false;
    for (const wire::FunctionInfo& info : wire::kFunctions) known = known || info.name == step.function;
    if (!known) return "names no library function";
    if (argc == 2) step.a = numbers[0];
    return "";
  }
  if (name == "msg") {
    step.kind = StepKind::DeviceMessage;
    if (argc != 3 || !numbersFrom(1)) return "needs three numbers";
    if (numbers[0] > 8) return "device messages are 0..8";
    step.a = numbers[0];
    step.b = numbers[1];
    step.c = numbers[2];
    return "";
  }
  if (name == "report" || name == "eeprom") {
    step.kind = name == "report" ? StepKind::Report : StepKind::Eeprom;
    if (argc != 2 || !numbersFrom(1)) return "needs two numbers";
    step.a = numbers[0];
    step.b = numbers[1];
    return "";
  }
  if (name == "level") {
    step.kind = StepKind::Level;
    const std::optional<float> level = argc == 1 ? Decimal(parts[1]) : std::nullopt;
    if (!level) return "needs a level in dB";
    step.levelDb = *level;
    return "";
  }
  return "is no step";
}

}  // namespace

Script ParseScript(const std::vector<std::string_view>& words) {
  Script script;
  for (std::string_view word : words) {
    Step step;
    const std::string error = ParseWord(word, step);
    if (!error.empty()) {
      script.error = "\"" + std::string(word) + "\" " + error;
      script.steps.clear();
      return script;
    }
    script.steps.push_back(step);
  }
  return script;
}

std::string ScriptUsage() {
  return "usage: virtual-handset.exe <step>...\n"
         "  plug | unplug                 arrival (device message 0) / removal (device message 1)\n"
         "  wait:<ms>                     pause\n"
         "  wait-monitor[:<ms>]           until a library monitor is connected (default 10000 ms)\n"
         "  wait-call:<Function>[:<ms>]   until a new call of that function arrives\n"
         "  msg:<n>:<wParam>:<lParam>     device message n (0..8)\n"
         "  hook:<code>                   device message 8 with the hook code (1 lift, 4 put down)\n"
         "  volume-up | volume-down       device message 4 with wParam 1 / 2\n"
         "  report:<wParam>:<lParam>      a raw report to a report monitor\n"
         "  level:<dB>                    set the speaker level\n"
         "  eeprom:<address>:<value>      set an EEPROM word\n"
         "  eeprom-fail:<0|1>             make EEPROM reads fail\n"
         "  state                         print the handset's state\n"
         "  hold                          keep serving until standard input ends\n"
         "Numbers are decimal or 0x-hexadecimal. A wait that times out ends the run with exit code 2.\n";
}

}  // namespace kprt5::handset
