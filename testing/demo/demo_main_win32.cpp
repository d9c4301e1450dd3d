// kprt5-demo.exe: plays one whole call through the real KPRT5.exe, with the virtual handset and the
// Skype peer in this process, and prints what each side did. Lines starting with "==" mark the
// stages; scripts/demo takes a screenshot of the tray at each of them.
#include <windows.h>

#include <bit>
#include <cstdio>
#include <mutex>
#include <string>

#include "program_harness.h"
#include "skype_peer/skype_peer.h"
#include "virtual_handset.h"

namespace {

using namespace std::chrono_literals;

std::mutex printLock;

void Print(const std::string& line) {
  std::lock_guard<std::mutex> lock(printLock);
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

void Stage(const std::string& name, const std::string& what) {
  Print("== " + name + ": " + what);
  // Gives scripts/demo time to photograph the tray at this stage.
  Sleep(1500);
}

bool Require(bool condition, const std::string& what) {
  if (!condition) Print("!! the demo stopped: " + what);
  return condition;
}

bool HasCommand(const skype_peer::SkypePeer& peer, const std::string& text) {
  return peer.WaitForCommands(
      [&](const std::vector<skype_peer::CommandRecord>& commands) {
        for (const auto& command : commands)
          if (command.Text() == text) return true;
        return false;
      },
      20s);
}

bool HandsetSaw(const kprt5::handset::VirtualHandset& handset, const std::string& line) {
  return handset.WaitForLog(
      [&](const std::vector<kprt5::handset::LogEntry>& log) {
        for (const auto& entry : log)
          if (kprt5::handset::FormatLogEntry(entry) == line) return true;
        return false;
      },
      20s);
}

int PlayCall() {
  kprt5::handset::VirtualHandset handset(
      [](const kprt5::handset::LogEntry& entry) { Print("handset  <- " + kprt5::handset::FormatLogEntry(entry)); });
  skype_peer::SkypePeer peer;
  peer.SetTrace([](const std::string& line) { Print("skype    " + line); });

  Print("== start: KPRT5.exe starts; the handset is not plugged in yet");
  e2e::ProgramUnderTest program;
  program.Start();
  if (!Require(program.WaitForWindow() != nullptr, "the program's window did not appear")) return 1;
  if (!Require(handset.WaitForMonitor(true, 10s), "the program did not watch the handset")) return 1;

  Print("-- the handset is plugged in: the program looks for Skype on its next cycle");
  handset.Plug();
  if (!Require(HasCommand(peer, "SET RINGER "), "Skype was not attached")) return 1;
  if (!Require(HasCommand(peer, "SEARCH ACTIVECALLS"), "the program does not poll Skype")) return 1;
  Stage("ready", "attached to Skype with the handset ready (tray icon without the red sign)");

  const float levelBefore = handset.SpeakerLevelDb();
  Print("-- a call rings in Skype");
  peer.AddIncomingCall("12");
  if (!Require(HandsetSaw(handset, "HidSetGpio(0, 2)"), "the indicator did not ring")) return 1;
  Stage("ringing", "the indicator rings and the earpiece is raised to " + std::to_string(handset.SpeakerLevelDb()) +
                       " dB (was " + std::to_string(levelBefore) + " dB)");

  Print("-- the handset is lifted");
  handset.SendDeviceMessage(8, 1, 0);
  if (!Require(HasCommand(peer, "SET CALL 12 STATUS INPROGRESS"), "the call was not answered")) return 1;
  if (!Require(HandsetSaw(handset, "HidSetGpio(2, 2)"), "the indicator did not go idle")) return 1;
  Print("-- the volume-up key is pressed twice");
  const float levelTalking = handset.SpeakerLevelDb();
  handset.SendDeviceMessage(4, 1, 0);
  handset.SendDeviceMessage(4, 1, 0);
  handset.WaitUntil([&](const kprt5::handset::HandsetState& state) { return state.speakerLevelDb > levelTalking + 1.0f; },
                    10s);
  Stage("talking", "the call is in progress; earpiece at " + std::to_string(handset.SpeakerLevelDb()) + " dB");

  Print("-- the handset is put down");
  handset.SendDeviceMessage(8, 4, 0);
  if (!Require(HasCommand(peer, "SET CALL 12 STATUS FINISHED"), "the call was not ended")) return 1;
  Stage("hung-up", "the call has ended");

  Print("-- Exit from the tray menu");
  if (!Require(program.Exit(), "the program did not end")) return 1;
  Print("== done: the program ended; the default audio device was handed back");
  return 0;
}

}  // namespace

int main() {
  try {
    return PlayCall();
  } catch (const std::exception& error) {
    Print(std::string("!! the demo failed: ") + error.what());
    return 1;
  }
}
