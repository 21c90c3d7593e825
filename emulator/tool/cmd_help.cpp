// Help on the Start menu: the shell asks the window in front for help on what has the focus.
#include <windows.h>

#include <cwchar>
#include <string>

#include "platform/shell_names.h"
#include "tool.h"

namespace {

constexpr UINT kAnswerTimeoutMs = 10000;

// The window the owner is looking at; the task bar does not count (a tap on the Start menu does
// not take the front from the window under it).
HWND FrontWindow() {
  const HWND front = GetForegroundWindow();
  if (!front || front == GetDesktopWindow()) return nullptr;
  wchar_t cls[32] = {};
  GetClassNameW(front, cls, 32);
  if (wcscmp(cls, kTaskBarClass) == 0) return nullptr;
  return front;
}

// The window with the focus in the thread of `front`, when it is `front` or one of its
// descendants; else `front` itself.
HWND FocusIn(HWND front) {
  GUITHREADINFO gui{};
  gui.cbSize = sizeof gui;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(front, nullptr), &gui)) return front;
  const HWND focus = gui.hwndFocus;
  return focus && (focus == front || IsChild(front, focus)) ? focus : front;
}

std::wstring CaptionOf(HWND window) {
  wchar_t caption[128] = {};
  GetWindowTextW(window, caption, 128);
  return caption;
}

// WM_HELP carries a pointer to its HELPINFO: Wine copies the record into the receiving process
// for a sent message, and refuses to post it at all, so it is sent.
int Help(const ToolArgs& args) {
  if (!args.empty()) {
    PrintError(L"usage: qmdevice help");
    return 2;
  }
  const HWND front = FrontWindow();
  if (!front) {
    PrintError(L"no window is in front to ask for help");
    return 1;
  }
  const HWND focus = FocusIn(front);
  HELPINFO info{};
  info.cbSize = sizeof info;
  info.iContextType = HELPINFO_WINDOW;
  info.iCtrlId = focus == front ? 0 : GetDlgCtrlID(focus);
  info.hItemHandle = focus;
  info.dwContextId = GetWindowContextHelpId(focus);
  GetCursorPos(&info.MousePos);
  // A dialog's answer is whatever it left as its message result, so only delivery counts.
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutW(front, WM_HELP, 0, reinterpret_cast<LPARAM>(&info), SMTO_ABORTIFHUNG,
                           kAnswerTimeoutMs, &answer)) {
    PrintError(L"\"" + CaptionOf(front) + L"\" did not answer the request for help");
    return 1;
  }
  const std::wstring subject =
      focus == front ? L"the window" : L"control " + std::to_wstring(info.iCtrlId);
  Print(L"asked \"" + CaptionOf(front) + L"\" for help on " + subject);
  return 0;
}

const ToolCommand kHelp(L"help", L"help    (Help on the Start menu, for the window in front)",
                        Help);

}  // namespace
