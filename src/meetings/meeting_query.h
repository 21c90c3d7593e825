// The meeting query: asks the handheld's calendar for today's appointments, applies the user's
// meeting rules and leaves its findings in MeetingState.
#pragma once
#include <windows.h>

#include "meetings/meeting_rule.h"
#include "meetings/meeting_state.h"

#include <optional>
#include <string>
#include <vector>

// One look at the calendar: what it works from (the user's meeting rules, the last finding and
// the time, copied) and what it finds. A look holds no reference to the program's state, so it
// can be taken on any thread.
struct MeetingLook {
  MeetingRules rules;
  DWORD POCheckInterval = 30;
  ULONGLONG now = 0;  // UTC file time
  // The meeting state as the look was prepared, made into what it finds.
  MeetingFinding finding;
};

// The meeting rules as stored in Settings.
MeetingRules StoredMeetingRules();
// From Settings, MeetingState and the device's clock, numbered.
MeetingLook PrepareMeetingLook();
// Connects to the calendar, searches today's appointments, disconnects. A connection to the
// calendar lives only within one look.
void LookAtCalendar(MeetingLook& look);
// One look, prepared and taken here and now (on this thread): what it finds.
MeetingFinding LookAtCalendarNow();
// A look with the link to the calendar switched off: no meeting is in progress.
MeetingFinding LinkOffFinding();

// One appointment of a day as the calendar gives it, whatever the rules say of it.
struct DayAppointment {
  DATE start = 0;
  DATE end = 0;
  DATE meetingEnd = 0;  // its start plus its duration (its End when the duration is unreadable)
  bool allDay = false;
  long busy = kBusyBusy;
  std::optional<std::wstring> categories;  // as the calendar joins them; absent when none
  std::wstring subject;
  SYSTEMTIME localStart{};  // start and meetingEnd, broken down
  SYSTEMTIME localEnd{};
  AppointmentFacts Facts() const {
    return AppointmentFacts{start, end, meetingEnd, allDay, busy,
                            categories ? categories->c_str() : nullptr};
  }
};

// A day of the calendar in calendar times, with its appointments in the calendar's order (by
// start).
struct CalendarDay {
  DATE start = 0;  // its midnight
  DATE end = 0;    // the next midnight
  DATE now = 0;
  std::vector<DayAppointment> appointments;
  size_t unread = 0;  // appointments beyond kMaxDayAppointments, left unread
};
inline constexpr size_t kMaxDayAppointments = 1000;

// Reads every appointment that touches the local date `day` (its time of day is not looked at),
// and the device's time `now` as a calendar time. A connection lives only within the call. False
// with `error` set when the calendar cannot be read.
bool ReadCalendarDay(const SYSTEMTIME& day, ULONGLONG now, CalendarDay* out, std::wstring* error);
