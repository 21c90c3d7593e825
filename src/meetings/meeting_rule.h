// Whether an appointment counts as a meeting by the user's rules, whether it is in progress, and
// how long the silence it makes lasts: the one rule that the check of the calendar and the day's
// plan both apply, so the plan never promises a silence that the check would not make.
#pragma once
#include <windows.h>

#include <optional>
#include <span>
#include <string>

#include "platform/poom.h"

// A local time of the calendar in whole minutes since the calendar's epoch (1899-12-30 00:00).
// Appointments are whole minutes: their times are rounded to the minute where they are read, and
// compared as integers from there on.
using LocalMinute = long long;
inline constexpr LocalMinute kMinutesPerDay = 24 * 60;
// The nearest whole minute of a calendar time.
LocalMinute MinuteOfCalendarTime(DATE date);
LocalMinute MinuteOfLocalTime(const SYSTEMTIME& local);
SYSTEMTIME LocalTimeOfMinute(LocalMinute minute);
// The midnight that begins the day of `minute`.
inline LocalMinute DayStart(LocalMinute minute) {
  return minute - ((minute % kMinutesPerDay) + kMinutesPerDay) % kMinutesPerDay;
}

// The user's meeting rules and quiet hours: the stored settings for the check, or what the
// Meetings page and its Rules view show (not yet stored) for a preview.
struct MeetingRules {
  bool EnablePOLink = false;
  std::optional<std::wstring> POCategory;  // names joined with ","; absent or empty: any
  bool POAllDay = false;
  bool POExcludeFreeTime = false;
  DWORD POStartEarly = 0;  // minutes
  DWORD POEndLate = 0;     // minutes
  std::optional<std::wstring> POSkipWords;    // words joined with ","
  std::optional<std::wstring> POAlwaysWords;  // words joined with ","
  DWORD QuietDays = 0;     // bit 0 Sunday ... bit 6 Saturday
  DWORD QuietFrom = 1320;  // minutes after midnight
  DWORD QuietTo = 390;
};

// An appointment as the calendar gives it, in whole local minutes.
struct AppointmentFacts {
  LocalMinute start = 0;
  LocalMinute end = 0;         // its End property
  LocalMinute meetingEnd = 0;  // MeetingEndOf: the end a silence for it lasts to
  bool allDay = false;
  long busy = kBusyBusy;
  const wchar_t* categories = nullptr;  // ", "-separated; null when it has none
  const wchar_t* subject = nullptr;     // null when it has none
  const wchar_t* location = nullptr;    // null when it has none
};

// A meeting ends at its start plus its length in minutes; without a length that can be read
// (none, or not above 0), at its end time.
LocalMinute MeetingEndOf(LocalMinute start, LocalMinute end, std::optional<long> lengthMinutes);

// Why an appointment does or does not count, in the order the rules are applied.
enum class MeetingReason {
  Counts,
  LinkOff,            // the link to the calendar is off: nothing counts
  FreeTime,           // marked free while free time is excluded
  NoCategory,         // categories are chosen and it has none
  OtherCategory,      // none of its categories is chosen
  AllDayNotIncluded,  // an all-day event while those are not included
  SkipWord,           // its subject or location holds a skip word
};

// Judges an appointment by the rules. `word` (when given) gets the word that decided: the skip
// word it holds, or the always word that made it count although its categories do not.
MeetingReason JudgeAppointment(const AppointmentFacts& facts, const MeetingRules& rules,
                               std::wstring* word = nullptr);

// The appointment's silence: from `early` minutes before its start to `late` minutes after its
// end, the minutes around it counting as in progress.
AppointmentFacts SilenceOf(const AppointmentFacts& facts, const MeetingRules& rules);

// The quiet hours that begin on the day of the local midnight `day`, when the rules have them
// that day: from QuietFrom to QuietTo (the next day when it comes first).
struct QuietHours {
  LocalMinute from = 0;
  LocalMinute until = 0;
};
std::optional<QuietHours> QuietHoursOf(const MeetingRules& rules, LocalMinute day);
// The quiet hours in force at `now` (begun that day or the evening before), if any.
std::optional<QuietHours> QuietHoursAt(const MeetingRules& rules, LocalMinute now);

// Whether an appointment that counts is in progress at `now`: from its start (inclusive) while
// both its End and its start plus its length lie ahead; an all-day event all through its days.
bool InProgressAt(const AppointmentFacts& facts, LocalMinute now);

// The silence the appointments that count make at `now`: it is for the first of them in
// progress (in the calendar's order), and lasts to the last end of the chain of counting
// appointments that overlap or touch it, so that no sound comes back between two of them.
struct ChainedSilence {
  size_t first = 0;        // the appointment it is for
  LocalMinute until = 0;   // the end of the chain
};
std::optional<ChainedSilence> SilenceAt(std::span<const AppointmentFacts> counting, LocalMinute now);

// The first start of a counting appointment after `now` (none when none starts later): where a
// check that found no silence looks again, unless its interval comes first.
std::optional<LocalMinute> NextCountingStart(std::span<const AppointmentFacts> counting,
                                             LocalMinute now);

// True when the appointment's categories hold one of the wanted names. Both lists are separated
// by ","; blanks around a name do not count, and names compare whole, exactly, with case.
// An absent `wanted` accepts everything; an absent `itemCategories` matches nothing wanted.
bool MatchCategories(const wchar_t* wanted, const wchar_t* itemCategories);
