// Entry of KPRT5.exe: the single-instance application object and the modal run of the main window.
#include <windows.h>

#include "app/middleware_window_win32.h"
#include "app/process_records.h"
#include "app/win32_handles.h"
#include "skype/skype_transport_win32.h"

namespace kprt5 {
namespace {

constexpr const char* kInstanceMutexName = "Vexlo ZELT KP-RT5";

class MiddlewareApp {
 public:
  // Instance start: a second instance ends silently; the first runs the main window.
  void RunInstance(ProcessRecords& records) {
    UniqueHandle other(::OpenMutexA(MUTEX_ALL_ACCESS, TRUE, kInstanceMutexName));
    if (other) return;
    instanceMutex.Reset(::CreateMutexA(nullptr, TRUE, kInstanceMutexName));
    MiddlewareWindow window(records);
    window.RunModal();
  }

  // Instance end: the mutex is closed last, after the window has been destroyed.
  void EndInstance() { instanceMutex.Reset(); }

  UniqueHandle instanceMutex;
};

// Static initialisation, in this order: the application object, the process-wide records, then
// the registration of the two Skype messages, so both numbers are known before the window exists.
MiddlewareApp theApp;
ProcessRecords theRecords;
const bool skypeMessagesRegistered = (RegisterSkypeMessages(theRecords.link), true);

}  // namespace
}  // namespace kprt5

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  (void)kprt5::skypeMessagesRegistered;
  kprt5::theApp.RunInstance(kprt5::theRecords);
  kprt5::theApp.EndInstance();
  return 0;
}
