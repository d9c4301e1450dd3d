#include "handset_call.h"

#include <mutex>

#include "pipe_io_win32.h"

namespace kprt5::wire {
namespace {

// One connection per library, kept open from call to call: opening a pipe connection costs many
// times the exchange itself (tens of milliseconds under load against well under one for a frame
// each way). Callers on several threads take turns on it.
struct KeptConnection {
  std::mutex mutex;
  UniqueHandle pipe;
};

KeptConnection& Kept() {
  static KeptConnection kept;
  return kept;
}

enum class Outcome { Answered, WriteFailed, NoReply };

Outcome Exchange(HANDLE pipe, const Frame& request, Frame& reply) {
  if (WriteFrame(pipe, request, kReplyTimeoutMs, nullptr) != IoStatus::Done) return Outcome::WriteFailed;
  if (ReadFrame(pipe, reply, kReplyTimeoutMs, nullptr) != IoStatus::Done) return Outcome::NoReply;
  if (reply.kind != FrameKind::Reply || reply.code != request.code) return Outcome::NoReply;
  return Outcome::Answered;
}

}  // namespace

std::optional<Frame> CallHandset(const Frame& request) {
  KeptConnection& kept = Kept();
  std::lock_guard lock(kept.mutex);
  // A kept connection that the handset has closed since (its server ended or was replaced) fails
  // at the write, before the handset heard anything: only then is the call made once more on a
  // new connection. Any other failure drops the connection, so no late reply is read as the next
  // call's, and the call does nothing.
  for (bool reused = kept.pipe.Valid();; reused = false) {
    if (!kept.pipe) kept.pipe = ConnectToHandset(kConnectTimeoutMs, nullptr);
    if (!kept.pipe) return std::nullopt;
    Frame reply;
    const Outcome outcome = Exchange(kept.pipe.Get(), request, reply);
    if (outcome == Outcome::Answered) return reply;
    kept.pipe.Reset();
    if (!reused || outcome != Outcome::WriteFailed) return std::nullopt;
  }
}

}  // namespace kprt5::wire
