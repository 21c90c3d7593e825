// The yardstick for start-up: the least a Win32 program does to have a window and a message loop.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, wchar_t*, int) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = instance;
  wc.lpszClassName = L"QMMinimalWindow";
  RegisterClassW(&wc);
  CreateWindowExW(0, wc.lpszClassName, L"Minimal", WS_SYSMENU, 0, 0, CW_USEDEFAULT, CW_USEDEFAULT,
                  nullptr, nullptr, instance, nullptr);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  return 0;
}
