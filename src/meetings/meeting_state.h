// What the program remembers of meetings: the last look at the calendar's finding. All zero at
// start-up, so the first check looks at once.
#pragma once
#include <windows.h>

#include <optional>

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

// The owner's quiet hours as the program follows them: worked out in UTC from the settings at
// their changes (and when the clock was set back, or the settings changed), so that a check tick
// compares times in memory only.
struct QuietHoursRecord {
  ULONGLONG from = 0, until = 0;  // the quiet hours in force or next, UTC; until 0: none
  ULONGLONG workedOutAt = 0;      // the device's time when they were worked out
  ULONGLONG nextChange = 0;       // when they are worked out again
  ULONGLONG offUntil = 0;         // the owner ended the quiet hours in force: off until then
  DWORD days = 0, fromMinute = 0, toMinute = 0;  // the settings they were worked out from
};
// Read-only. Written by this unit alone, on the mute policy's word.
extern const QuietHoursRecord& QuietHoursState;
// The end of the quiet hours in force at `now` (UTC), unless the owner has ended them; none
// outside them.
std::optional<ULONGLONG> QuietHoursUntil(ULONGLONG now);
// The same, read only: worked out from the settings now.
std::optional<ULONGLONG> QuietHoursInForce(ULONGLONG now);
// The owner gave the sound back during quiet hours: they stay off until their end.
void EndQuietHoursForNow(ULONGLONG now);
