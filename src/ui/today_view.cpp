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
#include "resources/resource.h"
#include "ui/context_help.h"
#include "ui/entry_list.h"

namespace {

// From the look thread: the plan is in the view's box.
constexpr UINT WM_PLAN_READY = WM_APP + 1;

// Where the look thread leaves the plan for the view. Shared: a view closed before its plan is
// made leaves the box to the thread.
struct PlanBox {
  SlimLock lock;
  std::optional<MeetingPlan> plan;
};

}  // namespace

// The view's state, kept by ShowToday for the length of the view.
struct TodayState {
  HWND menuBar = nullptr;
  MeetingRules rules;
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

// The state line keeps the height the template gives it; the list takes the rest.
void FitControls(HWND dialog) {
  RECT client{}, state{};
  GetClientRect(dialog, &client);
  GetWindowRect(StateLine(dialog), &state);
  const int stateHeight = state.bottom - state.top;
  MoveWindow(StateLine(dialog), 2, 0, client.right - 4, stateHeight, TRUE);
  MoveWindow(List(dialog), 0, stateHeight, client.right, client.bottom - stateHeight, TRUE);
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
  if (entries.empty()) entries.push_back(kNoAppointmentsText);
  return entries;
}

void Show(HWND dialog, const MeetingPlan& plan) {
  const std::wstring state = plan.read ? PlanStateNow(plan) : plan.error;
  SetWindowTextW(StateLine(dialog), state.c_str());
  FillEntryList(List(dialog), Entries(plan));
}

void AskForPlan(HWND dialog) {
  TodayState& state = State(dialog);
  state.box = std::make_shared<PlanBox>();
  const ULONGLONG now = TimeFromNow(0);
  const SYSTEMTIME local = LocalTimeOf(now);
  const SYSTEMTIME today{local.wYear, local.wMonth, 0, local.wDay, 0, 0, 0, 0};
  const std::shared_ptr<PlanBox> box = state.box;
  const bool asked = StartMeetingPlan(state.rules, today, now, CurrentPlanContext(true),
                                      [box, dialog](MeetingPlan&& plan) {
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

// A report of a plan asked for by an earlier view finds its box empty.
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
  FitControls(dialog);
  SetWindowTextW(StateLine(dialog), kTodayReadingText);
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

BOOL OnCommand(HWND dialog, WPARAM wParam) {
  if (LOWORD(wParam) != IDOK && LOWORD(wParam) != IDCANCEL) return FALSE;
  EndDialog(dialog, IDOK);
  DestroyMenuBar(State(dialog));
  State(dialog).box.reset();
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
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      return item->CtlID == IDC_TODAY_LIST && DrawEntry(item);
    }
    case WM_SIZE:
      return OnSize(dialog);
    case WM_COMMAND:
      return OnCommand(dialog, wParam);
    case WM_HELP:
      ShowHelp(TodayViewHelpAddress());
      return TRUE;
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
