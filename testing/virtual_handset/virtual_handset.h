// The virtual handset: the other end of both handset libraries' pipe, living in a test process (or
// in virtual-handset.exe). It plays the handset's chip and audio function and logs every call.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "call_log.h"
#include "handset_model.h"

namespace kprt5::handset {

class VirtualHandset {
 public:
  using Observer = HandsetModel::Observer;

  // Opens the pipe at once (libraries can connect when this returns) and serves it on threads of
  // its own. Throws std::runtime_error when the pipe cannot be made, e.g. another handset serves it.
  // The handset starts unplugged.
  explicit VirtualHandset(Observer observer = {});
  ~VirtualHandset();  // closes every connection: a watching monitor sees its handset go away
  VirtualHandset(const VirtualHandset&) = delete;
  VirtualHandset& operator=(const VirtualHandset&) = delete;

  // Arrival and removal: device message 0 / 1 to every watching monitor, on a change only.
  void Plug();
  void Unplug();
  bool IsPlugged() const;
  // Device message n (0..8) and a raw report to the watching monitors; the number reached.
  std::size_t SendDeviceMessage(std::uint32_t n, std::uint32_t wParam, std::uint32_t lParam);
  std::size_t SendReport(std::uint32_t wParam, std::uint32_t lParam);

  HandsetState State() const;
  void SetEeprom(std::size_t address, std::uint16_t value);
  void SetEepromReadsFail(bool fail);
  float SpeakerLevelDb() const;
  void SetSpeakerLevelDb(float levelDb);

  std::vector<LogEntry> Log() const;
  void ClearLog();
  bool WaitForLog(const std::function<bool(const std::vector<LogEntry>&)>& condition,
                  std::chrono::milliseconds timeout) const;
  bool WaitUntil(const std::function<bool(const HandsetState&)>& condition, std::chrono::milliseconds timeout) const;
  // Shorthands: a log entry of this function has arrived; a monitor is (or is not) connected.
  bool WaitForCall(const std::string& function, std::chrono::milliseconds timeout) const;
  bool WaitForMonitor(bool running, std::chrono::milliseconds timeout) const;

 private:
  class Server;
  HandsetModel model_;
  std::unique_ptr<Server> server_;
};

}  // namespace kprt5::handset
