#include "ui/meetings_page.h"

#include <optional>
#include <string>

#include "meetings/meeting_query.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "sound/mute_policy.h"
#include "ui/category_list.h"
#include "ui/page_controls.h"
#include "ui/page_messages.h"
#include "ui/rules_view.h"
#include "ui/today_view.h"

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
  bool MeetingRules::*rule;
};
constexpr RuleBox kRuleBoxes[] = {
    {IDC_MEET_ALL_DAY, &SettingsRecord::POAllDay, &MeetingRules::POAllDay},
    {IDC_MEET_EXCLUDE_FREE, &SettingsRecord::POExcludeFreeTime, &MeetingRules::POExcludeFreeTime}};

// The rules the Rules view edits, stored by the page's commit.
struct ViewNumber {
  DWORD SettingsRecord::*field;
  DWORD MeetingRules::*rule;
};
constexpr ViewNumber kViewNumbers[] = {
    {&SettingsRecord::POStartEarly, &MeetingRules::POStartEarly},
    {&SettingsRecord::POEndLate, &MeetingRules::POEndLate},
    {&SettingsRecord::QuietDays, &MeetingRules::QuietDays},
    {&SettingsRecord::QuietFrom, &MeetingRules::QuietFrom},
    {&SettingsRecord::QuietTo, &MeetingRules::QuietTo}};
struct ViewWords {
  std::optional<std::wstring> SettingsRecord::*field;
  std::optional<std::wstring> MeetingRules::*rule;
};
constexpr ViewWords kViewWords[] = {{&SettingsRecord::POSkipWords, &MeetingRules::POSkipWords},
                                    {&SettingsRecord::POAlwaysWords, &MeetingRules::POAlwaysWords}};

// What the page keeps besides its controls: the rules as the Rules view last returned them (the
// stored ones until then).
struct MeetingsPageState {
  MeetingRules viewRules;
};

MeetingsPageState& State(HWND page) {
  return *reinterpret_cast<MeetingsPageState*>(GetWindowLongPtrW(page, DWLP_USER));
}

HWND Categories(HWND page) { return GetDlgItem(page, IDC_MEET_CATEGORIES); }

void UpdateCount(HWND page) {
  UpdateCategoryCountLabel(GetDlgItem(page, IDC_MEET_COUNT), Categories(page));
}

void EnableMeetingControls(HWND page, bool enabled) {
  EnableControls(page, kLinkControls, enabled);
}

BOOL OnInitDialog(HWND page) {
  SetWindowLongPtrW(page, DWLP_USER,
                    reinterpret_cast<LONG_PTR>(new MeetingsPageState{StoredMeetingRules()}));
  FillList(page, IDC_MEET_INTERVAL, kCheckIntervalRows, Settings.POCheckInterval);
  for (const RuleBox& box : kRuleBoxes) SetChecked(page, box.id, Settings.*box.field);
  FillCategoryList(Categories(page));
  SelectSavedCategories(Categories(page));
  UpdateCount(page);
  SetChecked(page, IDC_MEET_LINK, Settings.EnablePOLink);
  EnableMeetingControls(page, Settings.EnablePOLink);
  return TRUE;
}

// The rules as a commit stores them: what the controls and the Rules view show, except where the
// stored value is kept (a box in neither state; every rule behind a link that is off). The Today
// view plans by them before they are stored.
MeetingRules RulesShown(HWND page) {
  MeetingRules rules = StoredMeetingRules();
  rules.EnablePOLink = IsChecked(page, IDC_MEET_LINK);
  // The Rules view's quiet hours hold whether or not the link is on.
  const MeetingRules& viewRules = State(page).viewRules;
  for (const ViewNumber& number : kViewNumbers) rules.*number.rule = viewRules.*number.rule;
  for (const ViewWords& words : kViewWords) rules.*words.rule = viewRules.*words.rule;
  if (!rules.EnablePOLink) return rules;
  rules.POCategory = SelectedCategories(Categories(page));
  for (const RuleBox& box : kRuleBoxes) {
    const LRESULT state = SendDlgItemMessageW(page, box.id, BM_GETCHECK, 0, 0);
    if (state == BST_CHECKED || state == BST_UNCHECKED) rules.*box.rule = state == BST_CHECKED;
  }
  return rules;
}

BOOL OnCommit(HWND page) {
  const MeetingRules rules = RulesShown(page);
  SettingsRecord edited = Settings;
  edited.EnablePOLink = rules.EnablePOLink;
  for (const ViewNumber& number : kViewNumbers) edited.*number.field = rules.*number.rule;
  for (const ViewWords& words : kViewWords) edited.*words.field = rules.*words.rule;
  if (rules.EnablePOLink) {
    edited.POCategory = rules.POCategory;
    edited.POAllDay = rules.POAllDay;
    edited.POExcludeFreeTime = rules.POExcludeFreeTime;
    if (const auto seconds = SelectedValue(page, IDC_MEET_INTERVAL)) {
      edited.POCheckInterval = *seconds;
    }
  }
  CommitSettings(edited, SettingsGroup::Meetings);
  // With the link off no meeting is in progress for the program any more.
  if (!rules.EnablePOLink) OnMeetingLookDone(LinkOffFinding());
  return TRUE;
}

void OnLinkClicked(HWND page) {
  const LRESULT state = SendDlgItemMessageW(page, IDC_MEET_LINK, BM_GETCHECK, 0, 0);
  if (state == BST_CHECKED || state == BST_UNCHECKED) {
    EnableMeetingControls(page, state == BST_CHECKED);
  }
}

// Over the whole settings window, not inside the page; what ok there returns is the page's until
// its commit stores it.
void OnRules(HWND page) {
  MeetingRules rules = RulesShown(page);
  if (ShowRules(GetAncestor(page, GA_ROOT), rules)) State(page).viewRules = rules;
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
    case IDC_MEET_RULES:
      if (clicked) OnRules(page);
      break;
    case IDC_MEET_TODAY:
      // Over the whole settings window, not inside the page.
      if (clicked) ShowToday(GetAncestor(page, GA_ROOT), RulesShown(page));
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
  if (message == WM_INITDIALOG) return OnInitDialog(page);
  if (!GetWindowLongPtrW(page, DWLP_USER)) return FALSE;
  switch (message) {
    case WM_COMMAND:
      return OnCommand(page, wParam);
    case WM_PAGE_COMMIT:
      return OnCommit(page);
    case WM_DESTROY:
      delete &State(page);
      SetWindowLongPtrW(page, DWLP_USER, 0);
      return FALSE;
    default:
      return FALSE;
  }
}
