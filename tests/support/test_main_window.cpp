#include "support/test_main_window.h"

#include "app/main_window.h"
#include "platform/program_names.h"

HWND CreateTestMainWindow() {
  static const ATOM atom = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QMTestMainWindow";
    return RegisterClassW(&wc);
  }();
  if (!atom) return nullptr;
  Program.MainWindow = CreateWindowExW(0, L"QMTestMainWindow", kProgramName, WS_SYSMENU, 0, 0, 10,
                                       10, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ResetMainWindowState();
  return Program.MainWindow;
}

void DestroyTestMainWindow() {
  if (IsWindow(Program.MainWindow)) {
    KillTimer(Program.MainWindow, kCheckTimerId);
    SetWindowLongPtrW(Program.MainWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DefWindowProcW));
    DestroyWindow(Program.MainWindow);
  }
  Program.MainWindow = nullptr;
  ResetMainWindowState();
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
}
