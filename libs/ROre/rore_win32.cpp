// The exported functions of ROre.dll: each is one request to the handset's audio function and one
// reply; with no handset server every call does nothing and answers 0.
#include "rore.h"

#include <bit>
#include <cstdint>
#include <optional>
#include <string_view>

#include "../wire/handset_call.h"

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

}  // namespace

extern "C" {

int __stdcall VistaSetDefaultAudio(int mode, const char* device, int third, int fourth) {
  return Result(Call(Function::VistaSetDefaultAudio,
                     {static_cast<std::uint32_t>(mode), static_cast<std::uint32_t>(third), static_cast<std::uint32_t>(fourth)},
                     device));
}

int __stdcall VistaSetMicAGC(int mode, const char* device, UINT* value) {
  const std::uint32_t sent = mode != 0 && value != nullptr ? *value : 0;
  const std::optional<kprt5::wire::Frame> reply =
      Call(Function::VistaSetMicAGC, {static_cast<std::uint32_t>(mode), sent}, device);
  const int result = Result(reply);
  if (mode == 0 && result != 0 && value != nullptr) *value = reply->Arg(1);
  return result;
}

int __stdcall VistaSetSpeakerVolumeLevelDB(int mode, const char* device, float* levelDb) {
  const std::uint32_t sent = mode != 0 && levelDb != nullptr ? std::bit_cast<std::uint32_t>(*levelDb) : 0;
  const std::optional<kprt5::wire::Frame> reply =
      Call(Function::VistaSetSpeakerVolumeLevelDB, {static_cast<std::uint32_t>(mode), sent}, device);
  const int result = Result(reply);
  if (mode == 0 && result != 0 && levelDb != nullptr) *levelDb = std::bit_cast<float>(reply->Arg(1));
  return result;
}

}  // extern "C"
