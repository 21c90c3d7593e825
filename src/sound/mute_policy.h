// The one place that decides when a mute begins or ends. The main window and the settings pages
// turn what happened into one call here; only this unit calls the engine's operations that begin
// or end a mute, and only it looks at the application filter's hold.
#pragma once
#include <windows.h>

#include <optional>

#include "sound/sound_journal.h"

// The events the program meets. Those that return a flag return true when the shell's volume
// control is to be brought in line: the mute state changed, a raised volume was dealt with, or an
// earlier refresh is still due.

// The check tick: looks at the running applications, ends a mute that is due or mutes for a
// meeting in progress, follows the wave volume, keeps the icon and the protected settings.
bool OnCheckTick();
// The power button: a mute that lasts to the next power-on ends, a raised volume is silenced
// again, a meeting in progress mutes.
bool OnPowerOn();
// The settings window opened: the device is held silent while it is open.
void OnSettingsWindowOpened();
// The settings window closed with `choice` (positive: mute; 0: give the sound back; negative:
// the window could not be shown, nothing changes).
void OnSettingsWindowClosed(INT_PTR choice);
// A look at the calendar has finished with `verdict` (none: its findings were out of date).
bool OnMeetingLookDone(std::optional<bool> verdict);
// The Sound page's test tone: the owner's sound for the length of the tone, at `volume`.
void OnTestTone(DWORD volume);
// Start-up, after the settings are loaded: no mute runs yet; a mute an earlier run kept is
// recalled.
void OnProgramStart();
// The program ends: a running mute gives the sound back.
void OnProgramEnd();

// How a look at the calendar is started: the program's own (a thread that reports back with
// OnMeetingLookDone), true when one is under way. Without one, or when it starts none, the look
// is taken at once.
using MeetingLookStarter = bool (*)();
void SetMeetingLookStarter(MeetingLookStarter start);

// The operations of the rules below, for the events above (and for tests).
// Ends the mute when the filter holds muting off or its time has come (`cause`: what brought the
// check, the tick's time or the power button); a meeting that follows mutes again.
void CheckMuteExpiry(ChangeCause cause = ChangeCause::MuteTime);
// Looks for a meeting in progress when the link is on and the next check time has come.
void CheckForMeeting();
