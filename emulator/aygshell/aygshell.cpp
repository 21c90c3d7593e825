#include "aygshell/shell_helpers.h"

#include "platform/shell_names.h"

namespace {

HWND FindShellTaskBar() { return FindWindowW(kTaskBarClass, L""); }

// The top edge left free for a shown task bar.
LONG TopBelowTaskBar(LONG top) {
  const HWND taskBar = FindShellTaskBar();
  if (!taskBar || !IsWindowVisible(taskBar)) return top;
  RECT bar{};
  if (!GetWindowRect(taskBar, &bar)) return top;
  return bar.bottom > top ? bar.bottom : top;
}

void MarkHidden(HWND taskBar, const wchar_t* prop, bool hide) {
  if (hide) {
    SetPropW(taskBar, prop, reinterpret_cast<HANDLE>(1));
  } else {
    RemovePropW(taskBar, prop);
  }
}

LRESULT CALLBACK MenuBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // The bar is a strip the user cannot activate away from its owner.
  if (message == WM_MOUSEACTIVATE) return MA_NOACTIVATE;
  return DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterMenuBarClass(HINSTANCE instance) {
  WNDCLASSW existing{};
  if (GetClassInfoW(instance, kMenuBarClass, &existing)) return true;
  WNDCLASSW wc{};
  wc.lpfnWndProc = MenuBarProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<const wchar_t*>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kMenuBarClass;
  return RegisterClassW(&wc) != 0;
}

}  // namespace

namespace devshell {

BOOL InitDialog(PSHINITDLGINFO info) {
  if (!info || !(info->dwMask & SHIDIM_FLAGS) || !IsWindow(info->hDlg)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const HWND dialog = info->hDlg;
  const DWORD flags = info->dwFlags;
  if (flags & SHIDIF_DONEBUTTON) SetPropW(dialog, kDoneButtonProp, reinterpret_cast<HANDLE>(1));

  RECT area{};
  if (flags & SHIDIF_SIZEDLGFULLSCREEN) {
    area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  } else if (flags & SHIDIF_SIZEDLG) {
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0)) {
      area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
  } else {
    return TRUE;
  }
  area.top = TopBelowTaskBar(area.top);
  if (area.bottom < area.top) area.bottom = area.top;
  UINT frame = 0;
  if (flags & SHIDIF_SIZEDLGFULLSCREEN) {
    // A full-screen dialog has no frame of its own: the shell shows its caption (and its OK,
    // with SHIDIF_DONEBUTTON) in the task bar.
    const LONG_PTR style = GetWindowLongPtrW(dialog, GWL_STYLE);
    SetWindowLongPtrW(dialog, GWL_STYLE,
                      style & ~(WS_CAPTION | WS_THICKFRAME | WS_BORDER | WS_DLGFRAME));
    const LONG_PTR extended = GetWindowLongPtrW(dialog, GWL_EXSTYLE);
    SetWindowLongPtrW(dialog, GWL_EXSTYLE,
                      extended & ~(WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE));
    frame = SWP_FRAMECHANGED;
  }
  SetWindowPos(dialog, nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
               SWP_NOZORDER | SWP_NOACTIVATE | frame);
  return TRUE;
}

BOOL FullScreen(HWND requester, DWORD state) {
  if (!IsWindow(requester)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const HWND taskBar = FindShellTaskBar();
  if (!taskBar) return TRUE;
  if (state & SHFS_HIDESTARTICON) MarkHidden(taskBar, kStartIconHiddenProp, true);
  if (state & SHFS_SHOWSTARTICON) MarkHidden(taskBar, kStartIconHiddenProp, false);
  if (state & SHFS_HIDESIPBUTTON) MarkHidden(taskBar, kSipButtonHiddenProp, true);
  if (state & SHFS_SHOWSIPBUTTON) MarkHidden(taskBar, kSipButtonHiddenProp, false);
  if (state & SHFS_HIDETASKBAR) ShowWindow(taskBar, SW_HIDE);
  if (state & SHFS_SHOWTASKBAR) ShowWindow(taskBar, SW_SHOWNA);
  return TRUE;
}

BOOL CreateMenuBar(PSHMENUBARINFO info) {
  if (!info || info->cbSize != sizeof(SHMENUBARINFO) || !IsWindow(info->hwndParent)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  info->hwndMB = nullptr;
  if (!(info->dwFlags & SHCMBF_EMPTYBAR)) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  if (!RegisterMenuBarClass(instance)) return FALSE;
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  DWORD style = WS_POPUP;
  if (!(info->dwFlags & SHCMBF_HIDDEN)) style |= WS_VISIBLE;
  const HWND bar = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kMenuBarClass, L"", style,
                                   0, height - kMenuBarHeight, width, kMenuBarHeight,
                                   info->hwndParent, nullptr, instance, nullptr);
  if (!bar) return FALSE;
  info->hwndMB = bar;
  // The bar takes the bottom of the screen from a parent that reaches into it.
  RECT parent{};
  if (!(info->dwFlags & SHCMBF_HIDDEN) && GetWindowRect(info->hwndParent, &parent) &&
      parent.bottom > height - kMenuBarHeight && parent.top < height - kMenuBarHeight) {
    SetWindowPos(info->hwndParent, nullptr, 0, 0, parent.right - parent.left,
                 height - kMenuBarHeight - parent.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  return TRUE;
}

}  // namespace devshell
