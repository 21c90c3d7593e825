// What the settings window and its pages say to each other: the page messages, the tabs, and the
// window's result as the Mute page works it out.
#pragma once
#include <windows.h>

// Messages between the window and its pages. WM_PAGE_REFRESH shares its number with the main
// window's WM_CHECK; each goes to its own window.
inline constexpr UINT WM_PAGE_REFRESH = WM_USER + 2004;  // 3028, to the Mute page
inline constexpr UINT WM_PAGE_COMMIT = WM_USER + 2006;   // 3030

// The window's result, written by the Mute page: 0 restore, 1 until the next power-on, 2 for
// minutes, 4 until a time or the meeting's end, 5 continue the running mute.
struct SettingsWindowStateRecord {
  int MuteChoice = 0;
};
// Written only by the Mute page; the window returns it.
extern SettingsWindowStateRecord SettingsWindowState;
inline constexpr int kChoiceRestore = 0;
inline constexpr int kChoicePowerOn = 1;
inline constexpr int kChoiceMinutes = 2;
inline constexpr int kChoiceUntil = 4;
inline constexpr int kChoiceContinue = 5;

// The tabs, in order.
enum SettingsPage { kMutePage, kSettingsPage, kMeetingsPage, kAppsPage, kSoundPage, kAboutPage };
inline constexpr int kPageCount = 6;
