#include "pipe_io_win32.h"

#include <algorithm>

namespace kprt5::wire {
namespace {

// Milliseconds left until `deadline` (a GetTickCount64 value), INFINITE kept as is.
DWORD Remaining(ULONGLONG deadline, DWORD timeoutMs) {
  if (timeoutMs == INFINITE) return INFINITE;
  const ULONGLONG now = GetTickCount64();
  return now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
}

constexpr int kNotFoundLooks = 2;
constexpr DWORD kNotFoundPauseMs = 5;

}  // namespace

UniqueHandle MakeManualEvent() { return UniqueHandle(CreateEventA(nullptr, TRUE, FALSE, nullptr)); }

namespace {

// The status an OVERLAPPED holds while its transfer is still under way (STATUS_PENDING).
constexpr ULONG_PTR kStillPending = 0x103;

bool Completed(const OVERLAPPED& overlapped) { return overlapped.Internal != kStillPending; }

// Waits for a started transfer to complete. A transfer resets its event when it starts, so the
// event is signalled only by its completion; should it still carry an earlier signal, it is reset
// and the wait goes on. A timeout or a stop cancels the transfer and waits until the OVERLAPPED is
// idle, since it must not go while the system still writes to it.
IoStatus AwaitTransfer(HANDLE pipe, OVERLAPPED& overlapped, ULONGLONG deadline, DWORD timeoutMs, HANDLE stop) {
  for (;;) {
    const HANDLE waits[2] = {overlapped.hEvent, stop};
    const DWORD count = stop != nullptr ? 2 : 1;
    const DWORD woke = WaitForMultipleObjects(count, waits, FALSE, Remaining(deadline, timeoutMs));
    if (woke == WAIT_OBJECT_0) {
      if (Completed(overlapped)) return IoStatus::Done;
      ResetEvent(overlapped.hEvent);
      if (Completed(overlapped)) return IoStatus::Done;
      continue;
    }
    DWORD ignored = 0;
    CancelIoEx(pipe, &overlapped);
    GetOverlappedResult(pipe, &overlapped, &ignored, TRUE);
    if (woke == WAIT_OBJECT_0 + 1) return IoStatus::Stopped;
    return woke == WAIT_TIMEOUT ? IoStatus::Timeout : IoStatus::Failed;
  }
}

// The caller's event, or one made for this transfer alone and kept in `own`.
HANDLE EventOrOwn(HANDLE event, UniqueHandle& own) {
  if (event != nullptr) return event;
  own = MakeManualEvent();
  return own.Get();
}

}  // namespace

IoStatus TransferAll(HANDLE pipe, bool write, void* buffer, DWORD size, DWORD timeoutMs, HANDLE stop, HANDLE event) {
  UniqueHandle ownEvent;
  event = EventOrOwn(event, ownEvent);
  if (event == nullptr) return IoStatus::Failed;
  const ULONGLONG deadline = GetTickCount64() + (timeoutMs == INFINITE ? 0 : timeoutMs);
  auto* bytes = static_cast<unsigned char*>(buffer);
  DWORD moved = 0;
  while (moved < size) {
    OVERLAPPED overlapped{};
    overlapped.hEvent = event;
    const BOOL started = write ? WriteFile(pipe, bytes + moved, size - moved, nullptr, &overlapped)
                               : ReadFile(pipe, bytes + moved, size - moved, nullptr, &overlapped);
    if (!started) {
      if (GetLastError() != ERROR_IO_PENDING) return IoStatus::Failed;
      const IoStatus waited = AwaitTransfer(pipe, overlapped, deadline, timeoutMs, stop);
      if (waited != IoStatus::Done) return waited;
    }
    DWORD done = 0;
    if (!GetOverlappedResult(pipe, &overlapped, &done, FALSE) || done == 0) return IoStatus::Failed;
    moved += done;
  }
  return IoStatus::Done;
}

IoStatus WriteFrame(HANDLE pipe, const Frame& frame, DWORD timeoutMs, HANDLE stop, HANDLE event) {
  std::optional<FrameBytes> bytes = Encode(frame);
  if (!bytes) return IoStatus::Failed;
  return TransferAll(pipe, true, bytes->data(), static_cast<DWORD>(bytes->size()), timeoutMs, stop, event);
}

IoStatus ReadFrame(HANDLE pipe, Frame& frame, DWORD timeoutMs, HANDLE stop, HANDLE event) {
  FrameBytes bytes{};
  const IoStatus status =
      TransferAll(pipe, false, bytes.data(), static_cast<DWORD>(bytes.size()), timeoutMs, stop, event);
  if (status != IoStatus::Done) return status;
  std::optional<Frame> decoded = Decode(bytes);
  if (!decoded) return IoStatus::Failed;
  frame = std::move(*decoded);
  return IoStatus::Done;
}

bool UseMessageReads(HANDLE pipe) {
  DWORD mode = PIPE_READMODE_MESSAGE;
  return SetNamedPipeHandleState(pipe, &mode, nullptr, nullptr) != 0;
}

IoStatus TransactFrame(HANDLE pipe, const Frame& request, Frame& reply, DWORD timeoutMs, HANDLE event, bool& sent) {
  sent = false;
  std::optional<FrameBytes> out = Encode(request);
  if (!out) return IoStatus::Failed;
  UniqueHandle ownEvent;
  event = EventOrOwn(event, ownEvent);
  if (event == nullptr) return IoStatus::Failed;
  const ULONGLONG deadline = GetTickCount64() + (timeoutMs == INFINITE ? 0 : timeoutMs);
  FrameBytes in{};
  OVERLAPPED overlapped{};
  overlapped.hEvent = event;
  if (!TransactNamedPipe(pipe, out->data(), static_cast<DWORD>(out->size()), in.data(), static_cast<DWORD>(in.size()),
                         nullptr, &overlapped)) {
    const DWORD error = GetLastError();
    if (error != ERROR_IO_PENDING) {
      sent = error == ERROR_MORE_DATA;  // written, and what came back was longer than a frame
      return IoStatus::Failed;
    }
    sent = true;
    const IoStatus waited = AwaitTransfer(pipe, overlapped, deadline, timeoutMs, nullptr);
    if (waited != IoStatus::Done) return waited;
  }
  sent = true;
  DWORD got = 0;
  // A reply longer than a frame fails here (more data), one shorter fails the size test.
  if (!GetOverlappedResult(pipe, &overlapped, &got, FALSE) || got != in.size()) return IoStatus::Failed;
  std::optional<Frame> decoded = Decode(in);
  if (!decoded) return IoStatus::Failed;
  reply = std::move(*decoded);
  return IoStatus::Done;
}

UniqueHandle ConnectToHandset(DWORD timeoutMs, HANDLE stop) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  int notFoundLooks = 0;
  for (;;) {
    UniqueHandle pipe(CreateFileA(kPipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OVERLAPPED, nullptr));
    if (pipe) return pipe;
    const DWORD error = GetLastError();
    // Wine answers "not found" also while every instance of a live server is busy, so "not found"
    // is believed only after a short second look.
    if (error == ERROR_FILE_NOT_FOUND && notFoundLooks < kNotFoundLooks) {
      ++notFoundLooks;
      if (stop == nullptr) Sleep(kNotFoundPauseMs);
      else if (WaitForSingleObject(stop, kNotFoundPauseMs) == WAIT_OBJECT_0) return {};
      continue;
    }
    if (error != ERROR_PIPE_BUSY) return {};  // no server at all
    if (stop != nullptr && WaitForSingleObject(stop, 0) == WAIT_OBJECT_0) return {};
    const DWORD left = Remaining(deadline, timeoutMs);
    if (left == 0) return {};
    // Every instance is busy: wait for one, in short slices so that a stop is noticed.
    WaitNamedPipeA(kPipeName, std::min<DWORD>(left, 50));
  }
}

}  // namespace kprt5::wire
