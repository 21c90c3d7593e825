// The power-notification driver: a stream driver under prefix "WKD". Code 3 hands it a window,
// code 4 takes it back; at each power-on (the device's power button, or a resume of the host
// from sleep) it posts WM_POWERON_NOTIFY to the window it holds.
#include <windows.h>

#include <atomic>

#include "device/device_state.h"
#include "platform/power_driver.h"

namespace {

std::atomic<ULONG_PTR> g_window{0};
HANDLE g_thread = nullptr;
HANDLE g_stop = nullptr;
HANDLE g_button = nullptr;
std::atomic<DWORD> g_opens{0};

void NotifyPowerOn() {
  if (const ULONG_PTR window = g_window.load()) {
    PostMessageW(reinterpret_cast<HWND>(window), WM_POWERON_NOTIFY, 0, 0);
  }
}

LRESULT CALLBACK ResumeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_POWERBROADCAST && wParam == PBT_APMRESUMEAUTOMATIC) NotifyPowerOn();
  return DefWindowProcW(window, message, wParam, lParam);
}

DWORD WINAPI Watch(void*) {
  // A hidden top-level window hears the host's resume broadcasts.
  WNDCLASSW wc{};
  wc.lpfnWndProc = ResumeWindowProc;
  wc.hInstance = GetModuleHandleW(kPowerDriverLibrary);
  wc.lpszClassName = L"WakeDriverResume";
  RegisterClassW(&wc);
  HWND resume = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                wc.hInstance, nullptr);
  const HANDLE waits[] = {g_stop, g_button};
  for (;;) {
    const DWORD r = MsgWaitForMultipleObjects(2, waits, FALSE, INFINITE, QS_ALLINPUT);
    if (r == WAIT_OBJECT_0) break;
    if (r == WAIT_OBJECT_0 + 1) {
      NotifyPowerOn();
      continue;
    }
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  if (resume) DestroyWindow(resume);
  return 0;
}

}  // namespace

extern "C" {

__declspec(dllexport) DWORD WKD_Init(DWORD) {
  if (g_thread) return 0;  // one instance per device
  g_stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  g_button = CreateEventW(nullptr, FALSE, FALSE, kPowerButtonEventName);
  if (!g_stop || !g_button) return 0;
  ResetEvent(g_button);  // a press from before the driver was loaded is not a power-on now
  g_thread = CreateThread(nullptr, 0, Watch, nullptr, 0, nullptr);
  return g_thread ? 1 : 0;
}

__declspec(dllexport) BOOL WKD_Deinit(DWORD) {
  if (!g_thread) return FALSE;
  SetEvent(g_stop);
  WaitForSingleObject(g_thread, 5000);
  CloseHandle(g_thread);
  CloseHandle(g_stop);
  CloseHandle(g_button);
  g_thread = g_stop = g_button = nullptr;
  g_window = 0;
  return TRUE;
}

__declspec(dllexport) DWORD WKD_Open(DWORD context, DWORD, DWORD) {
  if (context == 0) return 0;
  return ++g_opens;
}

__declspec(dllexport) BOOL WKD_Close(DWORD open) { return open != 0; }

__declspec(dllexport) BOOL WKD_IOControl(DWORD open, DWORD code, BYTE* in, DWORD inSize, BYTE*,
                                         DWORD, DWORD* returned) {
  if (returned) *returned = 0;
  if (open == 0 || !in || inSize < sizeof(DWORD)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  DWORD window = 0;
  memcpy(&window, in, sizeof window);
  if (code == kPowerDriverSetWindow) {
    g_window = window;
    return TRUE;
  }
  if (code == kPowerDriverClearWindow) {
    ULONG_PTR expected = window;
    g_window.compare_exchange_strong(expected, 0);
    return TRUE;
  }
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}

}  // extern "C"
