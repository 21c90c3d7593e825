#include "meetings/meeting_plan.h"

#include <algorithm>
#include <cwchar>
#include <new>

namespace {

struct Lived {
  std::vector<DATE> silencedAt;  // when the check would silence the device for each; -1 never
  int silentNow = -1;
};

// Lives the day through as the check would, from its midnight: at each moment the first
// appointment in progress that counts silences the device until its end, where the check looks
// again; with none, the next look that can find one is at the next start.
Lived LiveTheDay(const CalendarDay& day, const std::vector<AppointmentFacts>& facts,
                 const std::vector<bool>& counts, const MeetingRules& rules) {
  Lived lived{std::vector<DATE>(facts.size(), -1.0), -1};
  DATE t = day.start;
  while (t < day.end) {
    size_t found = facts.size();
    for (size_t i = 0; i < facts.size() && found == facts.size(); ++i) {
      if (counts[i] && InProgressAt(facts[i], rules, t)) found = i;
    }
    if (found < facts.size()) {
      // In progress at t means its end lies after t: the day moves on.
      if (lived.silencedAt[found] < 0) lived.silencedAt[found] = t;
      if (day.now >= t && day.now < facts[found].meetingEnd && day.now < day.end) {
        lived.silentNow = static_cast<int>(found);
      }
      t = facts[found].meetingEnd;
      continue;
    }
    DATE next = day.end;
    for (size_t i = 0; i < facts.size(); ++i) {
      if (counts[i] && facts[i].start > t && facts[i].start < next) next = facts[i].start;
    }
    t = next;
  }
  return lived;
}

PlanVerdict VerdictOf(const CalendarDay& day, const AppointmentFacts& facts, DATE silencedAt,
                      const MeetingRules& rules) {
  // An appointment in progress at all is in progress from its start (or the day's).
  const DATE first = facts.allDay ? day.start : std::max(facts.start, day.start);
  if (silencedAt >= 0) return silencedAt > first ? PlanVerdict::SilencesLater : PlanVerdict::Silences;
  return InProgressAt(facts, rules, first) ? PlanVerdict::AlreadySilent
                                           : PlanVerdict::NeverInProgress;
}

std::wstring OneLine(std::wstring text) {
  for (wchar_t& c : text) {
    if (c < L' ' || c == 0x7F || c == 0x2028 || c == 0x2029) c = L' ';
  }
  return text;
}

// The chosen names, as the owner reads them: "Business, Work".
std::wstring ChosenNames(const MeetingRules& rules) {
  std::wstring names;
  const std::wstring& list = *rules.POCategory;
  size_t pos = 0;
  while (pos <= list.size()) {
    size_t comma = list.find(L',', pos);
    if (comma == std::wstring::npos) comma = list.size();
    std::wstring name = list.substr(pos, comma - pos);
    const size_t b = name.find_first_not_of(L" \t"), e = name.find_last_not_of(L" \t");
    if (b != std::wstring::npos) {
      if (!names.empty()) names += L", ";
      names += name.substr(b, e - b + 1);
    }
    pos = comma + 1;
  }
  return OneLine(names);
}

bool SameDate(const SYSTEMTIME& a, const SYSTEMTIME& b) {
  return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDay == b.wDay;
}

std::wstring Formatted(const SYSTEMTIME& st, bool date) {
  wchar_t text[80] = {};
  const int n = date ? GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, text, 80)
                     : GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &st, nullptr, text, 80);
  return n > 0 ? std::wstring(text) : std::wstring();
}

std::wstring Clock(const SYSTEMTIME& st) {
  wchar_t text[8];
  swprintf(text, 8, L"%02u:%02u", st.wHour, st.wMinute);
  return text;
}

std::wstring DateText(const SYSTEMTIME& st) {
  wchar_t text[16];
  swprintf(text, 16, L"%04u-%02u-%02u", st.wYear, st.wMonth, st.wDay);
  return text;
}

// A time of the plan; its date too when it is not the plan's day.
std::wstring When(const MeetingPlan& plan, const SYSTEMTIME& st, bool deviceTimes) {
  std::wstring text = deviceTimes ? Formatted(st, false) : Clock(st);
  if (SameDate(st, plan.day)) return text;
  return (deviceTimes ? Formatted(st, true) : DateText(st)) + L" " + text;
}

}  // namespace

