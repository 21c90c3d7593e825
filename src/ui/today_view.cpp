#include "ui/today_view.h"

#include <strsafe.h>

#include <cwctype>
#include <memory>
#include <optional>
#include <vector>

#include "common/clock.h"
#include "common/program.h"
#include "common/scoped.h"
#include "common/text.h"
#include "meetings/meeting_watch.h"
#include "meetings/plan_band.h"
#include "resources/resource.h"
#include "ui/context_help.h"
#include "ui/entry_list.h"

namespace {

// From the look thread: the plan is in the view's box.
constexpr UINT WM_PLAN_READY = WM_APP + 1;

// Where the look thread leaves the plan for the view. Shared: a view closed before its plan is
// made, or moved on to another day, leaves the box to the thread.
struct PlanBox {
  SlimLock lock;
  std::optional<MeetingPlan> plan;
};

// The band: pixels left free at each end (for the present moment's mark and the hours' labels),
// above the bar, and of the hours' ticks under it.
constexpr int kBandEnd = 8;
constexpr int kBandTop = 3;
constexpr int kTickLength = 3;
constexpr COLORREF kNowColor = RGB(220, 0, 0);

}  // namespace

// The view's state, kept by ShowToday for the length of the view.
struct TodayState {
  HWND menuBar = nullptr;
  MeetingRules rules;
  LocalMinute day = 0;  // the midnight of the day shown
  std::shared_ptr<PlanBox> box;
  std::optional<MeetingPlan> shown;
};

