// KPRT5-setup.exe under Wine: a silent install puts the program where its own autostart path points
// and writes the machine-wide value; a silent uninstall takes the value away, lets the running
// program end itself (handing the default audio device back) and then removes everything.
#include <windows.h>

#include <shlobj.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/win32_handles.h"
#include "call_log.h"
#include "program_harness.h"
#include "virtual_handset.h"

namespace e2e {
namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kAutostartValue = "VizeRizozMiddleware";
constexpr const char* kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VizeRizozMiddleware";
constexpr const char* kShippedFiles[] = {"KPRT5.exe", "ZU_VAZ.dll", "ROre.dll"};

std::string ProgramFilesFolder() {
  char path[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}

std::string ProductFolder() { return ProgramFilesFolder() + "\\ZELT KP-RT5"; }
std::string InstallFolder() { return ProductFolder() + "\\MW"; }
std::string InstalledProgram() { return InstallFolder() + "\\KPRT5.exe"; }
std::string Uninstaller() { return InstallFolder() + "\\uninstall.exe"; }

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<char> FileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// A text value in the 32-bit view of HKLM, the view the 32-bit program reads.
std::optional<std::string> MachineText(const char* keyPath, const char* valueName) {
  HKEY rawKey = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ | KEY_WOW64_32KEY, &rawKey) != ERROR_SUCCESS)
    return std::nullopt;
  kprt5::UniqueRegistryKey key(rawKey);
  char data[1024] = {};
  DWORD size = sizeof data - 1;
  DWORD type = 0;
  if (RegQueryValueExA(key.Get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS ||
      type != REG_SZ)
    return std::nullopt;
  return std::string(data);
}

bool MachineKeyExists(const char* keyPath) {
  HKEY rawKey = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ | KEY_WOW64_32KEY, &rawKey) != ERROR_SUCCESS)
    return false;
  kprt5::UniqueRegistryKey key(rawKey);
  return true;
}

// "1.0.2.6" from a program's version record.
std::string VersionRecord(const std::string& path) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  if (size == 0) return {};
  std::vector<char> record(size);
  if (!GetFileVersionInfoA(path.c_str(), 0, size, record.data())) return {};
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixedSize = 0;
  if (!VerQueryValueA(record.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedSize) || fixed == nullptr)
    return {};
  return std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
         std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionLS));
}

bool HasEnded(HANDLE process) { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }

// A process and everything it starts, held in a job: an NSIS uninstaller copies itself to the temp
// folder, starts the copy and ends at once, so the first process ending says nothing.
class ProcessTree {
 public:
  explicit ProcessTree(const std::string& commandLine) : job_(CreateJobObjectA(nullptr, nullptr)) {
    if (!job_) throw std::runtime_error("cannot make a job object");
    // Wine starts its desktop process for the first window of a session; started from inside the
    // job it would stay in the tree for good, so make sure it runs before the tree begins.
    GetDesktopWindow();
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::string line = commandLine;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &startup,
                        &info))
      throw std::runtime_error("cannot start " + commandLine);
    process_.Reset(info.hProcess);
    kprt5::UniqueHandle thread(info.hThread);
    AssignProcessToJobObject(job_.Get(), process_.Get());
    ResumeThread(thread.Get());
  }

  bool Finished() const {
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
    if (!QueryInformationJobObject(job_.Get(), JobObjectBasicAccountingInformation, &accounting, sizeof accounting,
                                   nullptr))
      return HasEnded(process_.Get());
    return HasEnded(process_.Get()) && accounting.ActiveProcesses == 0;
  }
  bool WaitFinished(std::chrono::milliseconds timeout) const {
    return WaitUntil([this] { return Finished(); }, timeout);
  }
  DWORD ExitCode() const {
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.Get(), &code);
    return code;
  }

 private:
  kprt5::UniqueHandle job_;
  kprt5::UniqueHandle process_;
};

DWORD RunToTheEnd(const std::string& commandLine) {
  ProcessTree tree(commandLine);
  if (!tree.WaitFinished(60s)) throw std::runtime_error(commandLine + " did not finish");
  return tree.ExitCode();
}

std::string SilentInstall() { return "\"" + BuildFolder() + "\\KPRT5-setup.exe\" /S"; }
std::string SilentUninstall() { return "\"" + Uninstaller() + "\" /S"; }

class InstallerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Exists(BuildFolder() + "\\KPRT5-setup.exe")) << "build the installer target first";
    RemoveEarlierInstall();
    DeleteUserAutostartValue();
  }

  void TearDown() override {
    if (program_ && !HasEnded(program_.Get())) {
      TerminateProcess(program_.Get(), 1);
      WaitForSingleObject(program_.Get(), 5000);
    }
    RemoveEarlierInstall();
  }

  static void RemoveEarlierInstall() {
    if (Exists(Uninstaller())) RunToTheEnd(SilentUninstall());
  }

  // Starts the installed program as Windows would at logon and waits until it watches the handset.
  void StartInstalledProgram() {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::string line = "\"" + InstalledProgram() + "\"";
    ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, InstallFolder().c_str(),
                               &startup, &info));
    program_.Reset(info.hProcess);
    kprt5::UniqueHandle thread(info.hThread);
    ASSERT_TRUE(WaitUntil([&] { return FindProgramWindow(info.dwProcessId) != nullptr; }))
        << "the installed program's window did not appear";
    ASSERT_TRUE(handset.WaitForMonitor(true, 10s)) << "the installed program did not start the device monitor";
  }

  std::vector<std::string> HandsetCalls() const {
    std::vector<std::string> calls;
    for (const auto& entry : handset.Log()) calls.push_back(kprt5::handset::FormatLogEntry(entry));
    return calls;
  }

  kprt5::handset::VirtualHandset handset;
  kprt5::UniqueHandle program_;
};

