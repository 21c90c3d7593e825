// Looking at the handheld's calendar: reading the appointments of some days, and the check's look
// that finds whether a meeting that passes the user's rules is in progress.
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "meetings/meeting_rule.h"
#include "meetings/meeting_state.h"

// One appointment as the calendar gives it, whatever the rules say of it.
struct DayAppointment {
  LocalMinute start = 0;
  LocalMinute end = 0;
  LocalMinute meetingEnd = 0;  // MeetingEndOf
  bool allDay = false;
  long busy = kBusyBusy;
  std::optional<std::wstring> categories;  // as the calendar joins them; absent when none
  std::wstring subject;
  std::wstring location;
  size_t day = 0;  // the day read whose search first gave it (0: the first day)
  AppointmentFacts Facts() const {
    return AppointmentFacts{start,
                            end,
                            meetingEnd,
                            allDay,
                            busy,
                            categories ? categories->c_str() : nullptr,
                            subject.c_str(),
                            location.c_str()};
  }
};

// Days of the calendar read one after another, their appointments in the calendar's order (by
// start); an appointment that touches several days is there once.
struct CalendarDays {
  LocalMinute start = 0;  // the midnight of the first day read
  LocalMinute end = 0;    // the midnight after the last day read
  std::vector<DayAppointment> appointments;
  size_t unread = 0;  // appointments beyond kMaxDayAppointments a day, left unread
};
inline constexpr size_t kMaxDayAppointments = 1000;
// A silence that runs on from day to day is followed this many days past the first day at most.
inline constexpr int kMaxDaysFollowed = 8;

// Reads the days from the local midnight `first`: that day, and the following ones while a
// silence by `rules` runs to the end of the days read (also `atLeast` days in all). With
// `searchCategory`, the search leaves out what has none of the chosen categories (the check's
// search, unless always words may make such an appointment count); without, it reads every
// appointment (the plan's). A connection lives only within the call. False with `error` set when
// the calendar cannot be read.
bool ReadCalendarDays(LocalMinute first, int atLeast, const MeetingRules& rules, bool searchCategory,
                      CalendarDays* out, std::wstring* error);

// The silences `rules` make in `days`: each appointment that counts, with its minutes before and
// after, and (with `quietHours`) the quiet hours that touch the days; for each its place in
// `days` (kQuietHoursIndex for quiet hours).
inline constexpr size_t kQuietHoursIndex = static_cast<size_t>(-1);
struct CountingAppointments {
  std::vector<AppointmentFacts> facts;
  std::vector<size_t> index;
};
CountingAppointments Counting(const CalendarDays& days, const MeetingRules& rules,
                              bool quietHours);

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
// Connects to the calendar, reads today (and the days a silence runs on into), disconnects.
void LookAtCalendar(MeetingLook& look);
// One look, prepared and taken here and now (on this thread): what it finds.
MeetingFinding LookAtCalendarNow();
// A look with the link to the calendar switched off: no meeting is in progress.
MeetingFinding LinkOffFinding();

// The device's local time of a UTC file time in whole minutes, and the UTC file time of a local
// minute (by the zone's rule for its own date); false when there is none.
LocalMinute LocalMinuteOf(ULONGLONG utc);
bool UtcOfLocalMinute(LocalMinute minute, ULONGLONG* utc);
