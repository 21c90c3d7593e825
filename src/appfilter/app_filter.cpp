#include "appfilter/app_filter.h"

#include <algorithm>
#include <array>

#include "common/journal.h"
#include "common/text.h"
#include "settings/settings.h"

FilterStateRecord FilterState;

void ResetFilterState() { FilterState = FilterStateRecord{}; }
void ForgetFilteredApp() { FilterState.FilteredAppRunning = false; }

namespace {

void RaiseHold(std::wstring_view name) {
  FilterState.FilterHold = true;
  const size_t n = std::min(name.size(), kAppNameChars);
  name.copy(FilterState.HoldingApp, n);
  FilterState.HoldingApp[n] = L'\0';
  Journal(kJournalHeldOff, L"\"" + std::wstring(FilterState.HoldingApp) + L"\" runs");
}

void ReleaseHold(const wchar_t* why) {
  FilterState.FilterHold = false;
  Journal(kJournalHoldReleased, L"\"" + std::wstring(FilterState.HoldingApp) + L"\" " + why);
}

BOOL CALLBACK RecordWindowTitle(HWND window, LPARAM) {
  if (!IsWindowVisible(window)) return TRUE;
  WindowTitleTableRecord& table = FilterState.WindowTitleTable;
  if (table.Count >= kWindowTitleEntries) return TRUE;
  wchar_t* entry = table.Titles[table.Count];
  entry[0] = L'\0';
  const int length = GetWindowTextW(window, entry, static_cast<int>(kWindowTitleChars));
  entry[kWindowTitleChars - 1] = L'\0';
  if (length > 0 && entry[0] != L'\0') ++table.Count;
  return TRUE;
}

// The first name of `list` that is one of the names of the running applications; empty when
// none is.
std::wstring_view FirstListedNameRunning(std::wstring_view list) {
  std::array<std::wstring_view, kWindowTitleEntries> running;
  const WindowTitleTableRecord& table = FilterState.WindowTitleTable;
  const size_t count = std::min(table.Count, kWindowTitleEntries);
  for (size_t i = 0; i < count; ++i) running[i] = FormatAppName(table.Titles[i]);
  if (count == 0) return {};
  // Sorted once, so that a list of any length is one pass with a binary search per name.
  std::sort(running.begin(), running.begin() + count);
  std::wstring_view found;
  AnyName(list, kAppListSeparator, false, [&](std::wstring_view name) {
    if (!std::binary_search(running.begin(), running.begin() + count, name)) return false;
    found = name;
    return true;
  });
  return found;
}

}  // namespace

void ReleaseFilterHold() {
  if (FilterState.FilterHold) ReleaseHold(L"let go for the settings window's mute");
}

void EnumerateWindowTitles() {
  FilterState.WindowTitleTable.Count = 0;
  EnumWindows(RecordWindowTitle, 0);
}

std::wstring_view FormatAppName(std::wstring_view title) {
  title = title.substr(0, title.find(L'\0'));
  return title.substr(0, kAppNameChars);
}

bool AppListContains(std::wstring_view list, std::wstring_view name) {
  return AnyName(list, kAppListSeparator, false, [&](std::wstring_view n) { return n == name; });
}

bool UpdateAppFilter() {
  const bool wasRunning = FilterState.FilteredAppRunning;
  std::wstring_view found;
  if (Settings.EnableAppFilter && Settings.AppsToFilter) {
    EnumerateWindowTitles();
    found = FirstListedNameRunning(*Settings.AppsToFilter);
  }
  const bool running = !found.empty();
  FilterState.FilteredAppRunning = running;
  if (running && !wasRunning && !FilterState.FilterHold) RaiseHold(found);
  if (!running && FilterState.FilterHold) {
    ReleaseHold(Settings.EnableAppFilter ? L"no longer runs" : L"let go: the filter is off");
  }
  return running;
}
