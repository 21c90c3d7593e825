#include "ui/meetings_page.h"

#include "meetings/meeting_query.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "ui/category_list.h"
#include "ui/page_controls.h"
#include "ui/page_messages.h"

namespace {

constexpr ListRow kCheckIntervalRows[] = {{L"30 Sec.", 30}, {L"1 min.", 60},   {L"2 min.", 120},
                                          {L"5 min.", 300}, {L"10 min.", 600}, {L"15 min.", 900}};

// Every control of the group, switched on and off by the link.
constexpr int kLinkControls[] = {
    IDC_MEET_GROUP,       IDC_MEET_INTERVAL_LABEL, IDC_MEET_INTERVAL, IDC_MEET_CATEGORIES_LABEL,
    IDC_MEET_CATEGORIES,  IDC_MEET_COUNT,          IDC_MEET_CLEAR,    IDC_MEET_ALL_DAY,
    IDC_MEET_EXCLUDE_FREE};

struct RuleBox {
  int id;
  bool SettingsRecord::*field;
};
constexpr RuleBox kRuleBoxes[] = {{IDC_MEET_ALL_DAY, &SettingsRecord::POAllDay},
                                  {IDC_MEET_EXCLUDE_FREE, &SettingsRecord::POExcludeFreeTime}};

HWND Categories(HWND page) { return GetDlgItem(page, IDC_MEET_CATEGORIES); }

void UpdateCount(HWND page) {
  UpdateCategoryCountLabel(GetDlgItem(page, IDC_MEET_COUNT), Categories(page));
}

void EnableMeetingControls(HWND page, bool enabled) {
  EnableControls(page, kLinkControls, enabled);
}

BOOL OnInitDialog(HWND page) {
  FillList(page, IDC_MEET_INTERVAL, kCheckIntervalRows, Settings.POCheckInterval);
  for (const RuleBox& box : kRuleBoxes) SetChecked(page, box.id, Settings.*box.field);
  FillCategoryList(Categories(page));
  SelectSavedCategories(Categories(page));
  UpdateCount(page);
  SetChecked(page, IDC_MEET_LINK, Settings.EnablePOLink);
  EnableMeetingControls(page, Settings.EnablePOLink);
  return TRUE;
}

// With the link off, the rules keep the values they had, whatever the disabled controls show.
BOOL OnCommit(HWND page) {
  Settings.EnablePOLink = IsChecked(page, IDC_MEET_LINK);
  if (Settings.EnablePOLink) {
    CollectSelectedCategories(Categories(page));
    for (const RuleBox& box : kRuleBoxes) {
      const LRESULT state = SendDlgItemMessageW(page, box.id, BM_GETCHECK, 0, 0);
      if (state == BST_CHECKED || state == BST_UNCHECKED)
        Settings.*box.field = state == BST_CHECKED;
    }
    if (const auto seconds = SelectedValue(page, IDC_MEET_INTERVAL)) {
      Settings.POCheckInterval = *seconds;
    }
  } else {
    EndMeetingInProgress();
  }
  SaveSettingsGroup(SettingsGroup::Meetings);
  return TRUE;
}

void OnLinkClicked(HWND page) {
  const LRESULT state = SendDlgItemMessageW(page, IDC_MEET_LINK, BM_GETCHECK, 0, 0);
  if (state == BST_CHECKED || state == BST_UNCHECKED) {
    EnableMeetingControls(page, state == BST_CHECKED);
  }
}

void OnClear(HWND page) {
  if (ListEntryCount(Categories(page)) == 0) return;
  DeselectAllEntries(Categories(page));
  UpdateCount(page);
}

BOOL OnCommand(HWND page, WPARAM wParam) {
  if (ClosePageOnCommand(page, LOWORD(wParam))) return FALSE;
  const bool clicked = HIWORD(wParam) == BN_CLICKED;
  switch (LOWORD(wParam)) {
    case IDC_MEET_LINK:
      if (clicked) OnLinkClicked(page);
      break;
    case IDC_MEET_CLEAR:
      if (clicked) OnClear(page);
      break;
    case IDC_MEET_CATEGORIES:
      UpdateCount(page);
      break;
    default:
      break;
  }
  return FALSE;
}

}  // namespace

INT_PTR CALLBACK MeetingsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
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