namespace {

TodayState& State(HWND dialog) {
  return *reinterpret_cast<TodayState*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

void DestroyMenuBar(TodayState& state) {
  if (state.menuBar) DestroyWindow(state.menuBar);
  state.menuBar = nullptr;
}

HWND List(HWND dialog) { return GetDlgItem(dialog, IDC_TODAY_LIST); }
HWND StateLine(HWND dialog) { return GetDlgItem(dialog, IDC_TODAY_STATE); }
HWND Band(HWND dialog) { return GetDlgItem(dialog, IDC_TODAY_BAND); }

SIZE SizeOf(HWND control) {
  RECT r{};
  GetWindowRect(control, &r);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

// The day's buttons, the band and the state line keep the sizes the template gives them, the
// day's name takes the width between the buttons, and the list takes the rest.
void FitControls(HWND dialog) {
  RECT client{};
  GetClientRect(dialog, &client);
  const int width = client.right;
  const HWND prev = GetDlgItem(dialog, IDC_TODAY_PREV);
  const HWND day = GetDlgItem(dialog, IDC_TODAY_DAY);
  const SIZE button = SizeOf(prev);
  const int dayHeight = SizeOf(day).cy;
  MoveWindow(prev, 0, 0, button.cx, button.cy, TRUE);
  MoveWindow(GetDlgItem(dialog, IDC_TODAY_NEXT), width - button.cx, 0, button.cx, button.cy, TRUE);
  MoveWindow(day, button.cx, (button.cy - dayHeight) / 2, width - 2 * button.cx, dayHeight, TRUE);
  int top = button.cy;
  const int bandHeight = SizeOf(Band(dialog)).cy;
  MoveWindow(Band(dialog), 0, top, width, bandHeight, TRUE);
  top += bandHeight;
  const int stateHeight = SizeOf(StateLine(dialog)).cy;
  MoveWindow(StateLine(dialog), 2, top, width - 4, stateHeight, TRUE);
  top += stateHeight;
  MoveWindow(List(dialog), 0, top, width, client.bottom - top, TRUE);
}

// The day as the owner's long date: "Monday, December 7, 2026".
std::wstring DayName(LocalMinute day) {
  const SYSTEMTIME local = LocalTimeOfMinute(day);
  wchar_t text[80] = {};
  if (GetDateFormatW(LOCALE_USER_DEFAULT, DATE_LONGDATE, &local, nullptr, text, 80) <= 0) {
    return ShortDateText(local);
  }
  return text;
}

std::vector<std::wstring> Entries(const MeetingPlan& plan) {
  std::vector<std::wstring> entries;
  if (!plan.read) return entries;
  for (const PlanEntry& entry : plan.entries) entries.push_back(TodayEntryText(plan, entry));
  if (plan.unread) {
    wchar_t more[64];
    StringCchPrintfW(more, 64, L"%zu more appointment(s) not shown.", plan.unread);
    entries.push_back(more);
  }
  if (entries.empty()) {
    entries.push_back(BandNow(plan) ? kNoAppointmentsText : kNoAppointmentsThatDayText);
  }
  return entries;
}

void Show(HWND dialog, const MeetingPlan& plan) {
  const std::wstring state = plan.read ? PlanStateNow(plan) : plan.error;
  SetWindowTextW(StateLine(dialog), state.c_str());
  // The band's text is its form in words, for whoever reads the screen without seeing it.
  SetWindowTextW(Band(dialog), BandText(plan).c_str());
  InvalidateRect(Band(dialog), nullptr, TRUE);
  FillEntryList(List(dialog), Entries(plan));
}

// The day shown, named, with nothing known of it yet.
void ShowReading(HWND dialog) {
  TodayState& state = State(dialog);
  state.shown.reset();
  SetDlgItemTextW(dialog, IDC_TODAY_DAY, DayName(state.day).c_str());
  SetWindowTextW(StateLine(dialog), kTodayReadingText);
  SetWindowTextW(Band(dialog), L"");
  InvalidateRect(Band(dialog), nullptr, TRUE);
  FillEntryList(List(dialog), {});
}

// Asks for the plan of the day shown. A plan asked for earlier goes to a box the view no longer
// looks in.
void AskForPlan(HWND dialog) {
  TodayState& state = State(dialog);
  state.box = std::make_shared<PlanBox>();
  const std::shared_ptr<PlanBox> box = state.box;
  const bool asked = StartMeetingPlan(state.rules, LocalTimeOfMinute(state.day), TimeFromNow(0),
                                      CurrentPlanContext(true), [box, dialog](MeetingPlan&& plan) {
    {
      std::lock_guard<SlimLock> lock(box->lock);
      box->plan = std::move(plan);
    }
    PostMessageW(dialog, WM_PLAN_READY, 0, 0);
  });
  if (asked) return;
  MeetingPlan none;
  none.error = L"Too many plans are being made; tap ok and try again.";
  state.shown = none;
  Show(dialog, none);
}

// A report of a plan asked for earlier finds the box empty.
BOOL OnPlanReady(HWND dialog) {
  TodayState& state = State(dialog);
  if (!state.box) return TRUE;
  std::optional<MeetingPlan> plan;
  {
    std::lock_guard<SlimLock> lock(state.box->lock);
    plan.swap(state.box->plan);
  }
  if (!plan) return TRUE;
  state.shown = std::move(plan);
  Show(dialog, *state.shown);
  return TRUE;
}

BOOL OnInitDialog(HWND dialog, TodayState& state) {
  SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&state));
  state.menuBar = StartFullScreenView(dialog);
  state.day = DayStart(MinuteOfLocalTime(LocalTimeOf(TimeFromNow(0))));
  FitControls(dialog);
  ShowReading(dialog);
  AskForPlan(dialog);
  SetForegroundWindow(dialog);
  return TRUE;
}

// The entries are as tall as their text at the list's width: a new size measures them anew.
BOOL OnSize(HWND dialog) {
  FitControls(dialog);
  if (State(dialog).shown) FillEntryList(List(dialog), Entries(*State(dialog).shown));
  return TRUE;
}

void OnStep(HWND dialog, int days) {
  TodayState& state = State(dialog);
  state.day += days * kMinutesPerDay;
  ShowReading(dialog);
  AskForPlan(dialog);
}

BOOL OnCommand(HWND dialog, WPARAM wParam) {
  switch (LOWORD(wParam)) {
    case IDC_TODAY_PREV:
    case IDC_TODAY_NEXT:
      if (HIWORD(wParam) == BN_CLICKED) OnStep(dialog, LOWORD(wParam) == IDC_TODAY_PREV ? -1 : 1);
      return TRUE;
    case IDOK:
    case IDCANCEL:
      EndDialog(dialog, IDOK);
      DestroyMenuBar(State(dialog));
      State(dialog).box.reset();
      return TRUE;
    default:
      return FALSE;
  }
}

// The band: a bar of the day's 24 hours, silent stretches dark, with ticks and the owner's names
// of the hours at 6, 12 and 18 under it and the present moment a red line across it. Grey and
// empty until the plan is known.
BOOL DrawBand(const DRAWITEMSTRUCT* item, const std::optional<MeetingPlan>& plan) {
  const HDC dc = item->hDC;
  const RECT area = item->rcItem;
  auto background = reinterpret_cast<HBRUSH>(SendMessageW(
      GetParent(item->hwndItem), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
      reinterpret_cast<LPARAM>(item->hwndItem)));
  FillRect(dc, &area, background ? background : GetSysColorBrush(COLOR_BTNFACE));
  const HGDIOBJ oldFont = SelectObject(
      dc, reinterpret_cast<HFONT>(SendMessageW(item->hwndItem, WM_GETFONT, 0, 0)));
  SIZE label{};
  GetTextExtentPoint32W(dc, L"0", 1, &label);
  const RECT bar{area.left + kBandEnd, area.top + kBandTop, area.right - kBandEnd,
                 area.bottom - label.cy - kTickLength};
  const auto x = [&](int minute) {
    return bar.left + MulDiv(bar.right - bar.left, minute, static_cast<int>(kMinutesPerDay));
  };
  const bool known = plan && plan->read;
  const HBRUSH ink = GetSysColorBrush(known ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT);
  if (known) {
    FillRect(dc, &bar, GetSysColorBrush(COLOR_WINDOW));
    for (const BandStretch& s : BandStretches(*plan)) {
      const RECT dark{x(s.from), bar.top, x(s.until), bar.bottom};
      FillRect(dc, &dark, ink);
    }
  }
  FrameRect(dc, &bar, ink);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(known ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
  for (int hour = 0; hour <= 24; hour += 6) {
    const int at = x(hour * 60);
    const RECT tick{at, bar.bottom, at + 1, bar.bottom + kTickLength};
    FillRect(dc, &tick, ink);
    if (hour == 0 || hour == 24) continue;
    const SYSTEMTIME time{2000, 1, 6, 1, static_cast<WORD>(hour), 0, 0, 0};
    wchar_t name[32] = {};
    GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOMINUTESORSECONDS, &time, nullptr, name, 32);
    RECT text{at - 40, bar.bottom + kTickLength, at + 40, area.bottom};
    DrawTextW(dc, name, -1, &text, DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
  }
  if (const auto now = known ? BandNow(*plan) : std::nullopt) {
    const HBRUSH red = CreateSolidBrush(kNowColor);
    const RECT mark{x(*now) - 1, area.top, x(*now) + 1, bar.bottom + kTickLength};
    FillRect(dc, &mark, red);
    DeleteObject(red);
  }
  SelectObject(dc, oldFont);
  return TRUE;
}

BOOL OnDrawItem(HWND dialog, const DRAWITEMSTRUCT* item) {
  if (item->CtlID == IDC_TODAY_LIST) return DrawEntry(item);
  if (item->CtlID == IDC_TODAY_BAND) return DrawBand(item, State(dialog).shown);
  return FALSE;
}

BOOL OnHelp(HWND dialog) {
  const HWND focus = GetFocus();
  const bool inView = focus && IsChild(dialog, focus);
  ShowHelp(TodayViewHelpAddress(inView ? GetDlgCtrlID(focus) : -1));
  return TRUE;
}

}  // namespace

std::wstring TodayEntryText(const MeetingPlan& plan, const PlanEntry& entry) {
  std::wstring text = entry.allDay ? std::wstring(L"All day")
                                   : TimeOfDayText(entry.start) + L" - " + TimeOfDayText(entry.end);
  text += L"  " + (entry.subject.empty() ? std::wstring(L"(no subject)") : entry.subject);
  if (!entry.categories.empty()) text += L"  [" + entry.categories + L"]";
  std::wstring verdict = PlanVerdictWord(entry);
  verdict[0] = static_cast<wchar_t>(std::towupper(verdict[0]));
  const std::wstring reason = PlanReason(plan, entry, true);
  const bool until = reason.rfind(L"until ", 0) == 0;
  return text + L"\n" + verdict + (until ? L" " : L": ") + reason;
}

INT_PTR CALLBACK TodayViewProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) return OnInitDialog(dialog, *reinterpret_cast<TodayState*>(lParam));
  if (!GetWindowLongPtrW(dialog, DWLP_USER)) return FALSE;
  switch (message) {
    case WM_PLAN_READY:
      return OnPlanReady(dialog);
    case WM_MEASUREITEM: {
      auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      return item->CtlID == IDC_TODAY_LIST && MeasureEntry(List(dialog), item);
    }
    case WM_DRAWITEM:
      return OnDrawItem(dialog, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_SIZE:
      return OnSize(dialog);
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

void ShowToday(HWND owner, const MeetingRules& rules) {
  TodayState state;
  state.rules = rules;
  DialogBoxParamW(Program.Instance, MAKEINTRESOURCEW(IDD_TODAY), owner, TodayViewProc,
                  reinterpret_cast<LPARAM>(&state));
}
