// The handset's audio device names as the real program tells them to Skype on attach, with the
// handset's media device planted and Wine's sound devices named after its description: the mixer
// rule under the default locale, the waveform rule under a Japanese one. And the program's handles
// stay flat over many attaches.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "media_device.h"
#include "program_fixture.h"

namespace e2e {
namespace {

// Wine's ALSA driver lists the ALSA devices named in these values beside "default"; the ALSA
// configuration of the test session defines a silent pcm "USB Audio Device". Wine then reports
// waveform devices "Out: USB Audio Device" and "In: USB Audio Device", and one mixer for each
// waveform device under the same name, output devices' mixers first.
constexpr char kWineAlsaKey[] = "Software\\Wine\\Drivers\\winealsa.drv";
constexpr char kAlsaDevice[] = "USB Audio Device";

class PlantedAlsaDevices {
 public:
  PlantedAlsaDevices(bool output, bool input) {
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kWineAlsaKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key_, nullptr) !=
        ERROR_SUCCESS)
      key_ = nullptr;
    planted_ = key_ != nullptr && (!output || Set("ALSAOutputDevices")) && (!input || Set("ALSAInputDevices"));
  }
  ~PlantedAlsaDevices() {
    if (key_ == nullptr) return;
    RegDeleteValueA(key_, "ALSAOutputDevices");
    RegDeleteValueA(key_, "ALSAInputDevices");
    RegCloseKey(key_);
  }
  PlantedAlsaDevices(const PlantedAlsaDevices&) = delete;
  PlantedAlsaDevices& operator=(const PlantedAlsaDevices&) = delete;
  bool Planted() const { return planted_; }

 private:
  bool Set(const char* value) {
    const std::string list = std::string(kAlsaDevice) + '\0' + '\0';
    return RegSetValueExA(key_, value, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(list.data()),
                          static_cast<DWORD>(list.size())) == ERROR_SUCCESS;
  }
  HKEY key_ = nullptr;
  bool planted_ = false;
};

// The Japanese cases run in a pass of their own (ctest's e2e_endpoint_naming_test_japanese), with
// this program started under LOCPATH and LANG=ja_JP.UTF-8. Wine hands a child process the locale of
// the process that starts it, whatever environment the child is given, so the program's thread
// locale is 1041 exactly when this process runs under the Japanese locale.
bool RunsUnderJapaneseLocale() { return GetThreadLocale() == 1041; }

class EndpointNamingTest : public ProgramTest {
 protected:
  // Starts the program, attaches, and returns the attach sequence the peer saw.
  std::vector<std::string> AttachSequence() {
    StartProgram();
    if (HasFatalFailure()) return {};
    EXPECT_TRUE(peer.SendAttach(program.Window(), skype_peer::kAttachSuccess));
    EXPECT_TRUE(peer.WaitForCommands(4, 10s));
    std::vector<std::string> texts;
    for (const skype_peer::CommandRecord& command : peer.Commands()) texts.push_back(command.Text());
    return texts;
  }
};

struct NamingCase {
  const char* name;
  bool japanese;
  bool outputDevice;
  bool inputDevice;
  std::vector<std::string> sequence;
};

class EndpointNamingCases : public EndpointNamingTest, public ::testing::WithParamInterface<NamingCase> {};

TEST_P(EndpointNamingCases, AttachNamesTheDevicesThatWineReports) {
  const NamingCase& c = GetParam();
  if (c.japanese != RunsUnderJapaneseLocale())
    GTEST_SKIP() << (c.japanese ? "runs in the Japanese pass" : "runs in the default pass");
  PlantedMediaDevice device;
  ASSERT_TRUE(device.Planted());
  PlantedAlsaDevices alsa(c.outputDevice, c.inputDevice);
  ASSERT_TRUE(alsa.Planted());
  EXPECT_EQ(AttachSequence(), c.sequence);
}

