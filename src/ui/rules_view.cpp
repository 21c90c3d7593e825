#include "ui/rules_view.h"

#include <commctrl.h>
#include <strsafe.h>

#include <algorithm>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/program.h"
#include "common/text.h"
#include "resources/resource.h"
#include "ui/context_help.h"
#include "ui/entry_list.h"
#include "ui/page_controls.h"

namespace {

constexpr ListRow kMinuteRows[] = {{L"0 min.", 0},   {L"5 min.", 5},   {L"10 min.", 10},
                                   {L"15 min.", 15}, {L"30 min.", 30}, {L"60 min.", 60},
                                   {L"120 min.", 120}};

// The day boxes by day of the week, Sunday first, as QuietDays numbers its bits.
constexpr int kDayBoxes[] = {IDC_RULES_SUNDAY,   IDC_RULES_MONDAY, IDC_RULES_TUESDAY,
                             IDC_RULES_WEDNESDAY, IDC_RULES_THURSDAY, IDC_RULES_FRIDAY,
                             IDC_RULES_SATURDAY};

// The view's state, kept by ShowRules for the length of the view.
struct RulesViewState {
  HWND menuBar = nullptr;
  MeetingRules* rules = nullptr;
};

RulesViewState& State(HWND dialog) {
  return *reinterpret_cast<RulesViewState*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

void DestroyMenuBar(RulesViewState& state) {
  if (state.menuBar) DestroyWindow(state.menuBar);
  state.menuBar = nullptr;
}

// A stored number that no row carries gets a row of its own, in its place, so that ok keeps it.
void FillMinutes(HWND dialog, int id, DWORD current) {
  std::vector<ListRow> rows(std::begin(kMinuteRows), std::end(kMinuteRows));
  wchar_t own[16] = {};
  const auto carries = [&](const ListRow& row) { return row.value == current; };
  if (std::none_of(rows.begin(), rows.end(), carries)) {
    StringCchPrintfW(own, 16, L"%lu min.", current);
    const auto later = [&](const ListRow& row) { return row.value > current; };
    rows.insert(std::find_if(rows.begin(), rows.end(), later), ListRow{own, current});
  }
  FillList(dialog, id, rows, current);
}

// Hours and minutes as the owner's locale writes them, on a time of today.
void InitPicker(HWND dialog, int id, DWORD minutes) {
  wchar_t format[80] = {};
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTTIME, format, 80) > 0) {
    SendDlgItemMessageW(dialog, id, DTM_SETFORMATW, 0, reinterpret_cast<LPARAM>(format));
  }
  SYSTEMTIME time = LocalTimeOf(TimeFromNow(0));
  time.wHour = static_cast<WORD>(minutes / 60 % 24);
  time.wMinute = static_cast<WORD>(minutes % 60);
  time.wSecond = time.wMilliseconds = 0;
  SendDlgItemMessageW(dialog, id, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&time));
}

DWORD PickedMinutes(HWND dialog, int id, DWORD fallback) {
  SYSTEMTIME time{};
  if (SendDlgItemMessageW(dialog, id, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&time)) !=
      GDT_VALID) {
    return fallback;
  }
  return time.wHour * 60u + time.wMinute;
}

// The day boxes read as the device names the days ("Sun" ... "Sat").
void NameDays(HWND dialog) {
  for (int day = 0; day < 7; ++day) {
    // The locale counts its names from Monday.
    const LCTYPE name = day == 0 ? LOCALE_SABBREVDAYNAME7 : LOCALE_SABBREVDAYNAME1 + day - 1;
    wchar_t text[32] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, name, text, 32) > 0) {
      SetDlgItemTextW(dialog, kDayBoxes[day], text);
    }
  }
}

