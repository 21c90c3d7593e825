// The application filter: while a listed application runs, muting is held off.
#pragma once
#include <windows.h>

#include <cstddef>
#include <string_view>

inline constexpr size_t kWindowTitleEntries = 256;
inline constexpr size_t kWindowTitleChars = 64;  // 63 characters and the terminator
// A listed name is a window title cut to this many characters.
inline constexpr size_t kAppNameChars = 32;
// AppsToFilter joins the names with this; nothing follows the last one.
inline constexpr wchar_t kAppListSeparator = L'|';

struct WindowTitleTableRecord {
  wchar_t Titles[kWindowTitleEntries][kWindowTitleChars] = {};
  size_t Count = 0;
};

// Written only by the application filter.
struct FilterStateRecord {
  // The last update found a listed application running.
  bool FilteredAppRunning = false;
  // Muting is held off by the filter. Raised only when a listed application is first seen.
  bool FilterHold = false;
  // The listed name seen when the hold was raised.
  wchar_t HoldingApp[kAppNameChars + 1] = {};
  // The titles of the visible top-level windows, refilled by each enumeration.
  WindowTitleTableRecord WindowTitleTable;
};
extern FilterStateRecord FilterState;
void ResetFilterState();
// The user asked for a mute: the hold is let go until a listed application is seen anew.
// A hold raised and let go is journaled (held-off, hold-released).
void ReleaseFilterHold();
// The sound came back with no hold: the next update starts from no listed application.
void ForgetFilteredApp();

// Refills WindowTitleTable with the non-empty titles of visible top-level windows, in
// enumeration order; windows beyond the table's 256 entries are not recorded.
void EnumerateWindowTitles();
// A window title as the list holds it: its first 32 characters (a view into `title`).
std::wstring_view FormatAppName(std::wstring_view title);
// True when `name` is one of the names of `list` (whole names, case-sensitive).
bool AppListContains(std::wstring_view list, std::wstring_view name);
// Looks at the running applications; sets FilteredAppRunning and raises or clears FilterHold.
// True when a listed application runs.
bool UpdateAppFilter();
