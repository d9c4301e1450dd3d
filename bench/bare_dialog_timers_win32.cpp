// The idle program with the middleware's own way of running added: a modal dialog (from a template
// in memory, no controls) whose dialog procedure has the three timers, the 100 ms one hiding the
// dialog at its first tick. Measured beside the bare timers, it shows what the modal dialog's
// message loop costs on its own.
#include <windows.h>

#include <cstddef>
#include <iterator>

namespace {

constexpr UINT_PTR kHideTimer = 2;

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      ::MoveWindow(dialog, 0, 0, 0, 0, TRUE);
      ::SetTimer(dialog, 1, 200, nullptr);
      ::SetTimer(dialog, kHideTimer, 100, nullptr);
      ::SetTimer(dialog, 3, 1000, nullptr);
      return TRUE;
    case WM_TIMER:
      if (wParam == kHideTimer) {
        ::KillTimer(dialog, kHideTimer);
        ::ShowWindow(dialog, SW_HIDE);
      }
      return FALSE;
    case WM_CLOSE:
      ::EndDialog(dialog, 0);
      return TRUE;
    default:
      return FALSE;
  }
}

// A DLGTEMPLATE of zero size with no menu, the default class and the caption below, as a sequence
// of WORDs (the template must be WORD-aligned, the header DWORD-aligned).
struct DialogTemplate {
  DLGTEMPLATE header;
  WORD menu;
  WORD windowClass;
  wchar_t caption[19];
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  alignas(4) DialogTemplate dialog{};
  dialog.header.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME;
  dialog.header.cdit = 0;
  const wchar_t caption[] = L"bare dialog timers";
  static_assert(sizeof caption == sizeof dialog.caption);
  for (std::size_t i = 0; i < std::size(caption); ++i) dialog.caption[i] = caption[i];
  return static_cast<int>(::DialogBoxIndirectParamA(instance, &dialog.header, nullptr, &DialogProc, 0));
}
