#include "support/program_state.h"

#include <windows.h>

#include "app/program_state.h"
#include "common/program.h"
#include "meetings/meeting_query.h"
#include "sound/mute_policy.h"

void ResetTestProgramState() {
  ResetProgramState();
  // The main window and its state belong to the test's window (test_main_window.h).
  const HWND mainWindow = Program.MainWindow;
  ResetProgram();
  Program.Instance = GetModuleHandleW(nullptr);
  Program.MainWindow = mainWindow;
}

bool QueryMeetingInProgress() {
  const MeetingFinding finding = LookAtCalendarNow();
  RememberFinding(finding);
  return finding.state.InMeeting;
}

void MuteByChoice(const MuteLength& length) {
  OnSettingsWindowClosed(MuteChoice{kChoiceUntil, length, L"a test's mute"});
}

void RestoreByChoice() { OnSettingsWindowClosed(MuteChoice{}); }

void CheckTickWithLook() {
  if (OnCheckTick().wantLook) OnMeetingLookDone(LookAtCalendarNow());
}
