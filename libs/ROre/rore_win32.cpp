// The exported functions of ROre.dll. Each first asks the virtual handset's audio function, one
// request and one reply over its pipe; whenever that server answers, its answer is the result.
// With no server there (a real machine) the call goes to the system's audio endpoints instead
// (Core Audio), which answer 0 as well when the handset's endpoints are not found.
#include "rore.h"

#include <bit>
#include <cstdint>
#include <optional>
#include <string_view>

#include "../wire/handset_call.h"
#include "default_audio_win32.h"
#include "mic_agc_win32.h"
#include "speaker_level_win32.h"

namespace {

using kprt5::wire::Function;

// The caller's device text, read up to its zero or the wire's limit, whichever comes first.
std::string_view DeviceText(const char* device) {
  if (device == nullptr) return {};
  std::size_t length = 0;
  while (length < kprt5::wire::kMaxText && device[length] != '\0') ++length;
  return {device, length};
}

std::optional<kprt5::wire::Frame> Call(Function function, std::initializer_list<std::uint32_t> args,
                                       const char* device) {
  return kprt5::wire::CallHandset(kprt5::wire::MakeCall(function, args, DeviceText(device)));
}

int Result(const std::optional<kprt5::wire::Frame>& reply) { return reply ? static_cast<int>(reply->Arg(0)) : 0; }

// The Core Audio path never lets an exception out through the C interface.
template <typename Work>
int Guarded(Work work) noexcept {
  try {
    return work();
  } catch (...) {
    return 0;
  }
}

}  // namespace

extern "C" {

int __stdcall VistaSetDefaultAudio(int mode, const char* device, int third, int fourth) {
  const std::optional<kprt5::wire::Frame> reply =
      Call(Function::VistaSetDefaultAudio,
           {static_cast<std::uint32_t>(mode), static_cast<std::uint32_t>(third), static_cast<std::uint32_t>(fourth)},
           device);
  if (reply) return Result(reply);
  return Guarded([&] { return kprt5::rore::DefaultAudio(mode, DeviceText(device)); });
}

int __stdcall VistaSetMicAGC(int mode, const char* device, UINT* value) {
  const std::uint32_t sent = mode != 0 && value != nullptr ? *value : 0;
  const std::optional<kprt5::wire::Frame> reply =
      Call(Function::VistaSetMicAGC, {static_cast<std::uint32_t>(mode), sent}, device);
  if (!reply) return Guarded([&] { return kprt5::rore::MicAgc(mode, DeviceText(device), value); });
  const int result = Result(reply);
  if (mode == 0 && result != 0 && value != nullptr) *value = reply->Arg(1);
  return result;
}

int __stdcall VistaSetSpeakerVolumeLevelDB(int mode, const char* device, float* levelDb) {
  const std::uint32_t sent = mode != 0 && levelDb != nullptr ? std::bit_cast<std::uint32_t>(*levelDb) : 0;
  const std::optional<kprt5::wire::Frame> reply =
      Call(Function::VistaSetSpeakerVolumeLevelDB, {static_cast<std::uint32_t>(mode), sent}, device);
  if (!reply) return Guarded([&] { return kprt5::rore::SpeakerLevelDb(mode, DeviceText(device), levelDb); });
  const int result = Result(reply);
  if (mode == 0 && result != 0 && levelDb != nullptr) *levelDb = std::bit_cast<float>(reply->Arg(1));
  return result;
}

}  // extern "C"
