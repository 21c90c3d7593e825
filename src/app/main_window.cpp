#include "app/main_window.h"

#include "app/power_driver.h"
#include "app/run_journal.h"
#include "common/scoped.h"
#include "common/tray_icon.h"
#include "meetings/meeting_query.h"
#include "meetings/meeting_watch.h"
#include "platform/device_profile.h"
#include "platform/handheld.h"
#include "settings/settings.h"
#include "sound/mute_policy.h"
#include "sound/taskbar_volume.h"
#include "ui/page_messages.h"
#include "ui/settings_window.h"

MainWindowStateRecord MainWindowState;

void ResetMainWindowState() { MainWindowState = MainWindowStateRecord{}; }

namespace {

LRESULT OnClose(WPARAM wParam) {
  // The standard close (wParam 0) would end the program from any task manager; only the
  // program's own Exit command carries 1.
  if (wParam != 0) RunShutdownDuties();
  return 0;
}

// A top-level window of this process with the class and title; another program's window that
// happens to carry the same names is none of ours.
HWND FindOwnWindow(const wchar_t* className, const wchar_t* title) {
  for (HWND w = FindWindowExW(nullptr, nullptr, className, title); w;
       w = FindWindowExW(nullptr, w, className, title)) {
    DWORD process = 0;
    GetWindowThreadProcessId(w, &process);
    if (process == GetCurrentProcessId()) return w;
  }
  return nullptr;
}

// What the policy asks of the window after an event.
void Act(const PolicyOutcome& outcome) {
  if (outcome.refreshVolume) RefreshVolumeIndicator();
  if (outcome.wantLook) StartLook();
}

void TakeFinding(const MeetingFinding& finding) {
  Act(OnMeetingLookDone(finding));
  const HWND page = MainWindowState.PageAwaitingLook;
  MainWindowState.PageAwaitingLook = nullptr;
  if (page && IsWindow(page)) PostMessageW(page, WM_PAGE_FINDING, 0, 0);
}

// The Mute page asks for a fresh finding. Another program's window is never told.
void LookForPage(HWND page) {
  DWORD process = 0;
  if (!page || !GetWindowThreadProcessId(page, &process) || process != GetCurrentProcessId()) {
    return;
  }
  MainWindowState.PageAwaitingLook = page;
  StartLook();
}

}  // namespace

void StartCheckTimer() {
  MainWindowStateRecord& state = MainWindowState;
  if (state.CheckTimer != 0 || state.CheckBusy || !Program.MainWindow) return;
  state.CheckTimer =
      SetTimer(Program.MainWindow, kCheckTimerId, Settings.VolumeCheckInterval, CheckTimerProc);
}

void StopCheckTimer() {
  if (MainWindowState.CheckTimer == 0) return;
  KillTimer(Program.MainWindow, kCheckTimerId);
  MainWindowState.CheckTimer = 0;
}

void CALLBACK CheckTimerProc(HWND, UINT, UINT_PTR, DWORD) {
  // The period runs from the end of one tick to the next: the tick arms the timer when it ends.
  StopCheckTimer();
  if (!MainWindowState.SettingsWindowOpen) SendMessageW(Program.MainWindow, WM_CHECK, 1, 0);
}

LRESULT RunCheckTick() {
  // The timer never asks for a tick while the settings window is open or inside a running tick
  // (a nested message loop of it); another program sending the message then gets none either.
  MainWindowStateRecord& window = MainWindowState;
  if (window.SettingsWindowOpen || window.CheckBusy) return 0;
  window.CheckBusy = true;
  ScopeExit done([] {
    MainWindowState.CheckBusy = false;
    if (!MainWindowState.SettingsWindowOpen) StartCheckTimer();
  });

  Act(OnCheckTick());
  return 1;
}

void RunPowerOnStep() {
  if (MainWindowState.SettingsWindowOpen) return;
  StopCheckTimer();
  ScopeExit rearm([] { StartCheckTimer(); });
  Act(OnPowerOn());
}

void StartLook() {
  if (MeetingLookRunning()) return;
  // The look thread reports to this window; without it the look is taken here and now.
  if (Program.MainWindow &&
      StartMeetingLook(Program.MainWindow, WM_MEETING_LOOK_DONE, PrepareMeetingLook())) {
    return;
  }
  TakeFinding(LookAtCalendarNow());
}

void FinishMeetingLook() {
  if (const std::optional<MeetingFinding> finding = TakeFinishedMeetingLook()) {
    TakeFinding(*finding);
  }
}

void RefreshVolumeIndicator() {
  if (IsPocketPc()) {
    RefreshTaskBarVolume();
    return;
  }
  SetForegroundWindow(Program.MainWindow);
  ReturnFocus(Program.MainWindow);
  ShowWindow(Program.MainWindow, SW_HIDE);
}

void OpenSettingsWindow(WPARAM iconId, LPARAM mouseMessage) {
  if (iconId != kTrayIconId || mouseMessage != WM_LBUTTONUP) return;
  // A program message box or an open settings window is raised, never a second window.
  for (const wchar_t* title : {kInformationCaption, kErrorCaption, kSettingsWindowTitle}) {
    if (HWND open = FindOwnWindow(DialogClassName(), title)) {
      SetForegroundWindow(open);
      return;
    }
  }
  StopCheckTimer();
  MainWindowState.SettingsWindowOpen = true;
  ScopeExit reopen([] {
    MainWindowState.SettingsWindowOpen = false;
    MainWindowState.PageAwaitingLook = nullptr;
    StartCheckTimer();
  });
  OnSettingsWindowClosed(RunSettingsWindow(Program.MainWindow));
  if (IsPocketPc()) {
    RefreshTaskBarVolume();
  } else {
    ShowWindow(Program.MainWindow, SW_HIDE);
    ReturnFocus(Program.MainWindow);
  }
}

void ReturnFocus(HWND window) {
  HWND chosen = nullptr;
  for (HWND next = GetWindow(window, GW_HWNDNEXT); next; next = GetWindow(next, GW_HWNDNEXT)) {
    if (!IsWindowEnabled(next) || !IsWindowVisible(next)) continue;
    wchar_t className[48] = {};
    if (GetClassNameW(next, className, 48) == 0) continue;
    // The shell's menu bars never take the focus.
    if (wcscmp(className, kMenuBarClass) == 0) continue;
    chosen = next;
    break;
  }
  if (!chosen) chosen = GetDesktopWindow();
  SetForegroundWindow(chosen);
  SetActiveWindow(chosen);
}

void RunShutdownDuties() {
  if (Program.MainWindow) TakeBackPowerDriverWindow(Program.MainWindow);
  StopCheckTimer();
  OnProgramEnd();
  JournalProgramEnd();
  SetTrayIcon(TrayOperation::Delete, IDI_IDLE);
  Sleep(500);
  PostQuitMessage(0);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      return OnClose(wParam);
    case WM_DESTROY:
      RunShutdownDuties();
      return 0;
    case WM_POWERON_NOTIFY:
      RunPowerOnStep();
      return 0;
    case WM_TRAY_NOTIFY:
      OpenSettingsWindow(wParam, lParam);
      return 0;
    case WM_REFRESH_VOLUME_UI:
      RefreshVolumeIndicator();
      return 0;
    case WM_CHECK:
      return wParam != 0 ? RunCheckTick() : 0;
    case WM_MEETING_LOOK_DONE:
      FinishMeetingLook();
      return 0;
    case WM_LOOK_FOR_PAGE:
      LookForPage(reinterpret_cast<HWND>(lParam));
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}
