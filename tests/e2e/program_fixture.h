#pragma once
// A whole-program scenario: the virtual handset and the Skype peer live in this test process, the
// real program runs beside them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "program_harness.h"
#include "skype_peer/skype_peer.h"
#include "virtual_handset.h"

namespace e2e {

class ProgramTest : public ::testing::Test {
 protected:
  // Starts the program and waits until its window is up and its monitor watches the handset.
  void StartProgram();
  // Starts the program and returns its icon's window in the tray; null when none appears.
  HWND StartAndFindIcon();

  // The peer's command log as texts with their cbData, e.g. "FOCUS/6".
  std::vector<std::string> CommandTexts() const;
  // The handset's log as "HidSetGpio(2, 2)" lines.
  std::vector<std::string> HandsetCalls() const;
  // Posts a message to the program's window and waits until the window has handled it and
  // everything posted before it.
  void PostAndSettle(UINT message, WPARAM wParam, LPARAM lParam);
  // Waits until the program's window has handled everything posted to it so far.
  void Settle();

  kprt5::handset::VirtualHandset handset;
  skype_peer::SkypePeer peer;
  ProgramUnderTest program;
};

}  // namespace e2e
