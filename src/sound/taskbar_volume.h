// The shell's volume pop-up on a Pocket PC: keeping its ringer buttons in line with the mute
// state, the single tap of the settings page's "Test", and the dialog that learns where the
// volume icon is.
#pragma once
#include <windows.h>

#include <optional>

// Written only by the task bar's volume control.
struct TaskBarVolumeStateRecord {
  // The ringer buttons could not be set yet: a reminder was on screen, or the shell did not
  // answer in time. The main window refreshes again while this is set.
  bool SoundRefreshPending = false;
};
extern TaskBarVolumeStateRecord TaskBarVolumeState;
void ResetTaskBarVolumeState();

// SetTaskBarRinger with the current mute state.
void RefreshTaskBarVolume();
// Opens the volume pop-up (unless it is open), presses "On", or "Vibrate"/"Off" when muted, and
// closes it again. Postponed (TaskBarVolumeState.SoundRefreshPending set) while a reminder is on
// screen, and when the shell leaves a message unanswered for a short while (a hung shell holds the
// caller no longer than that, once); the next refresh starts again once the shell answers.
void SetTaskBarRinger(bool muted);
// A "Reminder" dialog is on screen; sets TaskBarVolumeState.SoundRefreshPending when one is.
bool ReminderShowing();
// One left-button-down at TBIconLocation on the shell's task bar, when there is one.
void TapTaskBarVolumeIcon();
// Runs the locate dialog (IDD_LOCATE) over `owner`: where the owner tapped, as TBIconLocation
// holds it (x in the low word, y in the high word), or nothing when the dialog was left another
// way.
std::optional<DWORD> LocateTaskBarIcon(HWND owner);
