// What the settings window and its pages say to each other: the page messages, the tabs, and the
// window's result as the Mute page works it out.
#pragma once
#include <windows.h>

// Messages between the window and its pages. WM_PAGE_REFRESH shares its number with the main
// window's WM_CHECK; each goes to its own window.
inline constexpr UINT WM_PAGE_REFRESH = WM_USER + 2004;  // 3028, to the Mute page
inline constexpr UINT WM_PAGE_COMMIT = WM_USER + 2006;   // 3030

// From the Mute page to the settings window: lParam points to the MuteChoice (sound/mute_policy.h)
// the owner made, which the window returns when it closes.
inline constexpr UINT WM_PAGE_CHOICE = WM_USER + 2007;  // 3031
// From the main window to the Mute page: the look it asked for has been taken, and MeetingState
// holds its finding.
inline constexpr UINT WM_PAGE_FINDING = WM_USER + 2008;  // 3032

// The tabs, in order.
enum SettingsPage { kMutePage, kSettingsPage, kMeetingsPage, kAppsPage, kSoundPage, kAboutPage };
inline constexpr int kPageCount = 6;
