// The hidden main window: its messages, the check timer and the guards that keep the timer, the
// power-on handling and the settings window apart.
#pragma once
#include <windows.h>

#include "common/program.h"

inline constexpr UINT_PTR kCheckTimerId = 1;

// Written only by the main window's unit.
struct MainWindowStateRecord {
  UINT_PTR CheckTimer = 0;          // the armed check timer, 0 when not armed
  bool CheckBusy = false;           // a check tick is running
  bool SettingsWindowOpen = false;  // ticks and power-on steps do nothing meanwhile
  HWND PageAwaitingLook = nullptr;  // the Mute page that asked for a look, told of its finding
};
extern MainWindowStateRecord MainWindowState;
void ResetMainWindowState();

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Arms timer 1 with period VolumeCheckInterval unless it is armed already or a tick is running
// (the tick arms it when it ends).
void StartCheckTimer();
// Disarms the timer. There is one thread: a stop either finds no tick running or comes from a
// nested message loop inside the running tick, which ends (and re-arms) after the caller.
void StopCheckTimer();
// The timer's callback: one tick, which arms the timer again when it ends.
void CALLBACK CheckTimerProc(HWND window, UINT message, UINT_PTR id, DWORD time);

// Makes the first suitable window below `window` in z-order the foreground and active window.
void ReturnFocus(HWND window);

// The shutdown duties, shared by WM_DESTROY and WM_CLOSE with a non-zero wParam.
void RunShutdownDuties();

// Window-proc steps, exposed for tests that drive them without a message loop.
LRESULT RunCheckTick();
void RunPowerOnStep();
void OpenSettingsWindow(WPARAM iconId, LPARAM mouseMessage);
void RefreshVolumeIndicator();
// Starts a look at the calendar unless one is under way; its finding goes to the mute policy.
void StartLook();
// The look under way has finished: its finding goes to the mute policy (a meeting it found
// mutes), and a Mute page that asked for it is told.
void FinishMeetingLook();
