#include "support/test_main_window.h"

#include "app/main_window.h"
#include "app/startup.h"

HWND CreateTestMainWindow() {
  static const ATOM atom = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QMTestMainWindow";
    return RegisterClassW(&wc);
  }();
  if (!atom) return nullptr;
  MainWindow = CreateWindowExW(0, L"QMTestMainWindow", L"QMind", WS_SYSMENU, 0, 0, 10, 10, nullptr,
                               nullptr, GetModuleHandleW(nullptr), nullptr);
  CheckTimer = 0;
  CheckBusy = false;
  SettingsWindowOpen = false;
  return MainWindow;
}

void DestroyTestMainWindow() {
  if (IsWindow(MainWindow)) {
    KillTimer(MainWindow, kCheckTimerId);
    SetWindowLongPtrW(MainWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DefWindowProcW));
    DestroyWindow(MainWindow);
  }
  MainWindow = nullptr;
  CheckTimer = 0;
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
}
