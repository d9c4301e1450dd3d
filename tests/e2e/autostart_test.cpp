// Autostart registration at start-up, the StartUp command, and the uninstall watch of timer 3.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>

#include "program_fixture.h"

namespace e2e {
namespace {

constexpr WPARAM kStartUpCommand = 32776;
const std::string kMiddlewarePath = "C:\\Program Files (x86)\\ZELT KP-RT5\\MW\\KPRT5.exe";
const std::string kCompanionPath = "C:\\Program Files (x86)\\ZELT KP-RT5\\KPRT6.exe";

using Calls = std::vector<std::string>;

// "bStartup" in the profile file the program writes (a bare name: it lives in the Windows folder).
std::string ProfileStartupFlag() {
  char text[64] = {};
  GetPrivateProfileStringA("Environment", "bStartup", "", text, sizeof text, "VIZERIZOZ.INI");
  return text;
}

void ForgetProfileStartupFlag() { WritePrivateProfileStringA("Environment", "bStartup", nullptr, "VIZERIZOZ.INI"); }

struct RegistrationCase {
  const char* name;
  std::optional<std::string> before;  // the per-user value before the start; none: missing
  std::string after;
};

class AutostartRegistrationTest : public ProgramTest, public ::testing::WithParamInterface<RegistrationCase> {};

TEST_P(AutostartRegistrationTest, FirstStartWritesTheMiddlewarePathOnlyWhenNoFittingValueExists) {
  const RegistrationCase& c = GetParam();
  if (c.before)
    SetUserAutostartValue(*c.before);
  else
    DeleteUserAutostartValue();
  StartProgram();  // returns once window initialisation has finished
  EXPECT_EQ(ReadUserAutostartValue(), c.after);
}

// A value fits the 256-byte area with up to 255 characters and its zero.
INSTANTIATE_TEST_SUITE_P(
    Values, AutostartRegistrationTest,
    ::testing::Values(RegistrationCase{"Missing", std::nullopt, kMiddlewarePath},
                      RegistrationCase{"ElsewhereKept", "D:\\Tools\\dialer.exe", "D:\\Tools\\dialer.exe"},
                      RegistrationCase{"CompanionKept", kCompanionPath, kCompanionPath},
                      RegistrationCase{"EmptyKept", "", ""},
                      RegistrationCase{"FullAreaKept", std::string(255, 'v'), std::string(255, 'v')},
                      RegistrationCase{"OneOverTheAreaReplaced", std::string(256, 'v'), kMiddlewarePath},
                      RegistrationCase{"LongReplaced", std::string(600, 'v'), kMiddlewarePath}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

class AutostartTest : public ProgramTest {
 protected:
  void SetUp() override { ForgetProfileStartupFlag(); }
  void TearDown() override { ForgetProfileStartupFlag(); }
};

TEST_F(AutostartTest, StartUpCommandSwitchesTheValueAndTheProfileFlagBothWays) {
  SetUserAutostartValue(kMiddlewarePath);  // StartUp on when the program starts
  StartProgram();

  PostAndSettle(WM_COMMAND, kStartUpCommand, 0);
  EXPECT_EQ(ReadUserAutostartValue(), kCompanionPath);
  EXPECT_EQ(ProfileStartupFlag(), "0");

  PostAndSettle(WM_COMMAND, kStartUpCommand, 0);
  EXPECT_EQ(ReadUserAutostartValue(), kMiddlewarePath);
  EXPECT_EQ(ProfileStartupFlag(), "1");
}

TEST_F(AutostartTest, StartUpCommandCreatesTheRunKeyWhenItIsMissing) {
  SetUserAutostartValue(kCompanionPath);
  StartProgram();
  ASSERT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run"), ERROR_SUCCESS);
  PostAndSettle(WM_COMMAND, kStartUpCommand, 0);
  EXPECT_EQ(ReadUserAutostartValue(), kMiddlewarePath);
  EXPECT_EQ(ProfileStartupFlag(), "1");
}

TEST_F(AutostartTest, MachineWideValuePresentKeepsTheProgramRunning) {
  StartProgram();
  // Timer 3 ticks every second: two ticks pass without the program ending.
  EXPECT_FALSE(program.WaitForExit(2500ms));
  EXPECT_EQ(TrayIconCount(), 1);
}

struct UninstallCase {
  const char* name;
  std::optional<std::string> machineValue;  // none: the value is missing
};

class UninstallWatchTest : public ProgramTest, public ::testing::WithParamInterface<UninstallCase> {};

TEST_P(UninstallWatchTest, ProgramEndsAboutASecondAfterStartWithTheShutdownOrder) {
  // The harness plants a fitting machine-wide value; replace it before the start.
  if (GetParam().machineValue)
    SetMachineAutostartValue(*GetParam().machineValue);
  else
    DeleteMachineAutostartValue();
  const auto started = std::chrono::steady_clock::now();
  StartProgram();
  ASSERT_TRUE(program.WaitForExit(5s)) << "the uninstall watch did not end the program";
  const auto lifetime = std::chrono::steady_clock::now() - started;
  EXPECT_GE(lifetime, 1s) << "the first tick of timer 3 comes a second after start";
  EXPECT_LT(lifetime, 3500ms);
  EXPECT_EQ(program.ExitCode(), 0u);
  EXPECT_TRUE(WaitUntil([] { return TrayIconCount() == 0; })) << "the icon must be gone";

  const Calls calls = HandsetCalls();
  const Calls shutdown = {"HidStopKeyScan()", "VistaSetDefaultAudio(1, 1, 1, \"Vid_7a3e&Pid_01b5\")",
                          "HidStopMonitor()"};
  ASSERT_GE(calls.size(), shutdown.size());
  EXPECT_EQ(Calls(calls.end() - 3, calls.end()), shutdown);
}

INSTANTIATE_TEST_SUITE_P(Values, UninstallWatchTest,
                         ::testing::Values(UninstallCase{"Missing", std::nullopt},
                                           UninstallCase{"OverTheArea", std::string(300, 'm')}),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

}  // namespace
}  // namespace e2e
