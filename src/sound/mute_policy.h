// The one place that decides when a mute begins or ends, for how long, and what the owner is
// shown of it. The main window and the settings pages turn what happened into one call here; only
// this unit calls the engine's operations that begin or end a mute, looks at the application
// filter's hold, and updates what the program remembers of meetings.
#pragma once
#include <windows.h>

#include <optional>
#include <string>

#include "meetings/meeting_state.h"
#include "sound/mute_state.h"

// The settings window's result, as its Mute page works it out: which option the owner chose and
// how long the mute then lasts.
inline constexpr int kChoiceRestore = 0;
inline constexpr int kChoicePowerOn = 1;
inline constexpr int kChoiceMinutes = 2;
inline constexpr int kChoiceUntil = 4;  // a time of day, or the meeting's end
inline constexpr int kChoiceContinue = 5;
struct MuteChoice {
  int option = kChoiceRestore;
  MuteLength length;   // unused for kChoiceRestore
  std::wstring words;  // the choice as the journal tells it: "mute for 30 minutes until 10:30"
};

// What an event asks of the main window once it has been dealt with.
struct PolicyOutcome {
  // The shell's volume control is to be brought in line: the mute state changed, a raised volume
  // was dealt with, or an earlier refresh is still due.
  bool refreshVolume = false;
  // A look at the calendar is due; the main window starts one and hands its finding back to
  // OnMeetingLookDone.
  bool wantLook = false;
};

// The check tick: looks at the running applications, ends a mute that is due or asks for a look
// for a meeting, follows the wave volume, keeps the icon and the protected settings.
PolicyOutcome OnCheckTick();
// The power button: a mute that lasts to the next power-on ends, a raised volume is silenced
// again, a look for a meeting is asked for.
PolicyOutcome OnPowerOn();
// The settings window opened: the device is held silent while it is open.
void OnSettingsWindowOpened();
// The settings window closed with the owner's choice; none when it could not be shown, and then
// nothing changes.
void OnSettingsWindowClosed(const std::optional<MuteChoice>& choice);
// A look at the calendar has found `finding`: it becomes what the program remembers of meetings
// (unless a later look was taken already), and a meeting in progress mutes when no mute runs.
PolicyOutcome OnMeetingLookDone(const MeetingFinding& finding);
// The Sound page's test tone: the owner's sound for the length of the tone, at `volume`.
void OnTestTone(DWORD volume);
// Start-up, after the settings are loaded: no mute runs yet; a mute an earlier run kept is
// recalled.
void OnProgramStart();
// The program ends: a running mute gives the sound back.
void OnProgramEnd();

// How long a silence that ends at `until` lasts by the owner's settings: past it to the next
// power-on when mutes are extended by default.
MuteLength LengthUntil(ULONGLONG until);
// The notification icon's picture for the state now: muted (a raised volume may end it or not),
// muting held off by a listed application, or idle.
int StateIconId();

// The warning of a restore that had to make the sound audible, and the applet it opens.
inline constexpr wchar_t kInaudibleRestoreText[] =
    L"While restoring volume and sound settings, QuietMinder determined that the values being "
    L"restored would leave sounds such as events and reminders inaudible.  The volume has been set "
    L"to an audible level, but other settings may have been affected.  Please use the Sounds & "
    L"Reminders applet to review your settings.  The applet will automatically open when you "
    L"close this dialog.";
inline constexpr wchar_t kSoundAppletProgram[] = L"\\Windows\\ctlpnl.exe";
inline constexpr wchar_t kSoundAppletParameters[] = L"\\Windows\\cplmain.cpl,9";
