#include "handset_call.h"

#include "pipe_io_win32.h"

namespace kprt5::wire {

std::optional<Frame> CallHandset(const Frame& request) {
  UniqueHandle pipe = ConnectToHandset(kConnectTimeoutMs, nullptr);
  if (!pipe) return std::nullopt;
  if (WriteFrame(pipe.Get(), request, kReplyTimeoutMs, nullptr) != IoStatus::Done) return std::nullopt;
  Frame reply;
  if (ReadFrame(pipe.Get(), reply, kReplyTimeoutMs, nullptr) != IoStatus::Done) return std::nullopt;
  if (reply.kind != FrameKind::Reply || reply.code != request.code) return std::nullopt;
  return reply;
}

}  // namespace kprt5::wire
