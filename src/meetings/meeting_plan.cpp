#include "meetings/meeting_plan.h"

#include <strsafe.h>

#include <cwctype>
#include <new>

#include "common/text.h"

namespace {

// Lives the days through as the check would, from the first day's midnight to the next: at
// each moment the first counting appointment in progress silences the device to its chain's end,
// where the check looks again; with none, the next look that can find one is at the next start.
struct Lived {
  std::vector<LocalMinute> silencedAt;  // when the check would silence the device for each; -1
  std::vector<LocalMinute> until;       // and until when
  std::optional<size_t> silentNow;      // the one whose silence holds at the plan's time
};

Lived LiveTheDay(const CalendarDays& days, const CountingAppointments& counting, LocalMinute now) {
  const size_t n = counting.facts.size();
  Lived lived{std::vector<LocalMinute>(n, -1), std::vector<LocalMinute>(n, 0), std::nullopt};
  const LocalMinute dayEnd = days.start + kMinutesPerDay;
  LocalMinute t = days.start;
  while (t < dayEnd) {
    if (const auto silence = SilenceAt(counting.facts, t)) {
      if (lived.silencedAt[silence->first] < 0) {
        lived.silencedAt[silence->first] = t;
        lived.until[silence->first] = silence->until;
      }
      if (now >= t && now < silence->until) lived.silentNow = silence->first;
      t = silence->until;
      continue;
    }
    t = NextCountingStart(counting.facts, t).value_or(dayEnd);
  }
  // A silence in force at the plan's time that began on an earlier day.
  if (!lived.silentNow && now < days.start) {
    if (const auto silence = SilenceAt(counting.facts, now)) lived.silentNow = silence->first;
  }
  return lived;
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
  AnyName(rules.POCategory.value_or(L""), L',', true, [&](std::wstring_view name) {
    if (!names.empty()) names += L", ";
    names += name;
    return false;
  });
  return OneLine(names);
}

bool SameDate(const SYSTEMTIME& a, const SYSTEMTIME& b) {
  return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDay == b.wDay;
}

std::wstring Clock(const SYSTEMTIME& st) {
  wchar_t text[8];
  StringCchPrintfW(text, 8, L"%02u:%02u", st.wHour, st.wMinute);
  return text;
}

std::wstring DateText(const SYSTEMTIME& st) {
  wchar_t text[16];
  StringCchPrintfW(text, 16, L"%04u-%02u-%02u", st.wYear, st.wMonth, st.wDay);
  return text;
}

// A time of the plan; its date too when it is not the plan's day.
std::wstring When(const MeetingPlan& plan, const SYSTEMTIME& st, bool deviceTimes) {
  std::wstring text = deviceTimes ? TimeOfDayText(st) : Clock(st);
  if (SameDate(st, plan.day)) return text;
  return (deviceTimes ? ShortDateText(st) : DateText(st)) + L" " + text;
}

// "until 11:00", and what follows it when a meeting's silence lasts to the next power-on.
std::wstring Until(const MeetingPlan& plan, const SYSTEMTIME& until, bool deviceTimes) {
  std::wstring text = L"until " + When(plan, until, deviceTimes);
  if (plan.context.extendToPowerOn) text += L", then to the next power-on";
  return text;
}

}  // namespace

MeetingPlan PlanCalendarDays(const CalendarDays& days, const MeetingRules& rules,
                             LocalMinute now) {
  MeetingPlan plan;
  plan.read = true;
  plan.rules = rules;
  plan.unread = days.unread;
  plan.day = LocalTimeOfMinute(days.start);
  const CountingAppointments counting = Counting(days, rules);
  const Lived lived = LiveTheDay(days, counting, now);
  std::vector<int> entryOf(days.appointments.size(), -1);
  for (size_t i = 0; i < days.appointments.size(); ++i) {
    const DayAppointment& a = days.appointments[i];
    if (a.day != 0) continue;
    PlanEntry entry;
    entry.start = LocalTimeOfMinute(a.start);
    entry.end = LocalTimeOfMinute(a.meetingEnd);
    entry.subject = OneLine(a.subject);
    entry.categories = OneLine(a.categories.value_or(L""));
    entry.allDay = a.allDay;
    entry.reason = JudgeAppointment(a.Facts(), rules);
    entryOf[i] = static_cast<int>(plan.entries.size());
    plan.entries.push_back(std::move(entry));
  }
  for (size_t c = 0; c < counting.facts.size(); ++c) {
    const int e = entryOf[counting.index[c]];
    if (lived.silentNow == c) plan.silentNow = e;
    if (e < 0) continue;
    PlanEntry& entry = plan.entries[static_cast<size_t>(e)];
    if (lived.silencedAt[c] >= 0) {
      entry.verdict = PlanVerdict::Silences;
      entry.until = LocalTimeOfMinute(lived.until[c]);
    } else {
      const AppointmentFacts& f = counting.facts[c];
      entry.verdict = f.meetingEnd > f.start ? PlanVerdict::AlreadySilent
                                             : PlanVerdict::NeverInProgress;
    }
  }
  return plan;
}

MeetingPlan PlanMeetingDay(const MeetingRules& rules, const SYSTEMTIME& day, ULONGLONG now,
                           const PlanContext& context) {
  const SYSTEMTIME midnight{day.wYear, day.wMonth, 0, day.wDay, 0, 0, 0, 0};
  MeetingPlan plan;
  std::wstring error;
  try {
    CalendarDays read;
    if (ReadCalendarDays(MinuteOfLocalTime(midnight), 1, rules, false, &read, &error)) {
      plan = PlanCalendarDays(read, rules, LocalMinuteOf(now));
    }
  } catch (const std::bad_alloc&) {
    plan = MeetingPlan{};
    error = L"There is not enough memory for the plan.";
  }
  if (!plan.read) plan.error = error;
  plan.rules = rules;
  plan.context = context;
  plan.day = midnight;
  return plan;
}

const wchar_t* PlanVerdictWord(const PlanEntry& entry) {
  switch (entry.verdict) {
    case PlanVerdict::Silences:
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
      return Until(plan, entry.until, deviceTimes);
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
  std::wstring state = L"Sound on";
  if (plan.silentNow >= 0 && static_cast<size_t>(plan.silentNow) < plan.entries.size()) {
    const PlanEntry& entry = plan.entries[static_cast<size_t>(plan.silentNow)];
    state = L"Silent " + Until(plan, entry.until, true);
    if (!entry.subject.empty()) state += L": " + entry.subject;
  }
  // What holds the sound on or the device silent now comes first, then what follows it.
  const auto then = [](const std::wstring& now, std::wstring after) {
    after[0] = static_cast<wchar_t>(towlower(after[0]));
    return now + L"; then: " + after;
  };
  if (!plan.context.holdingApp.empty()) {
    const std::wstring held =
        L"Sound on while \"" + plan.context.holdingApp + L"\" runs (it holds muting off)";
    state = plan.silentNow >= 0 ? then(held, state) : held;
  }
  if (plan.context.windowHolds) state = then(L"Held silent while this window is open", state);
  return state;
}
