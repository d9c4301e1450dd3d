// The exported functions of ZU_VAZ.dll: each chip call is one request to the handset and one reply;
// with no handset server every call does nothing and answers 0. The two monitor starts run a watcher.
#include "zu_vaz.h"

#include <memory>
#include <mutex>
#include <optional>

#include "../wire/handset_call.h"
#include "monitor_watch_win32.h"

namespace {

using kprt5::wire::Function;

int Call(Function function, std::initializer_list<std::uint32_t> args, UINT* value = nullptr) {
  const std::optional<kprt5::wire::Frame> reply = kprt5::wire::CallHandset(kprt5::wire::MakeCall(function, args));
  if (!reply) return 0;
  const int result = static_cast<int>(reply->Arg(0));
  if (value != nullptr && result != 0) *value = reply->Arg(1);
  return result;
}

// The one running monitor. At unload with the monitor still running the thread is let go, not joined
// (joining under the loader lock would hang).
struct MonitorSlot {
  std::mutex mutex;
  std::unique_ptr<kprt5::zu_vaz::MonitorWatch> watch;
  ~MonitorSlot() {
    if (watch) watch->Abandon();
  }
};

MonitorSlot& Slot() {
  static MonitorSlot slot;
  return slot;
}

std::unique_ptr<kprt5::zu_vaz::MonitorWatch> TakeWatch() {
  std::lock_guard lock(Slot().mutex);
  return std::move(Slot().watch);
}

int StartWatch(kprt5::zu_vaz::WatchSetup setup) {
  // A start while a monitor runs replaces it.
  if (std::unique_ptr<kprt5::zu_vaz::MonitorWatch> old = TakeWatch()) old->Stop();
  try {
    auto watch = std::make_unique<kprt5::zu_vaz::MonitorWatch>(std::move(setup));
    std::lock_guard lock(Slot().mutex);
    Slot().watch = std::move(watch);
    return 1;
  } catch (...) {
    return 0;
  }
}

}  // namespace

extern "C" {

int __stdcall HidStartMonitor(HidCallback callback, UINT message0, UINT message1, UINT message2, UINT message3,
                              UINT message4, UINT message5, UINT message6, UINT message7, UINT message8,
                              UINT vendorId, UINT productId) {
  kprt5::zu_vaz::WatchSetup setup;
  setup.callback = callback;
  setup.deviceMessages = {message0, message1, message2, message3, message4, message5, message6, message7, message8};
  setup.hello = kprt5::wire::MakeFrame(kprt5::wire::FrameKind::Watch, static_cast<std::uint32_t>(Function::HidStartMonitor),
                                       {message0, message1, message2, message3, message4, message5, message6, message7,
                                        message8, vendorId, productId});
  return StartWatch(std::move(setup));
}

int __stdcall HidStartReportMonitor(UINT first, HidCallback callback, UINT reportMessage, UINT vendorId,
                                    UINT productId) {
  kprt5::zu_vaz::WatchSetup setup;
  setup.callback = callback;
  setup.reportMode = true;
  setup.reportMessage = reportMessage;
  setup.hello = kprt5::wire::MakeFrame(kprt5::wire::FrameKind::Watch,
                                       static_cast<std::uint32_t>(Function::HidStartReportMonitor),
                                       {first, reportMessage, vendorId, productId});
  return StartWatch(std::move(setup));
}

int __stdcall HidStopMonitor(void) {
  if (std::unique_ptr<kprt5::zu_vaz::MonitorWatch> watch = TakeWatch()) {
    if (const std::optional<int> result = watch->Stop()) return *result;
  }
  return Call(Function::HidStopMonitor, {});
}

int __stdcall HidOnDeviceChange(UINT wParam, UINT lParam) { return Call(Function::HidOnDeviceChange, {wParam, lParam}); }
int __stdcall HidStartKeyScan4x4(void) { return Call(Function::HidStartKeyScan4x4, {}); }
int __stdcall HidStopKeyScan(void) { return Call(Function::HidStopKeyScan, {}); }
int __stdcall HidBuzzerOn(void) { return Call(Function::HidBuzzerOn, {}); }
int __stdcall HidBuzzerOff(void) { return Call(Function::HidBuzzerOff, {}); }
int __stdcall HidWriteEeprom(UINT address, UINT value) { return Call(Function::HidWriteEeprom, {address, value}); }
int __stdcall HidReadEeprom(UINT address, UINT* value) { return Call(Function::HidReadEeprom, {address}, value); }
int __stdcall HidSetReport(UINT byte0, UINT byte1, UINT byte2, UINT byte3) {
  return Call(Function::HidSetReport, {byte0, byte1, byte2, byte3});
}
int __stdcall HidSetGpio(UINT levelBits, UINT outputBits) { return Call(Function::HidSetGpio, {levelBits, outputBits}); }
int __stdcall HidSetScanKeyBuzzer(UINT flag) { return Call(Function::HidSetScanKeyBuzzer, {flag}); }
int __stdcall HidSetBuzzerDuration(UINT milliseconds) { return Call(Function::HidSetBuzzerDuration, {milliseconds}); }
int __stdcall HidSetKeyScanSpeed(int milliseconds) {
  return Call(Function::HidSetKeyScanSpeed, {static_cast<std::uint32_t>(milliseconds)});
}
int __stdcall HidStartKeyScan4x5(void) { return Call(Function::HidStartKeyScan4x5, {}); }
int __stdcall HidStartKeyScan2x3(void) { return Call(Function::HidStartKeyScan2x3, {}); }
int __stdcall HidStartKeyScan2x2(UINT pullHigh) { return Call(Function::HidStartKeyScan2x2, {pullHigh}); }

}  // extern "C"
