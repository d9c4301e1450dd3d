// skype-peer.exe: the Skype peer as a program for the demo, driven by a script of steps on its
// command line (see README.md). It prints every command it receives and every message it sends.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "skype_peer/skype_peer.h"

namespace {

using namespace std::chrono_literals;
using skype_peer::CommandRecord;
using skype_peer::SkypePeer;

const auto kStart = std::chrono::steady_clock::now();
std::mutex printMutex;

void Print(const std::string& line) {
  const std::lock_guard lock(printMutex);
  const auto elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - kStart);
  std::printf("[%8.3f] %s\n", elapsed.count(), line.c_str());
  std::fflush(stdout);
}

bool ParseNumber(std::string_view text, long& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  const std::string copy(text);
  value = std::strtol(copy.c_str(), &end, 0);
  return end != nullptr && *end == '\0';
}

class Script {
 public:
  explicit Script(SkypePeer& peer) : peer_(peer) {}

  // Runs one step; false ends the script with a failure.
  bool Step(std::string_view step) {
    const auto equals = step.find('=');
    const std::string_view key = step.substr(0, equals);
    const std::string_view value =
        equals == std::string_view::npos ? std::string_view() : step.substr(equals + 1);
    const bool hasValue = equals != std::string_view::npos;
    long number = 0;

    if (key == "attach") {
      if (value == "none") {
        peer_.SetDiscoverAnswer(std::nullopt);
      } else if (ParseNumber(value, number) && number >= 0) {
        peer_.SetDiscoverAnswer(static_cast<std::uint32_t>(number));
      } else {
        return Bad(step);
      }
    } else if (key == "timing") {
      if (value == "nested") {
        peer_.SetReplyTiming(skype_peer::ReplyTiming::Nested);
      } else if (value == "deferred") {
        peer_.SetReplyTiming(skype_peer::ReplyTiming::Deferred);
      } else {
        return Bad(step);
      }
    } else if (key == "result" && ParseNumber(value, number)) {
      peer_.SetCommandResult(number);
    } else if (key == "silent" && (value == "on" || value == "off")) {
      peer_.SetSilent(value == "on");
    } else if (key == "timeout" && ParseNumber(value, number) && number > 0) {
      timeout_ = std::chrono::milliseconds(number);
    } else if (key == "wait-discover") {
      return WaitDiscover();
    } else if ((key == "wait-command" || key == "wait-prefix") && hasValue) {
      return WaitCommand(value, key == "wait-prefix");
    } else if (key == "sleep" && ParseNumber(value, number) && number >= 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(number));
    } else if (key == "ring" && hasValue) {
      return Check(peer_.AddIncomingCall(value), step);
    } else if (key == "dial" && hasValue) {
      return Check(peer_.AddOutgoingCall(value), step);
    } else if (key == "status" && value.find(':') != std::string_view::npos) {
      const auto colon = value.find(':');
      return Check(peer_.SetCallStatus(value.substr(0, colon), value.substr(colon + 1)), step);
    } else if (key == "notify" && hasValue) {
      if (!peer_.Alive()) Print("not sent, the peer window is gone: " + std::string(value));
      peer_.Notify(value);
    } else if (key == "available" && !hasValue) {
      peer_.BroadcastApiAvailable();
    } else if (key == "die" && !hasValue) {
      peer_.Die();
    } else if (key == "restart" && !hasValue) {
      peer_.Restart(false);
    } else if (key == "restart-available" && !hasValue) {
      peer_.Restart(true);
    } else if (key == "serve") {
      if (!hasValue) {
        for (;;) std::this_thread::sleep_for(1h);
      }
      if (!ParseNumber(value, number) || number < 0) return Bad(step);
      std::this_thread::sleep_for(std::chrono::milliseconds(number));
    } else {
      return Bad(step);
    }
    return true;
  }

 private:
  bool Bad(std::string_view step) {
    Print("bad step: " + std::string(step));
    return false;
  }
  bool Check(bool done, std::string_view step) {
    if (!done) Print("step failed: " + std::string(step));
    return done;
  }

  bool WaitDiscover() {
    const std::size_t wanted = discoversSeen_ + 1;
    if (!peer_.WaitForDiscovers(wanted, timeout_)) {
      Print("timed out waiting for a discover");
      return false;
    }
    discoversSeen_ = wanted;
    return true;
  }

  // Waits for a command after the last one matched, equal to (or beginning with) the text.
  bool WaitCommand(std::string_view text, bool prefix) {
    std::size_t found = 0;
    const bool matched = peer_.WaitForCommands(
        [&](const std::vector<CommandRecord>& log) {
          for (std::size_t i = commandsSeen_; i < log.size(); ++i) {
            const std::string command = log[i].Text();
            if (prefix ? command.starts_with(text) : command == text) {
              found = i;
              return true;
            }
          }
          return false;
        },
        timeout_);
    if (!matched) {
      Print("timed out waiting for the command \"" + std::string(text) + "\"");
      return false;
    }
    commandsSeen_ = found + 1;
    return true;
  }

  SkypePeer& peer_;
  std::chrono::milliseconds timeout_{30000};
  std::size_t discoversSeen_ = 0;
  std::size_t commandsSeen_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  SkypePeer peer;
  peer.SetTrace(Print);
  char handle[32];
  std::snprintf(handle, sizeof(handle), "0x%08lX",
                static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(peer.Window())));
  Print(std::string("peer window ") + handle + " ready");
  Script script(peer);
  for (int i = 1; i < argc; ++i) {
    Print(std::string("step ") + argv[i]);
    if (!script.Step(argv[i])) return 1;
  }
  Print("script done");
  return 0;
}
