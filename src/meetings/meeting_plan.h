// The plan of a day: which of its appointments will silence the device and until when, and why
// the others will not, by given rules. The plan applies the meeting rule the check applies, and
// lives the day through as the check would (the first meeting in progress, in the calendar's
// order, silences the device until its end; then the check looks again).
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "meetings/meeting_query.h"
#include "meetings/meeting_rule.h"

enum class PlanVerdict {
  Silences,         // the device falls silent at its start (or as the day begins) until its end
  SilencesLater,    // silent already at its start for another; then silent for this one
  AlreadySilent,    // it counts, but other appointments' silences cover all of it
  NeverInProgress,  // it counts, but it ends as it starts
  Sounds,           // it does not count: the entry's reason says why
};

struct PlanEntry {
  SYSTEMTIME start{};  // local
  SYSTEMTIME end{};    // local: its start plus its duration, the end of a silence for it
  std::wstring subject;
  std::wstring categories;  // as the calendar joins them; empty when none
  bool allDay = false;
  PlanVerdict verdict = PlanVerdict::Sounds;
  MeetingReason reason = MeetingReason::Counts;
};

struct MeetingPlan {
  bool read = false;   // false: the calendar could not be read, `error` says why
  std::wstring error;
  MeetingRules rules;
  SYSTEMTIME day{};
  std::vector<PlanEntry> entries;  // in order of start
  size_t unread = 0;               // appointments of the day left out (too many)
  int silentNow = -1;              // the entry whose silence holds at the plan's time, or -1
};

// Plans a day that has been read.
MeetingPlan PlanCalendarDay(const CalendarDay& day, const MeetingRules& rules);
// Reads the local date `day` from the calendar and plans it; `now` places the state now. Reads
// the calendar: never on the window thread.
MeetingPlan PlanMeetingDay(const MeetingRules& rules, const SYSTEMTIME& day, ULONGLONG now);

// The plan in words. `deviceTimes`: times as the device's locale shows them; otherwise HH:MM.
// The verdict's word: "silences" or "sounds".
const wchar_t* PlanVerdictWord(const PlanEntry& entry);
std::wstring PlanReason(const MeetingPlan& plan, const PlanEntry& entry, bool deviceTimes);
// "HH:MM-HH:MM silences|sounds SUBJECT [CATEGORIES] REASON", one line.
std::wstring PlanLine(const MeetingPlan& plan, const PlanEntry& entry);
// "Silent until 11:00 AM: Design review", or "Sound on".
std::wstring PlanStateNow(const MeetingPlan& plan);
