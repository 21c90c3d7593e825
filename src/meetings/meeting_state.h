// What the program remembers of meetings: the last look at the calendar's finding. All zero at
// start-up, so the first check looks at once.
#pragma once
#include <windows.h>

struct MeetingStateRecord {
  bool InMeeting = false;
  ULONGLONG MeetingEnd = 0;        // UTC file time
  ULONGLONG NextMeetingCheck = 0;  // UTC file time
  wchar_t MeetingText[100] = {};
  wchar_t MeetingStatusText[100] = {};
  // The meeting in progress as its appointment has them (cut to fit), for the journal.
  wchar_t MeetingSubject[81] = {};
  wchar_t MeetingCategories[65] = {};
};

// What one look at the calendar found: the meeting state it leaves, and the look's number (looks
// are numbered as they are prepared).
struct MeetingFinding {
  MeetingStateRecord state;
  unsigned long long look = 0;
  bool failed = false;  // the calendar could not be read whole: nothing is known of a meeting
};

// Read-only. Written by this unit alone, on the mute policy's word: a finding it takes
// (OnMeetingLookDone) and the end of a meeting's silence.
extern const MeetingStateRecord& MeetingState;
// No meeting known; a look prepared before the reset finds nothing that still counts.
void ResetMeetingState();
// The finding becomes what the program remembers, unless a look prepared after it was taken
// already (then false, and nothing changes: its finding is out of date).
bool RememberFinding(const MeetingFinding& finding);
// The meeting in progress is over for the program (the silence made for it has ended).
void ForgetMeetingInProgress();
// The number of a look prepared now.
unsigned long long NumberNewLook();
