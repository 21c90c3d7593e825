#include "support/dialog_driver.h"

#include <map>

namespace {

struct Pending {
  std::wstring className;
  std::wstring title;
  std::function<void(HWND)> act;
  std::function<void()> delayed;
};
std::map<UINT_PTR, Pending> g_pending;

void CALLBACK Poll(HWND, UINT, UINT_PTR id, DWORD) {
  auto it = g_pending.find(id);
  if (it == g_pending.end()) {
    KillTimer(nullptr, id);
    return;
  }
  if (it->second.delayed) {
    KillTimer(nullptr, id);
    auto act = std::move(it->second.delayed);
    g_pending.erase(it);
    act();
    return;
  }
  // Other test programs on the same desktop may show a window of the same names, in front of
  // this one's. A dialog is found only once it is shown: between its creation and its showing
  // (a loaded machine may poll there) its controls are not yet there to be tapped.
  const wchar_t* cls = it->second.className.c_str();
  const wchar_t* title = it->second.title.c_str();
  HWND found = FindWindowExW(nullptr, nullptr, cls, title);
  for (; found; found = FindWindowExW(nullptr, found, cls, title)) {
    DWORD pid = 0;
    GetWindowThreadProcessId(found, &pid);
    if (pid == GetCurrentProcessId() && IsWindowVisible(found)) break;
  }
  if (!found) return;
  KillTimer(nullptr, id);
  auto act = std::move(it->second.act);
  g_pending.erase(it);
  act(found);
}

}  // namespace

UINT_PTR WhenWindowAppears(const std::wstring& className, const std::wstring& title,
                           std::function<void(HWND)> act) {
  const UINT_PTR id = SetTimer(nullptr, 0, 20, Poll);
  g_pending[id] = Pending{className, title, std::move(act), {}};
  return id;
}

void CancelWhenWindowAppears(UINT_PTR token) {
  KillTimer(nullptr, token);
  g_pending.erase(token);
}

UINT_PTR AfterDelay(UINT ms, std::function<void()> act) {
  const UINT_PTR id = SetTimer(nullptr, 0, ms, Poll);
  g_pending[id] = Pending{{}, {}, {}, std::move(act)};
  return id;
}

void PumpMessages(UINT ms) {
  const DWORD end = GetTickCount() + ms;
  MSG msg;
  while (static_cast<LONG>(end - GetTickCount()) > 0) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

bool PumpUntil(const std::function<bool()>& condition, DWORD ms) {
  const DWORD end = GetTickCount() + ms;
  MSG msg;
  for (;;) {
    if (condition()) return true;
    const LONG left = static_cast<LONG>(end - GetTickCount());
    if (left <= 0) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, left < 20 ? left : 20, QS_ALLINPUT);
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}
