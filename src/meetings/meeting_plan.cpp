#include "meetings/meeting_plan.h"

#include <strsafe.h>

#include <cwctype>
#include <algorithm>
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

Lived LiveTheDay(const CalendarDays& days, const CountingAppointments& counting, LocalMinute now,
                 std::vector<PlanSilence>* silences) {
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
      silences->push_back({t, silence->until});
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

// "until 11:00", and what follows it when a meeting's silence lasts to the next power-on (quiet
// hours never do).
std::wstring Until(const MeetingPlan& plan, const SYSTEMTIME& until, bool deviceTimes,
                   bool meeting) {
  std::wstring text = L"until " + When(plan, until, deviceTimes);
  if (meeting && plan.context.extendToPowerOn) text += L", then to the next power-on";
  return text;
}

}  // namespace

MeetingPlan PlanCalendarDays(const CalendarDays& days, const MeetingRules& rules,
                             LocalMinute now) {
  MeetingPlan plan;
  plan.read = true;
  plan.rules = rules;
  plan.unread = days.unread;
  plan.dayStart = days.start;
  plan.now = now;
  plan.day = LocalTimeOfMinute(days.start);
  const CountingAppointments counting = Counting(days, rules, true);
  const Lived lived = LiveTheDay(days, counting, now, &plan.silences);
  // The day's appointments, and the quiet hours that begin on it, each an entry.
  std::vector<int> entryOf(days.appointments.size(), -1);
  std::vector<int> quietEntryOf(counting.facts.size(), -1);
  const auto add = [&](LocalMinute start, LocalMinute end) -> PlanEntry& {
    PlanEntry& entry = plan.entries.emplace_back();
    entry.start = LocalTimeOfMinute(start);
    entry.end = LocalTimeOfMinute(end);
    return entry;
  };
  for (size_t i = 0; i < days.appointments.size(); ++i) {
    const DayAppointment& a = days.appointments[i];
    if (a.day != 0) continue;
    entryOf[i] = static_cast<int>(plan.entries.size());
    PlanEntry& entry = add(a.start, a.meetingEnd);
    entry.subject = OneLine(a.subject);
    entry.categories = OneLine(a.categories.value_or(L""));
    entry.allDay = a.allDay;
    entry.reason = JudgeAppointment(a.Facts(), rules, &entry.word);
    entry.word = OneLine(entry.word);
  }
  for (size_t c = 0; c < counting.facts.size(); ++c) {
    const AppointmentFacts& f = counting.facts[c];
    if (counting.index[c] != kQuietHoursIndex || f.start < days.start ||
        f.start >= days.start + kMinutesPerDay) {
      continue;
    }
    quietEntryOf[c] = static_cast<int>(plan.entries.size());
    PlanEntry& entry = add(f.start, f.meetingEnd);
    entry.subject = L"Quiet hours";
    entry.quietHours = true;
  }
  for (size_t c = 0; c < counting.facts.size(); ++c) {
    const int e = counting.index[c] == kQuietHoursIndex ? quietEntryOf[c] : entryOf[counting.index[c]];
    if (lived.silentNow == c) plan.silentNow = e;
    if (e < 0) continue;
    PlanEntry& entry = plan.entries[static_cast<size_t>(e)];
    const AppointmentFacts& f = counting.facts[c];
    if (lived.silencedAt[c] >= 0) {
      entry.verdict = PlanVerdict::Silences;
      entry.from = LocalTimeOfMinute(f.start);
      entry.until = LocalTimeOfMinute(lived.until[c]);
    } else {
      entry.verdict =
          f.meetingEnd > f.start ? PlanVerdict::AlreadySilent : PlanVerdict::NeverInProgress;
    }
  }
  // In order of start; the quiet hours after the appointments that start with them.
  std::vector<size_t> order(plan.entries.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](size_t x, size_t y) {
    return MinuteOfLocalTime(plan.entries[x].start) < MinuteOfLocalTime(plan.entries[y].start);
  });
  std::vector<PlanEntry> sorted;
  int silentNow = -1;
  for (size_t i : order) {
    if (static_cast<int>(i) == plan.silentNow) silentNow = static_cast<int>(sorted.size());
    sorted.push_back(std::move(plan.entries[i]));
  }
  plan.entries = std::move(sorted);
  plan.silentNow = silentNow;
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
  plan.dayStart = MinuteOfLocalTime(midnight);
  plan.now = LocalMinuteOf(now);
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
    case PlanVerdict::Silences: {
      // Where the silence begins early, its own start; where a word makes it count, the word.
      std::wstring reason;
      if (MinuteOfLocalTime(entry.from) != MinuteOfLocalTime(entry.start)) {
        reason = L"from " + When(plan, entry.from, deviceTimes) + L" ";
      }
      reason += Until(plan, entry.until, deviceTimes, !entry.quietHours);
      if (!entry.word.empty()) reason += L" (the word \"" + entry.word + L"\" counts it)";
      return reason;
    }
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
    case MeetingReason::SkipWord:
      return L"it holds \"" + entry.word + L"\", a word that never silences the device";
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
  // The plan of another day tells nothing of now.
  if (plan.now < plan.dayStart || plan.now >= plan.dayStart + kMinutesPerDay) return {};
  std::wstring state = L"Sound on";
  if (plan.silentNow >= 0 && static_cast<size_t>(plan.silentNow) < plan.entries.size()) {
    const PlanEntry& entry = plan.entries[static_cast<size_t>(plan.silentNow)];
    state = L"Silent " + Until(plan, entry.until, true, !entry.quietHours);
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
