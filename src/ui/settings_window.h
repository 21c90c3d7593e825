// The modal, full-screen tabbed settings window: its six pages, their commits, OK, Cancel and
// Exit, and context help.
#pragma once
#include <windows.h>

// Messages between the window and its pages. WM_PAGE_REFRESH shares its number with the main
// window's WM_CHECK; each goes to its own window.
inline constexpr UINT WM_PAGE_REFRESH = WM_USER + 2004;  // 3028, to the Mute page
inline constexpr UINT WM_PAGE_COMMIT = WM_USER + 2006;   // 3030

// The window's result, written by the Mute page: 0 restore, 1 until the next power-on, 2 for
// minutes, 4 until a time or the meeting's end, 5 continue the running mute.
extern int MuteChoice;
inline constexpr int kChoiceRestore = 0;
inline constexpr int kChoicePowerOn = 1;
inline constexpr int kChoiceMinutes = 2;
inline constexpr int kChoiceUntil = 4;
inline constexpr int kChoiceContinue = 5;

// The tabs, in order.
enum SettingsPage { kMutePage, kSettingsPage, kMeetingsPage, kAppsPage, kSoundPage, kAboutPage };
inline constexpr int kPageCount = 6;

// Runs the window modally, owned by `owner`; returns MuteChoice (0 also for Cancel and Exit).
INT_PTR RunSettingsWindow(HWND owner);
INT_PTR CALLBACK SettingsWindowProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The page of a tab while the window is open; null before its first choice.
HWND SettingsWindowPage(int index);
