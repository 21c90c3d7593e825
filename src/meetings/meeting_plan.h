// The plan of a day: which of its appointments will silence the device and until when, and why
// the others will not, by given rules. The plan applies the meeting rule the check applies, and
// lives the day through as the check would: the first meeting in progress (in the calendar's
// order) silences the device until the end of the chain of counting meetings that overlap or
// touch it; then the check looks again.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "meetings/meeting_query.h"
#include "meetings/meeting_rule.h"

enum class PlanVerdict {
  Silences,         // the device falls silent at its start (or as the day begins) until `until`
  AlreadySilent,    // it counts, but it starts inside the silence of another
  NeverInProgress,  // it counts, but it ends as it starts
  Sounds,           // it does not count: the entry's reason says why
};

struct PlanEntry {
  SYSTEMTIME start{};  // local
  SYSTEMTIME end{};    // local: its start plus its length
  SYSTEMTIME from{};   // local: where the silence it begins starts (Silences; before `start` by
                       // the minutes a meeting's silence begins early)
  SYSTEMTIME until{};  // local: the end of the silence it begins (Silences)
  std::wstring subject;
  std::wstring categories;  // as the calendar joins them; empty when none
  bool allDay = false;
  bool quietHours = false;  // not an appointment: the quiet hours that begin this day
  PlanVerdict verdict = PlanVerdict::Sounds;
  MeetingReason reason = MeetingReason::Counts;
  std::wstring word;  // the skip word it holds, or the always word that makes it count
};

// A stretch of the plan's day (or on from it) in which the device is silent.
struct PlanSilence {
  LocalMinute from = 0;
  LocalMinute until = 0;
};

// What the plan tells besides the calendar: what the owner's settings and the program's state
// now add to it. Read on the window thread when the plan is asked for.
struct PlanContext {
  bool extendToPowerOn = false;  // a meeting's silence lasts on to the next power-on
  std::wstring holdingApp;       // a listed application that holds muting off now; or empty
  bool windowHolds = false;      // the settings window is open, and holds the device silent
};

struct MeetingPlan {
  bool read = false;  // false: the calendar could not be read, `error` says why
  std::wstring error;
  MeetingRules rules;
  PlanContext context;
  SYSTEMTIME day{};
  LocalMinute dayStart = 0;        // the day's midnight
  LocalMinute now = 0;             // the plan's time
  std::vector<PlanEntry> entries;  // in order of start
  std::vector<PlanSilence> silences;  // the day's silent stretches, in order
  size_t unread = 0;               // appointments of the day left out (too many)
  int silentNow = -1;              // the entry whose silence holds at the plan's time, or -1
};

// Plans the first day of `days` (the days after it are read only for silences that run on into
// them), with `now` the plan's time.
MeetingPlan PlanCalendarDays(const CalendarDays& days, const MeetingRules& rules, LocalMinute now);
// Reads the local date `day` from the calendar (and the days its silences run on into) and plans
// it; `now` places the state now. Reads the calendar: never on the window thread.
MeetingPlan PlanMeetingDay(const MeetingRules& rules, const SYSTEMTIME& day, ULONGLONG now,
                           const PlanContext& context = {});

// The plan in words. `deviceTimes`: times as the device's locale shows them; otherwise HH:MM.
// The verdict's word: "silences" or "sounds".
const wchar_t* PlanVerdictWord(const PlanEntry& entry);
std::wstring PlanReason(const MeetingPlan& plan, const PlanEntry& entry, bool deviceTimes);
// "HH:MM-HH:MM silences|sounds SUBJECT [CATEGORIES] REASON", one line.
std::wstring PlanLine(const MeetingPlan& plan, const PlanEntry& entry);
// "Silent until 11:00 AM: Design review", or "Sound on", with what holds the sound on or the
// device silent now; empty for the plan of a day that is not today.
std::wstring PlanStateNow(const MeetingPlan& plan);
