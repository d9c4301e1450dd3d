// The virtual handset's pipe server: one listening instance at a time, one thread per connected
// library, every frame handed to the model. Bad frames close their connection and nothing else.
#include <windows.h>

#include <array>
#include <atomic>
#include <list>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

#include "../../libs/wire/pipe_io_win32.h"
#include "virtual_handset.h"

namespace kprt5::handset {

using wire::IoStatus;
using wire::UniqueHandle;

namespace {

constexpr DWORD kPipeBuffer = 64 * 1024;
constexpr DWORD kSendTimeoutMs = 1000;
constexpr DWORD kRetryMs = 100;

// A message pipe, so that a library's call and its reply are one transaction (TransactNamedPipe)
// on the library's side; every frame is written whole, so each is one message.
UniqueHandle MakeInstance(bool first) {
  const DWORD openMode = PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | (first ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0u);
  return UniqueHandle(CreateNamedPipeA(wire::kPipeName, openMode,
                                       PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
                                       PIPE_UNLIMITED_INSTANCES, kPipeBuffer, kPipeBuffer, 0, nullptr));
}

}  // namespace

class VirtualHandset::Server {
 public:
  explicit Server(HandsetModel& model) : model_(model) {
    if (!stop_) throw std::runtime_error("virtual handset: no stop event");
    if (!Arm(listening_[0], true))
      throw std::runtime_error("virtual handset: cannot open " + std::string(wire::kPipeName) + " (error " +
                               std::to_string(GetLastError()) + "); is another handset serving it?");
    listener_ = std::thread([this] { Listen(); });
  }

  ~Server() {
    SetEvent(stop_.Get());
    listener_.join();
    std::lock_guard lock(connectionsMutex_);
    for (auto& connection : connections_) connection->thread.join();
  }

  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

 private:
  struct Connection : FrameSink {
    UniqueHandle pipe;
    HANDLE stop = nullptr;
    UniqueHandle readEvent = wire::MakeManualEvent();   // the serving thread's reads
    UniqueHandle writeEvent = wire::MakeManualEvent();  // writes, one at a time under writeMutex
    std::mutex writeMutex;
    std::thread thread;
    std::atomic<bool> done{false};

    bool Send(const wire::Frame& frame) override {
      std::lock_guard lock(writeMutex);
      return pipe && wire::WriteFrame(pipe.Get(), frame, kSendTimeoutMs, stop, writeEvent.Get()) == IoStatus::Done;
    }
  };

  // One instance waiting for a client. Wine answers "no such pipe" (not "busy") to a client while
  // no instance listens, so several listen at once and each is replaced as soon as it connects.
  struct Listening {
    UniqueHandle pipe;
    UniqueHandle event = wire::MakeManualEvent();
    OVERLAPPED overlapped{};
    bool armed = false;
    bool connectedAtOnce = false;
  };
  static constexpr std::size_t kListening = 4;

  static bool Arm(Listening& slot, bool first) {
    slot.pipe = MakeInstance(first);
    if (!slot.pipe || !slot.event) return false;
    slot.overlapped = OVERLAPPED{};
    slot.overlapped.hEvent = slot.event.Get();
    ResetEvent(slot.event.Get());
    slot.connectedAtOnce = false;
    if (!ConnectNamedPipe(slot.pipe.Get(), &slot.overlapped)) {
      const DWORD error = GetLastError();
      if (error == ERROR_PIPE_CONNECTED) {
        slot.connectedAtOnce = true;
        SetEvent(slot.event.Get());
      } else if (error != ERROR_IO_PENDING) {
        slot.pipe.Reset();
        return false;
      }
    } else {
      slot.connectedAtOnce = true;
      SetEvent(slot.event.Get());
    }
    slot.armed = true;
    return true;
  }

  static void Disarm(Listening& slot) {
    if (slot.armed && !slot.connectedAtOnce) {
      DWORD ignored = 0;
      CancelIoEx(slot.pipe.Get(), &slot.overlapped);
      GetOverlappedResult(slot.pipe.Get(), &slot.overlapped, &ignored, TRUE);
    }
    slot.armed = false;
    slot.pipe.Reset();
  }

  void Listen() {
    for (;;) {
      bool allArmed = true;
      for (Listening& slot : listening_)
        if (!slot.armed && !Arm(slot, false)) allArmed = false;
      HANDLE waits[kListening + 1] = {stop_.Get()};
      Listening* slots[kListening + 1] = {nullptr};
      DWORD count = 1;
      for (Listening& slot : listening_) {
        if (!slot.armed) continue;
        waits[count] = slot.event.Get();
        slots[count++] = &slot;
      }
      const DWORD woke = WaitForMultipleObjects(count, waits, FALSE, allArmed ? INFINITE : kRetryMs);
      if (woke == WAIT_OBJECT_0) break;
      if (woke <= WAIT_OBJECT_0 || woke >= WAIT_OBJECT_0 + count) continue;  // time to re-arm
      Listening& slot = *slots[woke - WAIT_OBJECT_0];
      DWORD ignored = 0;
      const bool connected =
          slot.connectedAtOnce || GetOverlappedResult(slot.pipe.Get(), &slot.overlapped, &ignored, FALSE) != 0;
      slot.armed = false;
      if (!connected) {
        slot.pipe.Reset();
        continue;
      }
      auto connection = std::make_unique<Connection>();
      connection->pipe = std::move(slot.pipe);
      connection->stop = stop_.Get();
      Connection* raw = connection.get();
      raw->thread = std::thread([this, raw] {
        Serve(*raw);
        raw->done = true;
      });
      std::lock_guard lock(connectionsMutex_);
      connections_.push_back(std::move(connection));
      Reap();
    }
    for (Listening& slot : listening_) Disarm(slot);
  }

  void Serve(Connection& connection) {
    for (;;) {
      wire::Frame frame;
      if (wire::ReadFrame(connection.pipe.Get(), frame, INFINITE, stop_.Get(), connection.readEvent.Get()) !=
          IoStatus::Done)
        break;
      if (!model_.Receive(frame, connection)) {
        // Let the library read the last reply and close its end before this end goes.
        wire::Frame ignored;
        wire::ReadFrame(connection.pipe.Get(), ignored, kSendTimeoutMs, stop_.Get(), connection.readEvent.Get());
        break;
      }
    }
    model_.Disconnected(connection);
    std::lock_guard lock(connection.writeMutex);
    connection.pipe.Reset();  // the library sees its end close at once
  }

  // Joins the threads of connections that have ended. Called with connectionsMutex_ held.
  void Reap() {
    for (auto it = connections_.begin(); it != connections_.end();) {
      if ((*it)->done) {
        (*it)->thread.join();
        it = connections_.erase(it);
      } else {
        ++it;
      }
    }
  }

  HandsetModel& model_;
  UniqueHandle stop_ = wire::MakeManualEvent();
  std::array<Listening, kListening> listening_;
  std::thread listener_;
  std::mutex connectionsMutex_;
  std::list<std::unique_ptr<Connection>> connections_;
};

VirtualHandset::VirtualHandset(Observer observer)
    : model_(std::move(observer)), server_(std::make_unique<Server>(model_)) {}

VirtualHandset::~VirtualHandset() = default;

}  // namespace kprt5::handset
