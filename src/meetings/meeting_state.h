// What the last meeting query found. All zero at start-up, so the first check queries at once.
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

// Written only by the meeting query.
extern MeetingStateRecord MeetingState;
// No meeting known; a look prepared before the reset finds nothing that still counts.
void ResetMeetingState();

// Looks at the calendar are numbered as they are prepared: the number of a new one, and whether
// a finished one may still be taken (false when a look prepared after it was taken already).
unsigned long long NumberNewLook();
bool AcceptLookNumber(unsigned long long number);