TEST_F(InstallerTest, SilentInstallPutsTheFilesTheMachineValueAndTheUninstallEntryInPlace) {
  ASSERT_EQ(RunToTheEnd(SilentInstall()), 0u);

  for (const char* file : kShippedFiles) {
    const std::string installed = InstallFolder() + "\\" + file;
    ASSERT_TRUE(Exists(installed)) << installed;
    EXPECT_EQ(FileBytes(installed), FileBytes(BuildFolder() + "\\" + file)) << file << " differs from the build";
  }
  EXPECT_TRUE(Exists(Uninstaller()));
  EXPECT_EQ(MachineText(kRunKey, kAutostartValue), InstalledProgram());

  const std::string version = VersionRecord(InstalledProgram());
  ASSERT_FALSE(version.empty()) << "the program carries no version record";
  EXPECT_EQ(MachineText(kUninstallKey, "DisplayVersion"), version);
  EXPECT_EQ(MachineText(kUninstallKey, "DisplayName"), "ZELT KP-RT5 Middleware");
  EXPECT_EQ(MachineText(kUninstallKey, "Publisher"), "Vexlo");
  EXPECT_EQ(MachineText(kUninstallKey, "UninstallString"), "\"" + Uninstaller() + "\"");
  EXPECT_EQ(MachineText(kUninstallKey, "QuietUninstallString"), "\"" + Uninstaller() + "\" /S");
}

TEST_F(InstallerTest, SilentUninstallEndsTheRunningProgramFirstThenRemovesEverythingButTheUserValue) {
  ASSERT_EQ(RunToTheEnd(SilentInstall()), 0u);
  StartInstalledProgram();
  // The program's own idea of where it lives is where the installer put it.
  ASSERT_TRUE(WaitUntil([] { return ReadUserAutostartValue() == InstalledProgram(); }))
      << "per-user value: " << ReadUserAutostartValue();
  handset.ClearLog();

  const auto started = Clock::now();
  ProcessTree uninstall(SilentUninstall());
  std::optional<Clock::time_point> programEnded;
  std::optional<Clock::time_point> valueGone;
  std::optional<Clock::time_point> uninstallFinished;
  WaitUntil(
      [&] {
        if (!valueGone && !MachineText(kRunKey, kAutostartValue)) valueGone = Clock::now();
        if (!programEnded && HasEnded(program_.Get())) programEnded = Clock::now();
        if (!uninstallFinished && uninstall.Finished()) uninstallFinished = Clock::now();
        return programEnded && uninstallFinished;
      },
      30s);
  ASSERT_TRUE(programEnded) << "the uninstall did not end the running program";
  ASSERT_TRUE(uninstallFinished) << "the uninstaller did not finish";
  ASSERT_TRUE(valueGone);
  // Milliseconds after the uninstaller's start.
  const auto after = [started](Clock::time_point moment) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(moment - started).count();
  };
  EXPECT_LT(after(*programEnded), 3000) << "value gone after " << after(*valueGone) << " ms";
  EXPECT_LE(after(*valueGone), after(*programEnded)) << "the value goes first";
  EXPECT_LE(after(*programEnded), after(*uninstallFinished)) << "the uninstaller must wait for the program to end";
  EXPECT_EQ(uninstall.ExitCode(), 0u);

  DWORD programExit = STILL_ACTIVE;
  GetExitCodeProcess(program_.Get(), &programExit);
  EXPECT_EQ(programExit, 0u) << "the program ends itself";
  const std::vector<std::string> calls = HandsetCalls();
  const std::vector<std::string> handBack = {"VistaSetDefaultAudio(1, 1, 1, \"Vid_7a3e&Pid_01b5\")",
                                             "HidStopMonitor()"};
  ASSERT_GE(calls.size(), handBack.size());
  EXPECT_EQ(std::vector<std::string>(calls.end() - 2, calls.end()), handBack);

  for (const char* file : kShippedFiles) EXPECT_FALSE(Exists(InstallFolder() + "\\" + file)) << file;
  EXPECT_FALSE(Exists(Uninstaller()));
  EXPECT_FALSE(Exists(InstallFolder()));
  EXPECT_FALSE(Exists(ProductFolder())) << "the empty product folder goes too";
  EXPECT_EQ(MachineText(kRunKey, kAutostartValue), std::nullopt);
  EXPECT_FALSE(MachineKeyExists(kUninstallKey));
  EXPECT_EQ(ReadUserAutostartValue(), InstalledProgram()) << "the per-user value is the program's own";
}

TEST_F(InstallerTest, InstallOverARunningCopyEndsItReplacesTheFilesAndRestoresTheValue) {
  ASSERT_EQ(RunToTheEnd(SilentInstall()), 0u);
  StartInstalledProgram();
  const HANDLE oldCopy = program_.Get();

  ASSERT_EQ(RunToTheEnd(SilentInstall()), 0u);
  EXPECT_TRUE(HasEnded(oldCopy)) << "the running copy must have ended before its files were replaced";
  EXPECT_EQ(MachineText(kRunKey, kAutostartValue), InstalledProgram());
  for (const char* file : kShippedFiles)
    EXPECT_EQ(FileBytes(InstallFolder() + "\\" + file), FileBytes(BuildFolder() + "\\" + file)) << file;

  // The restored value keeps a new start running past its first uninstall-watch ticks.
  StartInstalledProgram();
  EXPECT_EQ(WaitForSingleObject(program_.Get(), 2500), static_cast<DWORD>(WAIT_TIMEOUT));
}

}  // namespace
}  // namespace e2e
