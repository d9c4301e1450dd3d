// The least a dialog-and-tray program costs to start: a modal dialog from a template in memory,
// of the middleware window's size and style, that shrinks itself and adds one notification-area icon
// in its initialisation. It removes the icon and ends on WM_CLOSE.
#include <windows.h>
#include <shellapi.h>

#include <cstring>
#include <vector>

namespace {

constexpr UINT kTrayCallback = 1034;
constexpr UINT kIconId = 130;

NOTIFYICONDATAA TrayData(HWND window) {
  NOTIFYICONDATAA data{};
  data.cbSize = sizeof data;
  data.hWnd = window;
  data.uID = kIconId;
  data.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
  data.uCallbackMessage = kTrayCallback;
  data.hIcon = ::LoadIconA(nullptr, IDI_APPLICATION);
  std::strcpy(data.szTip, "bare tray");
  return data;
}

INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      ::MoveWindow(window, 0, 0, 0, 0, TRUE);
      NOTIFYICONDATAA data = TrayData(window);
      ::Shell_NotifyIconA(NIM_ADD, &data);
      return TRUE;
    }
    case WM_CLOSE: {
      NOTIFYICONDATAA data = TrayData(window);
      ::Shell_NotifyIconA(NIM_DELETE, &data);
      ::EndDialog(window, 0);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

// DLGTEMPLATE, then no menu, the standard class and the caption in UTF-16, as WORDs.
std::vector<WORD> DialogTemplate() {
  DLGTEMPLATE header{};
  header.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME | WS_VISIBLE;
  header.cx = 327;
  header.cy = 450;
  std::vector<WORD> words(sizeof header / sizeof(WORD));
  std::memcpy(words.data(), &header, sizeof header);
  words.push_back(0);  // no menu
  words.push_back(0);  // the standard dialog class
  for (const char* c = "KPRT5 bench bare tray"; *c != '\0'; ++c) words.push_back(static_cast<WORD>(*c));
  words.push_back(0);
  return words;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  const std::vector<WORD> dialog = DialogTemplate();
  ::DialogBoxIndirectParamA(instance, reinterpret_cast<LPCDLGTEMPLATEA>(dialog.data()), nullptr, &DialogProc, 0);
  return 0;
}
