// The program's state records back at their start values, as a fresh process has them, and set
// up for a test through their writers, as the program's own parts hand them values.
#pragma once

#include "meetings/meeting_state.h"
#include "settings/settings.h"
#include "sound/mute_state.h"

// ResetProgramState, and the program's identity too: its module is this test program; a main
// window the test made stays.
void ResetTestProgramState();

// The settings in force, with `edit` applied to a copy of them (nothing is stored).
template <typename Edit>
void EditSettings(Edit edit) {
  SettingsRecord edited = Settings;
  edit(edited);
  UseSettings(edited);
}

// What the program remembers of meetings, with `edit` applied, as a finding taken now would
// leave it.
template <typename Edit>
void EditMeetingState(Edit edit) {
  MeetingFinding finding{MeetingState, NumberNewLook()};
  edit(finding.state);
  RememberFinding(finding);
}

// One look at the calendar taken now on this thread, and remembered as the check's would be;
// whether it found a meeting in progress.
bool QueryMeetingInProgress();

// The program's own mute lasting `length`, and the sound given back, as the settings window's
// choice asks the mute policy for them.
void MuteByChoice(const MuteLength& length = {});
void RestoreByChoice();
// A check tick through the mute policy, with the look at the calendar it asks for taken at once.
void CheckTickWithLook();
