#include "skype/skype_attach.h"

#include <algorithm>
#include <string_view>

#include "skype/skype_commands.h"

namespace kprt5 {
namespace {

// The area's text up to its first zero, never past its end.
std::string_view AreaText(const char (&area)[kAudioNameAreaSize]) {
  const char* end = std::find(std::begin(area), std::end(area), '\0');
  return std::string_view(area, static_cast<std::size_t>(end - area));
}

void RunAttachSequence(SkypeLink& link, WindowHandle skypeWindow, SkypeTransport& transport,
                       HandsetAudioNames& audioNames) {
  link.skypeWindow = skypeWindow;
  link.skypeAttached = 1;
  link.discoveryPending = 0;
  transport.SendSkypeCommand(link.skypeWindow, kFocusCommand);

  // One area for both lookups: a lookup that finds nothing leaves the previous name (or the empty
  // text) in place, and the ringer reuses the output name.
  char area[kAudioNameAreaSize] = {};
  audioNames.LookupHandsetAudioName(area, HandsetAudioProperty::Input);
  transport.SendSkypeCommandWithArgument(link.skypeWindow, kAudioInPrefix, AreaText(area));
  audioNames.LookupHandsetAudioName(area, HandsetAudioProperty::Output);
  transport.SendSkypeCommandWithArgument(link.skypeWindow, kAudioOutPrefix, AreaText(area));
  transport.SendSkypeCommandWithArgument(link.skypeWindow, kRingerPrefix, AreaText(area));
}

}  // namespace

bool HandleSkypeAttach(SkypeLink& link, WindowHandle skypeWindow, std::intptr_t status,
                       SkypeTransport& transport, HandsetAudioNames& audioNames) {
  if (status == kAttachSuccess) {
    RunAttachSequence(link, skypeWindow, transport, audioNames);
    return true;
  }
  if (status == kAttachApiAvailable) transport.BroadcastSkypeDiscover();
  return false;
}

}  // namespace kprt5
