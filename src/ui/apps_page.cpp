#include "ui/apps_page.h"

#include <algorithm>
#include <cwchar>
#include <string>
#include <string_view>
#include <vector>

#include "appfilter/app_filter.h"
#include "common/text.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "ui/page_controls.h"
#include "ui/page_messages.h"

namespace {

// Every control of the group, switched on and off by the filter's check box.
constexpr int kFilterControls[] = {IDC_APPS_GROUP,  IDC_APPS_EXPLANATION, IDC_APPS_LIST_LABEL,
                                   IDC_APPS_LIST,   IDC_APPS_COUNT,       IDC_APPS_CLEAR,
                                   IDC_APPS_REFRESH};

// Windows never offered: a title holding any of these, anywhere, is the program's own (its
// name), the platform's desktop or its input-panel button.
constexpr std::wstring_view kNeverOffered[] = {L"QuietMinder", L"Desktop", L"MS_SIPBUTTON"};

// A stored list shorter than this is no choice (it is not shown, and the next commit drops it).
constexpr size_t kShortestAppList = 2;

HWND AppList(HWND page) { return GetDlgItem(page, IDC_APPS_LIST); }

bool IsOffered(std::wstring_view title) {
  return std::none_of(std::begin(kNeverOffered), std::end(kNeverOffered),
                      [&](std::wstring_view part) { return title.find(part) != title.npos; });
}

// The list: the chosen applications, selected, and the running ones not chosen yet. Each name
// appears once. A running name that holds the list's separator is not offered: AppsToFilter
// would read it back as two names.
void FillAppList(HWND list) {
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  std::vector<std::wstring> listed;
  auto add = [&](std::wstring_view name, bool selected) {
    if (name.empty() || std::find(listed.begin(), listed.end(), name) != listed.end()) return;
    listed.emplace_back(name);
    AddListEntry(list, listed.back(), selected);
  };
  std::wstring_view chosen;
  if (Settings.AppsToFilter && Settings.AppsToFilter->size() >= kShortestAppList) {
    chosen = *Settings.AppsToFilter;
  }
  AnyName(chosen, kAppListSeparator, false, [&](std::wstring_view name) {
    add(name, true);
    return false;
  });
  EnumerateWindowTitles();
  const WindowTitleTableRecord& table = FilterState.WindowTitleTable;
  for (size_t i = 0; i < std::min(table.Count, kWindowTitleEntries); ++i) {
    const std::wstring_view title(table.Titles[i], wcsnlen(table.Titles[i], kWindowTitleChars));
    const std::wstring_view name = FormatAppName(title);
    if (!IsOffered(title) || name.find(kAppListSeparator) != std::wstring_view::npos ||
        AppListContains(chosen, name)) {
      continue;
    }
    add(name, false);
  }
}

void UpdateAppCountLabel(HWND page) {
  ShowSelectionCount(GetDlgItem(page, IDC_APPS_COUNT), AppList(page), L"1 Application selected",
                     L"%i Applications selected");
}

void EnableAppControls(HWND page, bool enabled) { EnableControls(page, kFilterControls, enabled); }

BOOL OnInitDialog(HWND page) {
  FillAppList(AppList(page));
  UpdateAppCountLabel(page);
  SetChecked(page, IDC_APPS_ENABLE, Settings.EnableAppFilter);
  EnableAppControls(page, Settings.EnableAppFilter);
  return TRUE;
}

// With filtering off, the chosen applications keep their value, whatever the list shows.
BOOL OnCommit(HWND page) {
  SettingsRecord edited = Settings;
  edited.EnableAppFilter = IsChecked(page, IDC_APPS_ENABLE);
  if (edited.EnableAppFilter) {
    edited.AppsToFilter = JoinSelectedEntries(AppList(page), kAppListSeparator);
  } else {
    ForgetFilteredApp();
  }
  CommitSettings(edited, SettingsGroup::AppFilter);
  return TRUE;
}

void OnFilterClicked(HWND page) {
  const LRESULT state = SendDlgItemMessageW(page, IDC_APPS_ENABLE, BM_GETCHECK, 0, 0);
  if (state == BST_CHECKED || state == BST_UNCHECKED) EnableAppControls(page, state == BST_CHECKED);
}

void OnClear(HWND page) {
  if (ListEntryCount(AppList(page)) == 0) return;
  DeselectAllEntries(AppList(page));
  UpdateAppCountLabel(page);
}

// Selections made since the last commit are dropped: the chosen entries shown are AppsToFilter's.
void OnRefresh(HWND page) {
  FillAppList(AppList(page));
  UpdateAppCountLabel(page);
}

BOOL OnCommand(HWND page, WPARAM wParam) {
  if (ClosePageOnCommand(page, LOWORD(wParam))) return FALSE;
  const bool clicked = HIWORD(wParam) == BN_CLICKED;
  switch (LOWORD(wParam)) {
    case IDC_APPS_ENABLE:
      if (clicked) OnFilterClicked(page);
      break;
    case IDC_APPS_CLEAR:
      if (clicked) OnClear(page);
      break;
    case IDC_APPS_LIST:
      UpdateAppCountLabel(page);
      break;
    case IDC_APPS_REFRESH:
      OnRefresh(page);
      break;
    default:
      break;
  }
  return FALSE;
}

}  // namespace

INT_PTR CALLBACK AppsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(page);
    case WM_COMMAND:
      return OnCommand(page, wParam);
    case WM_PAGE_COMMIT:
      return OnCommit(page);
    default:
      return FALSE;
  }
}
