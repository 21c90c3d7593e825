#include "appfilter/app_filter.h"

#include <algorithm>
#include <array>

#include "settings/settings.h"

FilterStateRecord FilterState;

void ResetFilterState() { FilterState = FilterStateRecord{}; }
void ReleaseFilterHold() { FilterState.FilterHold = false; }
void ForgetFilteredApp() { FilterState.FilteredAppRunning = false; }

namespace {

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

// Whether any name of `list` is one of the names of the running applications.
bool AnyListedNameRunning(std::wstring_view list) {
  std::array<std::wstring_view, kWindowTitleEntries> running;
  const WindowTitleTableRecord& table = FilterState.WindowTitleTable;
  const size_t count = std::min(table.Count, kWindowTitleEntries);
  for (size_t i = 0; i < count; ++i) running[i] = FormatAppName(table.Titles[i]);
  if (count == 0) return false;
  // Sorted once, so that a list of any length is one pass with a binary search per name.
  std::sort(running.begin(), running.begin() + count);
  while (true) {
    const size_t end = list.find(kAppListSeparator);
    const std::wstring_view name = list.substr(0, end);
    if (!name.empty() && std::binary_search(running.begin(), running.begin() + count, name)) {
      return true;
    }
    if (end == std::wstring_view::npos) return false;
    list.remove_prefix(end + 1);
  }
}

}  // namespace

void EnumerateWindowTitles() {
  FilterState.WindowTitleTable.Count = 0;
  EnumWindows(RecordWindowTitle, 0);
}

std::wstring_view FormatAppName(std::wstring_view title) {
  title = title.substr(0, title.find(L'\0'));
  return title.substr(0, kAppNameChars);
}

bool AppListContains(std::wstring_view list, std::wstring_view name) {
  if (name.empty()) return false;
  while (true) {
    const size_t end = list.find(kAppListSeparator);
    if (list.substr(0, end) == name) return true;
    if (end == std::wstring_view::npos) return false;
    list.remove_prefix(end + 1);
  }
}

bool UpdateAppFilter() {
  const bool wasRunning = FilterState.FilteredAppRunning;
  bool running = false;
  if (Settings.EnableAppFilter && Settings.AppsToFilter) {
    EnumerateWindowTitles();
    running = AnyListedNameRunning(*Settings.AppsToFilter);
  }
  FilterState.FilteredAppRunning = running;
  if (running && !wasRunning) FilterState.FilterHold = true;
  if (!running) FilterState.FilterHold = false;
  return running;
}

void SaveAppFilterSettings() { SaveSettingsGroup(SettingsGroup::AppFilter); }
