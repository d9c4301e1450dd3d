// Overlapped named-pipe I/O of whole wire frames, with timeouts and a stop event, shared by both
// libraries and the virtual handset's server.
#pragma once

#include <windows.h>

#include <optional>

#include "wire_frame.h"

namespace kprt5::wire {

// Owns one kernel handle; move-only.
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { Reset(); }

  HANDLE Get() const { return handle_; }
  bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  explicit operator bool() const { return Valid(); }
  HANDLE Release() {
    HANDLE handle = handle_;
    handle_ = nullptr;
    return handle;
  }
  void Reset(HANDLE handle = nullptr) {
    if (Valid()) CloseHandle(handle_);
    handle_ = handle;
  }

 private:
  HANDLE handle_ = nullptr;
};

// A manual-reset event, not signalled.
UniqueHandle MakeManualEvent();

enum class IoStatus { Done, Timeout, Stopped, Failed };

// One overlapped transfer of exactly `size` bytes (looping over partial transfers); waits at most
// timeoutMs in all (INFINITE allowed) and gives up when `stop` (may be null) is signalled.
// `event` is the manual-reset event the transfer waits on; one kept with the connection saves
// making and closing one for every transfer (each a request to the system under Wine), and a
// transfer that completes at once does not wait at all. Without one (null) the transfer makes its
// own. One event serves one transfer at a time.
IoStatus TransferAll(HANDLE pipe, bool write, void* buffer, DWORD size, DWORD timeoutMs, HANDLE stop,
                     HANDLE event = nullptr);

IoStatus WriteFrame(HANDLE pipe, const Frame& frame, DWORD timeoutMs, HANDLE stop, HANDLE event = nullptr);

// Reads one frame; a frame that does not decode is Failed (the caller drops the connection).
IoStatus ReadFrame(HANDLE pipe, Frame& frame, DWORD timeoutMs, HANDLE stop, HANDLE event = nullptr);

// Puts a client's end of the handset's pipe in message read mode, which TransactFrame needs; false
// when the server's pipe is not a message pipe (the end is then left as it was).
bool UseMessageReads(HANDLE pipe);

// Writes `request` and reads the one frame that answers it in a single exchange (TransactNamedPipe)
// on an end in message read mode: one request to the system and one wait, where a write and then a
// read take two requests and a wait. `sent` is false when the exchange failed before the request
// went out (the connection was already closed, so the handset heard nothing). A reply that is not
// exactly one frame, or does not decode, is Failed.
IoStatus TransactFrame(HANDLE pipe, const Frame& request, Frame& reply, DWORD timeoutMs, HANDLE event, bool& sent);

// Opens a connection to the handset's pipe; an invalid handle when no handset server exists or none
// became free within timeoutMs (or `stop`, which may be null, was signalled).
UniqueHandle ConnectToHandset(DWORD timeoutMs, HANDLE stop);

}  // namespace kprt5::wire