// The words of an edit box as the rules keep them: each without the blanks around it, joined
// with ", "; nothing when it holds none.
std::optional<std::wstring> WordsShown(HWND dialog, int id) {
  const HWND edit = GetDlgItem(dialog, id);
  std::wstring typed(static_cast<size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
  typed.resize(static_cast<size_t>(GetWindowTextW(edit, typed.data(), static_cast<int>(typed.size()))));
  std::wstring words;
  AnyName(typed, L',', true, [&](std::wstring_view word) {
    if (!words.empty()) words += L", ";
    words += word;
    return false;
  });
  if (words.empty()) return std::nullopt;
  return words;
}

BOOL OnInitDialog(HWND dialog, RulesViewState& state) {
  SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&state));
  state.menuBar = StartFullScreenView(dialog);
  const MeetingRules& rules = *state.rules;
  FillMinutes(dialog, IDC_RULES_EARLY, rules.POStartEarly);
  FillMinutes(dialog, IDC_RULES_LATE, rules.POEndLate);
  SetDlgItemTextW(dialog, IDC_RULES_SKIP, rules.POSkipWords.value_or(L"").c_str());
  SetDlgItemTextW(dialog, IDC_RULES_ALWAYS, rules.POAlwaysWords.value_or(L"").c_str());
  InitPicker(dialog, IDC_RULES_QUIET_FROM, rules.QuietFrom);
  InitPicker(dialog, IDC_RULES_QUIET_TO, rules.QuietTo);
  NameDays(dialog);
  for (int day = 0; day < 7; ++day) {
    SetChecked(dialog, kDayBoxes[day], (rules.QuietDays >> day) & 1);
  }
  SetForegroundWindow(dialog);
  return TRUE;
}

// What the view shows, into the rules it was given.
void TakeShown(HWND dialog, MeetingRules& rules) {
  if (const auto minutes = SelectedValue(dialog, IDC_RULES_EARLY)) rules.POStartEarly = *minutes;
  if (const auto minutes = SelectedValue(dialog, IDC_RULES_LATE)) rules.POEndLate = *minutes;
  rules.POSkipWords = WordsShown(dialog, IDC_RULES_SKIP);
  rules.POAlwaysWords = WordsShown(dialog, IDC_RULES_ALWAYS);
  rules.QuietFrom = PickedMinutes(dialog, IDC_RULES_QUIET_FROM, rules.QuietFrom);
  rules.QuietTo = PickedMinutes(dialog, IDC_RULES_QUIET_TO, rules.QuietTo);
  DWORD days = 0;
  for (int day = 0; day < 7; ++day) {
    if (IsChecked(dialog, kDayBoxes[day])) days |= 1u << day;
  }
  rules.QuietDays = days;
}

BOOL OnCommand(HWND dialog, WPARAM wParam) {
  const WORD command = LOWORD(wParam);
  if (command != IDOK && command != IDCANCEL) return FALSE;
  RulesViewState& state = State(dialog);
  if (command == IDOK) TakeShown(dialog, *state.rules);
  EndDialog(dialog, command);
  DestroyMenuBar(state);
  return TRUE;
}

BOOL OnHelp(HWND dialog) {
  const HWND focus = GetFocus();
  // The picker's parts and an open list's edit are the control's own children.
  HWND control = focus;
  while (control && GetParent(control) != dialog) control = GetParent(control);
  ShowHelp(RulesViewHelpAddress(control ? GetDlgCtrlID(control) : -1));
  return TRUE;
}

INT_PTR CALLBACK RulesViewProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    return OnInitDialog(dialog, *reinterpret_cast<RulesViewState*>(lParam));
  }
  if (!GetWindowLongPtrW(dialog, DWLP_USER)) return FALSE;
  switch (message) {
    case WM_COMMAND:
      return OnCommand(dialog, wParam);
    case WM_HELP:
      return OnHelp(dialog);
    case WM_DESTROY:
      DestroyMenuBar(State(dialog));
      SetWindowLongPtrW(dialog, DWLP_USER, 0);
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

bool ShowRules(HWND owner, MeetingRules& rules) {
  RulesViewState state;
  state.rules = &rules;
  return DialogBoxParamW(Program.Instance, MAKEINTRESOURCEW(IDD_RULES), owner, RulesViewProc,
                         reinterpret_cast<LPARAM>(&state)) == IDOK;
}