MeetingPlan PlanCalendarDay(const CalendarDay& day, const MeetingRules& rules) {
  MeetingPlan plan;
  plan.read = true;
  plan.rules = rules;
  plan.unread = day.unread;
  std::vector<AppointmentFacts> facts;
  std::vector<bool> counts;
  for (const DayAppointment& a : day.appointments) {
    facts.push_back(a.Facts());
    PlanEntry entry;
    entry.start = a.localStart;
    entry.end = a.localEnd;
    entry.subject = OneLine(a.subject);
    entry.categories = OneLine(a.categories.value_or(L""));
    entry.allDay = a.allDay;
    entry.reason = JudgeAppointment(facts.back(), rules);
    counts.push_back(entry.reason == MeetingReason::Counts);
    plan.entries.push_back(std::move(entry));
  }
  const Lived lived = LiveTheDay(day, facts, counts, rules);
  for (size_t i = 0; i < facts.size(); ++i) {
    if (counts[i]) plan.entries[i].verdict = VerdictOf(day, facts[i], lived.silencedAt[i], rules);
  }
  plan.silentNow = lived.silentNow;
  return plan;
}

MeetingPlan PlanMeetingDay(const MeetingRules& rules, const SYSTEMTIME& day, ULONGLONG now) {
  CalendarDay read;
  std::wstring error;
  MeetingPlan plan;
  try {
    if (ReadCalendarDay(day, now, &read, &error)) plan = PlanCalendarDay(read, rules);
  } catch (const std::bad_alloc&) {
    plan = MeetingPlan{};
    error = L"There is not enough memory for the plan.";
  }
  if (!plan.read) plan.error = error;
  plan.rules = rules;
  plan.day = SYSTEMTIME{day.wYear, day.wMonth, 0, day.wDay, 0, 0, 0, 0};
  return plan;
}

const wchar_t* PlanVerdictWord(const PlanEntry& entry) {
  switch (entry.verdict) {
    case PlanVerdict::Silences:
    case PlanVerdict::SilencesLater:
    case PlanVerdict::AlreadySilent:
      return L"silences";
    case PlanVerdict::NeverInProgress:
    case PlanVerdict::Sounds:
      break;
  }
  return L"sounds";
}

std::wstring PlanReason(const MeetingPlan& plan, const PlanEntry& entry, bool deviceTimes) {
  switch (entry.verdict) {
    case PlanVerdict::Silences:
      return L"until " + When(plan, entry.end, deviceTimes);
    case PlanVerdict::SilencesLater:
      return L"until " + When(plan, entry.end, deviceTimes) +
             L"; the device is already silent at its start";
    case PlanVerdict::AlreadySilent:
      return L"the device is already silent then";
    case PlanVerdict::NeverInProgress:
      return L"it ends as it starts";
    case PlanVerdict::Sounds:
      break;
  }
  switch (entry.reason) {
    case MeetingReason::LinkOff:
      return L"the link to the calendar is off";
    case MeetingReason::FreeTime:
      return L"it is free time, and free time is excluded";
    case MeetingReason::NoCategory:
      return L"it has no category (only " + ChosenNames(plan.rules) + L" count)";
    case MeetingReason::OtherCategory:
      return L"its category is not chosen (only " + ChosenNames(plan.rules) + L" count)";
    case MeetingReason::AllDayNotIncluded:
      return L"it is an all-day event, and those are not included";
    case MeetingReason::Counts:
      break;
  }
  return {};
}

std::wstring PlanLine(const MeetingPlan& plan, const PlanEntry& entry) {
  return Clock(entry.start) + L"-" + Clock(entry.end) + L" " + PlanVerdictWord(entry) + L" " +
         (entry.subject.empty() ? L"(no subject)" : entry.subject) + L" [" + entry.categories +
         L"] " + PlanReason(plan, entry, false);
}

std::wstring PlanStateNow(const MeetingPlan& plan) {
  if (plan.silentNow < 0 || static_cast<size_t>(plan.silentNow) >= plan.entries.size()) {
    return L"Sound on";
  }
  const PlanEntry& entry = plan.entries[static_cast<size_t>(plan.silentNow)];
  std::wstring text = L"Silent until " + When(plan, entry.end, true);
  if (!entry.subject.empty()) text += L": " + entry.subject;
  return text;
}
