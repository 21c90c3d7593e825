#include "app/main_window.h"

#include "app/startup.h"
#include "app/tray_icon.h"
#include "appfilter/app_filter.h"
#include "meetings/meeting_query.h"
#include "platform/handheld.h"
#include "settings/settings.h"
#include "sound/mute_engine.h"
#include "sound/sound_protection.h"
#include "sound/taskbar_volume.h"
#include "ui/settings_window.h"

#include "common/scoped.h"

UINT_PTR CheckTimer = 0;
bool CheckBusy = false;
bool SettingsWindowOpen = false;

namespace {

DWORD g_tickThread = 0;  // the thread whose tick is running, while CheckBusy is set

LRESULT OnClose(WPARAM wParam) {
  // The standard close (wParam 0) would end the program from any task manager; only the
  // program's own Exit command carries 1.
  if (wParam != 0) RunShutdownDuties();
  return 0;
}

}  // namespace

void StartCheckTimer() {
  if (CheckTimer != 0 || CheckBusy || !MainWindow) return;
  CheckTimer = SetTimer(MainWindow, kCheckTimerId, Settings.VolumeCheckInterval, CheckTimerProc);
}

void StopCheckTimer(bool wait) {
  if (CheckTimer != 0) {
    KillTimer(MainWindow, kCheckTimerId);
    CheckTimer = 0;
  }
  if (!wait) return;
  while (CheckBusy && g_tickThread != GetCurrentThreadId()) Sleep(10);
}

void CALLBACK CheckTimerProc(HWND, UINT, UINT_PTR, DWORD) {
  StopCheckTimer(false);
  // A nested message loop of a running tick may still deliver this timer; that tick re-arms it.
  if (CheckBusy) return;
  CheckBusy = true;
  g_tickThread = GetCurrentThreadId();
  ScopeExit done([] {
    CheckBusy = false;
    g_tickThread = 0;
    if (!SettingsWindowOpen) StartCheckTimer();
  });
  if (!SettingsWindowOpen) SendMessageW(MainWindow, WM_CHECK, 1, 0);
}

LRESULT RunCheckTick() {
  // The timer never asks for a tick while the settings window is open or inside a running tick;
  // another program sending the message then gets no tick either.
  static bool running = false;
  if (SettingsWindowOpen || running) return 0;
  running = true;
  ScopeExit done([] { running = false; });

  const bool heldBefore = FilterHold;
  UpdateAppFilter();
  const bool mutedBefore = Muted;
  if (Muted) {
    if (!ExtendToPowerOn || FilterHold) CheckMuteExpiry();
  } else {
    CheckForMeeting();
  }

  // A volume that cannot be read counts as unchanged.
  DWORD volume = 0;
  const bool volumeRead = GetWaveVolume(&volume);
  bool volumeChanged = false;
  if (Muted && volumeRead && volume != 0) {
    volumeChanged = true;
    if (UserRestoreAllowed) {
      RestoreSound();
    } else {
      MuteNow();
    }
  } else if (!Muted && VolumeIsZero()) {
    AdoptUserMute();
  } else if (!Muted) {
    if (heldBefore && !FilterHold) SetTrayIcon(TrayOperation::Modify, IDI_IDLE);
    if (!heldBefore && FilterHold) SetTrayIcon(TrayOperation::Modify, IDI_FILTER_HOLD);
  }

  ProtectSoundSettings();
  if (Muted != mutedBefore || SoundRefreshPending || volumeChanged) RefreshVolumeIndicator();
  return 1;
}

void RunPowerOnStep() {
  if (SettingsWindowOpen) return;
  StopCheckTimer(true);
  ScopeExit rearm([] { StartCheckTimer(); });
  UpdateAppFilter();
  const bool mutedBefore = Muted;
  if (Muted) {
    CheckMuteExpiry();
    DWORD volume = 0;
    if (Muted && GetWaveVolume(&volume) && volume != 0) {
      if (UserRestoreAllowed) {
        AdoptUserMute();
      } else {
        MuteNow();
      }
    }
  } else {
    CheckForMeeting();
  }
  if (Muted != mutedBefore || SoundRefreshPending) RefreshVolumeIndicator();
}

void RefreshVolumeIndicator() {
  if (IsPocketPcV3 || IsPocketPcV4) {
    RefreshTaskBarVolume();
    return;
  }
  SetForegroundWindow(MainWindow);
  ReturnFocus(MainWindow);
  ShowWindow(MainWindow, SW_HIDE);
}

void OpenSettingsWindow(WPARAM iconId, LPARAM mouseMessage) {
  if (iconId != kTrayIconId || mouseMessage != WM_LBUTTONUP) return;
  // A program message box or an open settings window is raised, never a second window.
  for (const wchar_t* title : {L"QuietMinder Information", L"QuietMinder Error", L"QuietMinder"}) {
    if (HWND open = FindWindowW(DialogClassName(), title)) {
      SetForegroundWindow(open);
      return;
    }
  }
  StopCheckTimer(true);
  SettingsWindowOpen = true;
  ScopeExit reopen([] {
    SettingsWindowOpen = false;
    StartCheckTimer();
  });
  const INT_PTR result = RunSettingsWindow(MainWindow);
  if (result > 0) {
    FilterHold = false;
    MuteNow();
  } else {
    RestoreSound();
  }
  if (IsPocketPcV3 || IsPocketPcV4) {
    RefreshTaskBarVolume();
  } else {
    ShowWindow(MainWindow, SW_HIDE);
    ReturnFocus(MainWindow);
  }
}

void ReturnFocus(HWND window) {
  HWND chosen = nullptr;
  for (HWND next = GetWindow(window, GW_HWNDNEXT); next; next = GetWindow(next, GW_HWNDNEXT)) {
    if (!IsWindowEnabled(next) || !IsWindowVisible(next)) continue;
    wchar_t className[48] = {};
    if (GetClassNameW(next, className, 48) == 0) continue;
    // The shell's menu bars never take the focus.
    if (wcscmp(className, L"menu_worker") == 0) continue;
    chosen = next;
    break;
  }
  if (!chosen) chosen = GetDesktopWindow();
  SetForegroundWindow(chosen);
  SetActiveWindow(chosen);
}

void RunShutdownDuties() {
  if (DriverFileOpen() && MainWindow) SendDriverWindow(kDriverClearWindow, MainWindow);
  StopCheckTimer(false);
  if (Muted) RestoreSound();
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
      if (wParam != 0) return RunCheckTick();
      return QueryMeetingInProgress() ? 1 : 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}
