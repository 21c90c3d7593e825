#include "ui/settings_page.h"

#include "common/program.h"
#include "platform/device_profile.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "settings/shortcuts.h"
#include "sound/taskbar_volume.h"
#include "ui/page_controls.h"
#include "ui/page_messages.h"

namespace {

constexpr ListRow kCheckIntervalRows[] = {{L"0.5 Sec.", 500},  {L"1 Sec.", 1000},
                                          {L"2 Sec.", 2000},   {L"3 Sec.", 3000},
                                          {L"5 Sec.", 5000},   {L"10 Sec.", 10000}};
constexpr ListRow kUserMuteRows[] = {{L"Next power on", 0}, {L"15 minutes", 900},
                                     {L"30 minutes", 1800}, {L"45 minutes", 2700},
                                     {L"1 hour", 3600},     {L"1.5 hours", 5400},
                                     {L"2 hours", 7200},    {L"4 hours", 14400}};
constexpr ListRow kUserUnMuteRows[] = {{L"Never", 0}, {L"When user muted", 1}, {L"Always", 2}};
// The values are the Mute page's option ids.
constexpr ListRow kDefaultOptionRows[] = {{L"Restore volume", IDC_MUTE_RESTORE},
                                          {L"Next power on", IDC_MUTE_POWER_ON},
                                          {L"Mute for x min", IDC_MUTE_FOR},
                                          {L"Mute until time", IDC_MUTE_UNTIL}};

constexpr int kTaskBarIconControls[] = {IDC_SET_TBICON_GROUP, IDC_SET_LOCATE, IDC_SET_TEST};

struct ShortcutBox {
  int id;
  bool SettingsRecord::*field;
  Shortcut shortcut;
  wchar_t (SettingsRecord::*path)[kPathChars];
};
constexpr ShortcutBox kShortcutBoxes[] = {
    {IDC_SET_RUN_AT_STARTUP, &SettingsRecord::RunAtStartUp, Shortcut::StartUp,
     &SettingsRecord::StartUpPath},
    {IDC_SET_START_MENU, &SettingsRecord::StartMenuShortCut, Shortcut::StartMenu,
     &SettingsRecord::StartMenuPath},
    {IDC_SET_PROGRAMS, &SettingsRecord::ProgramsFolderShortCut, Shortcut::Programs,
     &SettingsRecord::ProgramsPath},
};

struct ListField {
  int id;
  DWORD SettingsRecord::*field;
  std::span<const ListRow> rows;
};
const ListField kLists[] = {
    {IDC_SET_CHECK_INTERVAL, &SettingsRecord::VolumeCheckInterval, kCheckIntervalRows},
    {IDC_SET_USER_MUTE, &SettingsRecord::UserMuteTime, kUserMuteRows},
    {IDC_SET_USER_UNMUTE, &SettingsRecord::UserUnMute, kUserUnMuteRows},
    {IDC_SET_DEFAULT_OPTION, &SettingsRecord::DefaultOption, kDefaultOptionRows},
};

BOOL OnInitDialog(HWND page) {
  // Only a Pocket PC has the task bar's volume icon.
  if (IsPocketPc()) {
    EnableControls(page, kTaskBarIconControls, true);
  } else {
    for (int id : kTaskBarIconControls) ShowWindow(GetDlgItem(page, id), SW_HIDE);
  }
  for (const ShortcutBox& box : kShortcutBoxes) SetChecked(page, box.id, Settings.*box.field);
  SetChecked(page, IDC_SET_EXTEND_DEFAULT, Settings.ExtendMuteDefault);
  SetChecked(page, IDC_SET_VIBRATE, Settings.MuteToVibrate);
  for (const ListField& list : kLists) FillList(page, list.id, list.rows, Settings.*list.field);
  return TRUE;
}

// Stores the page every time. A shortcut is written or deleted only when its box changed since
// the last commit (or since the page was made): leaving the tab untouched must not make a
// shortcut that cannot be written report its failure again.
BOOL OnCommit(HWND page) {
  SettingsRecord edited = Settings;
  for (const ListField& list : kLists) {
    if (const auto value = SelectedValue(page, list.id)) edited.*list.field = *value;
  }
  for (const ShortcutBox& box : kShortcutBoxes) {
    const bool checked = IsChecked(page, box.id);
    // After start-up only this page sets the field: it holds the box as last committed or shown.
    if (checked == edited.*box.field) continue;
    edited.*box.field = checked;
    if (checked) {
      CreateShortcut(box.shortcut, edited.*box.path);
    } else {
      DeleteShortcut(edited.*box.path);
    }
  }
  edited.ExtendMuteDefault = IsChecked(page, IDC_SET_EXTEND_DEFAULT);
  edited.MuteToVibrate = IsChecked(page, IDC_SET_VIBRATE);
  CommitSettings(edited, SettingsGroup::General);
  return TRUE;
}

// The owner's tap on the volume icon is its place from now on.
void OnLocate(HWND page) {
  if (const std::optional<DWORD> point = LocateTaskBarIcon(page)) {
    SettingsRecord edited = Settings;
    edited.TBIconLocation = *point;
    CommitSettings(edited, SettingsGroup::General);
  }
  SetForegroundWindow(page);
  SetActiveWindow(page);
}

BOOL OnCommand(HWND page, WPARAM wParam) {
  if (ClosePageOnCommand(page, LOWORD(wParam))) return FALSE;
  switch (LOWORD(wParam)) {
    case IDC_SET_LOCATE:
      OnLocate(page);
      break;
    case IDC_SET_TEST:
      TapTaskBarVolumeIcon();
      break;
    default:
      break;
  }
  return FALSE;
}

}  // namespace

INT_PTR CALLBACK SettingsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
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
