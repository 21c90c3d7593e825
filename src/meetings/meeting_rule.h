// Whether an appointment counts as a meeting by the user's rules, and whether it is in progress:
// the one rule that the check of the calendar and the day's plan both apply, so the plan never
// promises a silence that the check would not make.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <optional>
#include <string>

#include "platform/poom.h"

// The user's meeting rules: the stored settings for the check, or what the Meetings page shows
// (not yet stored) for a preview.
struct MeetingRules {
  bool EnablePOLink = false;
  std::optional<std::wstring> POCategory;  // names joined with ","; absent or empty: any
  bool POAllDay = false;
  bool POExcludeFreeTime = false;
};

// An appointment as the calendar gives it. Times are calendar times (local DATEs).
struct AppointmentFacts {
  DATE start = 0;
  DATE end = 0;         // its End property
  DATE meetingEnd = 0;  // its start plus its duration: the end a silence for it lasts to
  bool allDay = false;
  long busy = kBusyBusy;
  const wchar_t* categories = nullptr;  // ", "-separated; null when it has none
};

// Why an appointment does or does not count, in the order the rules are applied.
enum class MeetingReason {
  Counts,
  LinkOff,            // the link to the calendar is off: nothing counts
  FreeTime,           // marked free while free time is excluded
  NoCategory,         // categories are chosen and it has none
  OtherCategory,      // none of its categories is chosen
  AllDayNotIncluded,  // an all-day event while those are not included
};

MeetingReason JudgeAppointment(const AppointmentFacts& facts, const MeetingRules& rules);

// Whether an appointment that counts is in progress at `now`: from its start (inclusive) while
// both its End and its start plus duration lie ahead; an all-day event counts all day.
bool InProgressAt(const AppointmentFacts& facts, const MeetingRules& rules, DATE now);

// True when the appointment's categories hold one of the wanted names. Both lists are separated
// by ","; blanks around a name do not count, and names compare whole, exactly, with case.
// An absent `wanted` accepts everything; an absent `itemCategories` matches nothing wanted.
bool MatchCategories(const wchar_t* wanted, const wchar_t* itemCategories);
