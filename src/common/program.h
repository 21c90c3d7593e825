// The program as the rest of it knows it: its module, its hidden main window (to which every
// part sends its requests) and the main window's private messages.
#pragma once
#include <windows.h>

#include <string>

#include "platform/power_driver.h"

// Written only by start-up.
struct ProgramRecord {
  HINSTANCE Instance = nullptr;
  HWND MainWindow = nullptr;
  bool StartedAtStartup = false;  // started by the start-up shortcut ("STARTUP")
  std::wstring Name;              // string 1, kProgramName: the mutex and the main window's title
  std::wstring ClassName;         // string 3, kWindowClass: the main window's class
};
extern ProgramRecord Program;
void ResetProgram();

// Private messages of the main window (WM_POWERON_NOTIFY, 1025, comes from the power driver).
// Outside senders may use WM_TRAY_NOTIFY and WM_REFRESH_VOLUME_UI.
inline constexpr UINT WM_TRAY_NOTIFY = WM_USER + 2001;        // 3025: icon id / mouse message
inline constexpr UINT WM_REFRESH_VOLUME_UI = WM_USER + 2003;  // 3027
// 3028 with a non-zero wParam: one check tick (a wParam of 0 does nothing).
inline constexpr UINT WM_CHECK = WM_USER + 2004;
// The look at the calendar that the main window started has finished (from the look thread).
inline constexpr UINT WM_MEETING_LOOK_DONE = WM_APP + 1;
// The Mute page asks for a fresh look at the calendar; lParam: the page, which is told when the
// finding is remembered.
inline constexpr UINT WM_LOOK_FOR_PAGE = WM_APP + 2;

// The one notification icon's id.
inline constexpr UINT kTrayIconId = 5000;
