// Silencing the device and giving the sound back, and the mute state that goes with it.
#pragma once
#include <windows.h>

#include "sound/mute_state.h"
#include "sound/sound_journal.h"

// What the program does to the device's sound: saves it, silences it and gives it back. Whether
// and when is decided by the mute policy (sound/mute_policy.h), which alone calls these.

// The end of the mute, as the settings window chooses it.
void SetMuteUntil(ULONGLONG utc);
void SetExtendToPowerOn(bool extend);

// Each change the engine makes is one line of the journal, telling `cause`.
// The program's own mute (a meeting, the settings window): saves the device state and silences.
void MuteNow(ChangeCause cause = ChangeCause::Unstated);
// Takes over a silence the user made by hand; the values to come back to are the shell's.
void AdoptUserMute(ChangeCause cause = ChangeCause::HandSilence);
// A silence the user made by hand is to be given back rather than taken over: what the silence
// kept (or a lost mute's kept sound, where the silence is one) becomes the state to come back to.
void TakeSilenceToGiveBack();

struct RestoreOptions {
  // The application filter holds muting off: its icon shows, and what it saw is kept.
  bool filterHolds = false;
  // The Sound page's test tone lends the sound for a moment: no warning, no applet, and a
  // meeting in progress stays in progress.
  bool forTestTone = false;
};
// Gives back the saved state and ends the mute; warns when the result would be inaudible.
void RestoreSound(ChangeCause cause = ChangeCause::Unstated, RestoreOptions options = {});
// At start-up: whether an earlier run ended during a mute (see LostMutePending).
void RecallLostMute();
// Gives back what such a mute left silenced, once the device sounds and no mute runs.
void RepairAfterLostMute();

// True when the wave volume of device 0 is exactly 0; false also when it cannot be read.
bool VolumeIsZero();

// Saves the state (only when not muted yet) and writes the silenced values. With `takeOver`
// the state to come back to is read from the shell's saved values rather than the live ones.
void SilenceDevice(bool takeOver);
// Writes the saved state back; true when what it gives back would be inaudible.
bool RestoreDeviceSound();

inline constexpr wchar_t kInaudibleRestoreCaption[] = L"QuietMinder Error";
inline constexpr wchar_t kInaudibleRestoreText[] =
    L"While restoring volume and sound settings, QuietMinder determined that the values being "
    L"restored would leave sounds such as events and reminders inaudible.  The volume has been set "
    L"to an audible level, but other settings may have been affected.  Please use the Sounds & "
    L"Reminders applet to review your settings.  The applet will automatically open when you "
    L"close this dialog.";
inline constexpr wchar_t kSoundAppletProgram[] = L"\\Windows\\ctlpnl.exe";
inline constexpr wchar_t kSoundAppletParameters[] = L"\\Windows\\cplmain.cpl,9";