INSTANTIATE_TEST_SUITE_P(
    Locales, EndpointNamingCases,
    ::testing::Values(
        // The mixer rule. Wine's mixerOpen takes the device number as a mixer number whatever the
        // waveform flag says, so the input lookup too walks the mixers from the first output's:
        // "Out: default", then "Out: USB Audio Device", which holds the description.
        NamingCase{"DefaultLocaleMixerNames", false, true, true,
                   {"FOCUS", "SET AUDIO_IN Out: USB Audio Device", "SET AUDIO_OUT Out: USB Audio Device",
                    "SET RINGER Out: USB Audio Device"}},
        // The waveform rule: the part before "USB", the description, and ")" since the names have none.
        NamingCase{"JapaneseWaveformNames", true, true, true,
                   {"FOCUS", "SET AUDIO_IN In: USB Audio Device)", "SET AUDIO_OUT Out: USB Audio Device)",
                    "SET RINGER Out: USB Audio Device)"}},
        // No output device carries "USB": the output lookup leaves the input's name in the area.
        NamingCase{"JapaneseInputOnlyKeepsTheInputName", true, false, true,
                   {"FOCUS", "SET AUDIO_IN In: USB Audio Device)", "SET AUDIO_OUT In: USB Audio Device)",
                    "SET RINGER In: USB Audio Device)"}}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

// The number of handles a process holds. Wine's GetProcessHandleCount answers 0 for every process;
// its system handle table names each handle's owner, so the count is taken from there.
struct SystemHandleEntry {
  ULONG ownerProcessId;
  BYTE objectType;
  BYTE flags;
  USHORT value;
  PVOID object;
  ULONG access;
};
struct SystemHandleTable {
  ULONG count;
  SystemHandleEntry entries[1];
};
using QuerySystemInformation = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
constexpr ULONG kSystemHandleInformation = 16;
constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);

std::optional<DWORD> HandleCount(HANDLE process, DWORD processId) {
  DWORD count = 0;
  if (GetProcessHandleCount(process, &count) && count != 0) return count;
  const FARPROC found = GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation");
  if (found == nullptr) return std::nullopt;
  const auto query = reinterpret_cast<QuerySystemInformation>(reinterpret_cast<void (*)()>(found));
  std::vector<BYTE> buffer(1 << 16);
  for (;;) {
    ULONG needed = 0;
    const LONG status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    if (status == 0) break;
    if (status != kInfoLengthMismatch || buffer.size() > (1u << 26)) return std::nullopt;
    buffer.resize(buffer.size() * 2);
  }
  const auto* table = reinterpret_cast<const SystemHandleTable*>(buffer.data());
  const std::size_t room = (buffer.size() - offsetof(SystemHandleTable, entries)) / sizeof(SystemHandleEntry);
  if (table->count > room) return std::nullopt;
  count = 0;
  for (ULONG i = 0; i < table->count; ++i)
    if (table->entries[i].ownerProcessId == processId) ++count;
  return count;
}

TEST_F(EndpointNamingTest, HandleCountStaysFlatOverTwoHundredAttaches) {
  if (RunsUnderJapaneseLocale()) GTEST_SKIP() << "runs in the default pass";
  PlantedMediaDevice device;
  ASSERT_TRUE(device.Planted());
  PlantedAlsaDevices alsa(true, true);
  ASSERT_TRUE(alsa.Planted());
  StartProgram();
  const auto attachAndCheck = [&] {
    peer.ClearLogs();
    ASSERT_TRUE(peer.SendAttach(program.Window(), skype_peer::kAttachSuccess));
    // The attach message returns once the whole sequence has been sent; the supervisor's poll may
    // come in between.
    std::vector<std::string> sequence;
    for (const skype_peer::CommandRecord& command : peer.Commands())
      if (command.Text() != "SEARCH ACTIVECALLS") sequence.push_back(command.Text());
    ASSERT_EQ(sequence.size(), 4u);
    ASSERT_EQ(sequence[3], "SET RINGER Out: USB Audio Device") << "the mixer rule found the device";
  };
  // A few attaches first, so that what the first lookups load once is in place.
  for (int i = 0; i < 10; ++i) ASSERT_NO_FATAL_FAILURE(attachAndCheck());
  const std::optional<DWORD> before = HandleCount(program.Process(), program.ProcessId());
  ASSERT_TRUE(before.has_value());
  ASSERT_GT(*before, 0u);
  for (int i = 0; i < 200; ++i) ASSERT_NO_FATAL_FAILURE(attachAndCheck()) << "attach " << i;
  const std::optional<DWORD> after = HandleCount(program.Process(), program.ProcessId());
  ASSERT_TRUE(after.has_value());
  // One handle kept per attach would add 200; allow a few for what the system opens lazily.
  EXPECT_LE(*after, *before + 5) << "handles before " << *before << ", after " << *after;
}

}  // namespace
}  // namespace e2e
