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

IoStatus TransferAll(HANDLE pipe, bool write, void* buffer, DWORD size, DWORD timeoutMs, HANDLE stop) {
  UniqueHandle event = MakeManualEvent();
  if (!event) return IoStatus::Failed;
  const ULONGLONG deadline = GetTickCount64() + (timeoutMs == INFINITE ? 0 : timeoutMs);
  auto* bytes = static_cast<unsigned char*>(buffer);
  DWORD moved = 0;
  while (moved < size) {
    OVERLAPPED overlapped{};
    overlapped.hEvent = event.Get();
    ResetEvent(event.Get());
    const BOOL started = write ? WriteFile(pipe, bytes + moved, size - moved, nullptr, &overlapped)
                               : ReadFile(pipe, bytes + moved, size - moved, nullptr, &overlapped);
    if (!started && GetLastError() != ERROR_IO_PENDING) return IoStatus::Failed;
    const HANDLE waits[2] = {event.Get(), stop};
    const DWORD count = stop != nullptr ? 2 : 1;
    const DWORD woke = WaitForMultipleObjects(count, waits, FALSE, Remaining(deadline, timeoutMs));
    DWORD done = 0;
    if (woke != WAIT_OBJECT_0) {
      CancelIoEx(pipe, &overlapped);
      GetOverlappedResult(pipe, &overlapped, &done, TRUE);  // the OVERLAPPED must be idle before it goes
      if (woke == WAIT_OBJECT_0 + 1) return IoStatus::Stopped;
      return woke == WAIT_TIMEOUT ? IoStatus::Timeout : IoStatus::Failed;
    }
    if (!GetOverlappedResult(pipe, &overlapped, &done, FALSE) || done == 0) return IoStatus::Failed;
    moved += done;
  }
  return IoStatus::Done;
}

IoStatus WriteFrame(HANDLE pipe, const Frame& frame, DWORD timeoutMs, HANDLE stop) {
  std::optional<FrameBytes> bytes = Encode(frame);
  if (!bytes) return IoStatus::Failed;
  return TransferAll(pipe, true, bytes->data(), static_cast<DWORD>(bytes->size()), timeoutMs, stop);
}

IoStatus ReadFrame(HANDLE pipe, Frame& frame, DWORD timeoutMs, HANDLE stop) {
  FrameBytes bytes{};
  const IoStatus status = TransferAll(pipe, false, bytes.data(), static_cast<DWORD>(bytes.size()), timeoutMs, stop);
  if (status != IoStatus::Done) return status;
  std::optional<Frame> decoded = Decode(bytes);
  if (!decoded) return IoStatus::Failed;
  frame = std::move(*decoded);
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
