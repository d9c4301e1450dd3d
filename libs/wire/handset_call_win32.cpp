#include "handset_call.h"

#include <mutex>

#include "pipe_io_win32.h"

namespace kprt5::wire {
namespace {

// One connection per library, kept open from call to call: opening a pipe connection costs many
// times the exchange itself (tens of milliseconds under load against well under one for a frame
// each way). Callers on several threads take turns on it, and so on its one event, which lives as
// long as the library.
struct KeptConnection {
  std::mutex mutex;
  UniqueHandle pipe;
  bool messageReads = false;  // the connection's end reads whole messages: one transaction a call
  UniqueHandle event = MakeManualEvent();
};

KeptConnection& Kept() {
  static KeptConnection kept;
  return kept;
}

enum class Outcome { Answered, WriteFailed, NoReply };

Outcome Exchange(const KeptConnection& kept, const Frame& request, Frame& reply) {
  HANDLE pipe = kept.pipe.Get();
  HANDLE event = kept.event.Get();
  if (kept.messageReads) {
    bool sent = false;
    if (TransactFrame(pipe, request, reply, kReplyTimeoutMs, event, sent) != IoStatus::Done)
      return sent ? Outcome::NoReply : Outcome::WriteFailed;
  } else {
    // A server whose pipe carries no messages: the frame out, then the reply in.
    if (WriteFrame(pipe, request, kReplyTimeoutMs, nullptr, event) != IoStatus::Done) return Outcome::WriteFailed;
    if (ReadFrame(pipe, reply, kReplyTimeoutMs, nullptr, event) != IoStatus::Done) return Outcome::NoReply;
  }
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
    if (!kept.pipe) {
      kept.pipe = ConnectToHandset(kConnectTimeoutMs, nullptr);
      if (!kept.pipe) return std::nullopt;
      kept.messageReads = UseMessageReads(kept.pipe.Get());
    }
    Frame reply;
    const Outcome outcome = Exchange(kept, request, reply);
    if (outcome == Outcome::Answered) return reply;
    kept.pipe.Reset();
    if (!reused || outcome != Outcome::WriteFailed) return std::nullopt;
  }
}

}  // namespace kprt5::wire
