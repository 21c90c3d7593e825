// The hidden main window: its messages, the check timer and the guards that keep the timer, the
// power-on handling and the settings window apart.
#pragma once
#include <windows.h>

// Private messages of the main window. Outside senders may use WM_TRAY_NOTIFY and
// WM_REFRESH_VOLUME_UI.
inline constexpr UINT WM_POWERON_NOTIFY = WM_USER + 1;        // 1025, from the power driver
inline constexpr UINT WM_TRAY_NOTIFY = WM_USER + 2001;        // 3025, icon id / mouse message
inline constexpr UINT WM_REFRESH_VOLUME_UI = WM_USER + 2003;  // 3027
inline constexpr UINT WM_CHECK = WM_USER + 2004;              // 3028, 1 = tick, 0 = meeting verdict

inline constexpr UINT_PTR kCheckTimerId = 1;

extern UINT_PTR CheckTimer;
extern bool CheckBusy;
extern bool SettingsWindowOpen;

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Arms timer 1 with period VolumeCheckInterval unless it is armed already (or a tick is running:
// the tick arms it when it ends).
void StartCheckTimer();
// Disarms the timer; with `wait`, also waits until no tick runs, except from inside the running
// tick itself (a nested message loop of the tick), which could never see it end.
void StopCheckTimer(bool wait);
// The timer's callback: one tick, then the timer is armed again.
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
