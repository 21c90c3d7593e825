#include "meetings/meeting_rule.h"

#include <algorithm>
#include <cmath>
#include <cwctype>

#include "common/text.h"

namespace {

// Days between 1899-12-30 (the calendar's epoch) and 1970-01-01.
constexpr long long kEpochToUnixDays = 25569;

// The days since 1970-01-01 of a civil date, and back (the proleptic Gregorian calendar).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

SYSTEMTIME CivilFromDays(long long z) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  const long long y = static_cast<long long>(yoe) + era * 400 + (m <= 2);
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(y);
  st.wMonth = static_cast<WORD>(m);
  st.wDay = static_cast<WORD>(d);
  // 1970-01-01 was a Thursday.
  st.wDayOfWeek = static_cast<WORD>(((z - 719468) % 7 + 7 + 4) % 7);
  return st;
}

bool SameNoCase(wchar_t a, wchar_t b) { return towupper(a) == towupper(b); }

bool ContainsNoCase(const wchar_t* text, std::wstring_view word) {
  if (!text) return false;
  const std::wstring_view held(text);
  return std::search(held.begin(), held.end(), word.begin(), word.end(), SameNoCase) != held.end();
}

// The first word of `words` that the appointment's subject or location holds, ignoring case.
std::optional<std::wstring_view> WordHeld(const std::optional<std::wstring>& words,
                                          const AppointmentFacts& facts) {
  std::optional<std::wstring_view> held;
  if (!words) return held;
  AnyName(*words, L',', true, [&](std::wstring_view word) {
    if (ContainsNoCase(facts.subject, word) || ContainsNoCase(facts.location, word)) held = word;
    return held.has_value();
  });
  return held;
}

}  // namespace

LocalMinute MinuteOfCalendarTime(DATE date) { return std::llround(date * kMinutesPerDay); }

LocalMinute MinuteOfLocalTime(const SYSTEMTIME& local) {
  const long long days = DaysFromCivil(local.wYear, local.wMonth, local.wDay) + kEpochToUnixDays;
  return days * kMinutesPerDay + local.wHour * 60 + local.wMinute;
}

SYSTEMTIME LocalTimeOfMinute(LocalMinute minute) {
  const LocalMinute midnight = DayStart(minute);
  SYSTEMTIME st = CivilFromDays(midnight / kMinutesPerDay - kEpochToUnixDays);
  st.wHour = static_cast<WORD>((minute - midnight) / 60);
  st.wMinute = static_cast<WORD>((minute - midnight) % 60);
  return st;
}

LocalMinute MeetingEndOf(LocalMinute start, LocalMinute end, std::optional<long> lengthMinutes) {
  if (lengthMinutes && *lengthMinutes > 0) return start + *lengthMinutes;
  return end;
}

bool MatchCategories(const wchar_t* wanted, const wchar_t* itemCategories) {
  if (!wanted) return true;
  if (!itemCategories) return false;
  if (!*itemCategories) return !*wanted;
  if (!*wanted) return true;
  const std::wstring_view held(itemCategories);
  return AnyName(wanted, L',', true, [&](std::wstring_view name) {
    return AnyName(held, L',', true, [&](std::wstring_view h) { return h == name; });
  });
}

MeetingReason JudgeAppointment(const AppointmentFacts& facts, const MeetingRules& rules,
                               std::wstring* word) {
  if (!rules.EnablePOLink) return MeetingReason::LinkOff;
  // A skip word wins over everything else.
  if (const auto skip = WordHeld(rules.POSkipWords, facts)) {
    if (word) *word = *skip;
    return MeetingReason::SkipWord;
  }
  if (rules.POExcludeFreeTime && facts.busy == kBusyFree) return MeetingReason::FreeTime;
  const auto& wanted = rules.POCategory;
  MeetingReason category = MeetingReason::Counts;
  if (wanted && !wanted->empty()) {
    if (!facts.categories || !*facts.categories) {
      category = MeetingReason::NoCategory;
    } else if (!MatchCategories(wanted->c_str(), facts.categories)) {
      category = MeetingReason::OtherCategory;
    }
  }
  // An always word lifts the category rule, and only that.
  if (category != MeetingReason::Counts) {
    const auto always = WordHeld(rules.POAlwaysWords, facts);
    if (!always) return category;
    if (word) *word = *always;
  }
  // An all-day event left out is never in progress, nor the next meeting.
  if (facts.allDay && !rules.POAllDay) return MeetingReason::AllDayNotIncluded;
  return MeetingReason::Counts;
}

AppointmentFacts SilenceOf(const AppointmentFacts& facts, const MeetingRules& rules) {
  AppointmentFacts silence = facts;
  silence.start -= rules.POStartEarly;
  silence.end += rules.POEndLate;
  silence.meetingEnd += rules.POEndLate;
  return silence;
}

std::optional<QuietHours> QuietHoursOf(const MeetingRules& rules, LocalMinute day) {
  const LocalMinute midnight = DayStart(day);
  const WORD weekday = LocalTimeOfMinute(midnight).wDayOfWeek;
  if (rules.QuietFrom == rules.QuietTo || !(rules.QuietDays & (1u << weekday))) {
    return std::nullopt;
  }
  const LocalMinute from = midnight + rules.QuietFrom;
  const LocalMinute to = midnight + rules.QuietTo;
  return QuietHours{from, to > from ? to : to + kMinutesPerDay};
}

std::optional<QuietHours> QuietHoursAt(const MeetingRules& rules, LocalMinute now) {
  for (const LocalMinute day : {DayStart(now), DayStart(now) - kMinutesPerDay}) {
    const auto quiet = QuietHoursOf(rules, day);
    if (quiet && quiet->from <= now && now < quiet->until) return quiet;
  }
  return std::nullopt;
}

bool InProgressAt(const AppointmentFacts& facts, LocalMinute now) {
  // A meeting whose silence would end before it starts is none: a mute must never end before
  // it begins.
  if (facts.start > now || facts.meetingEnd <= now) return false;
  return facts.allDay || facts.end > now;
}

std::optional<ChainedSilence> SilenceAt(std::span<const AppointmentFacts> counting,
                                        LocalMinute now) {
  std::optional<ChainedSilence> silence;
  for (size_t i = 0; i < counting.size(); ++i) {
    if (!InProgressAt(counting[i], now)) continue;
    if (!silence) silence = ChainedSilence{i, counting[i].meetingEnd};
    if (counting[i].meetingEnd > silence->until) silence->until = counting[i].meetingEnd;
  }
  if (!silence) return std::nullopt;
  // One in progress as the silence ends (begun during it, or at its end) carries it on.
  for (bool longer = true; longer;) {
    longer = false;
    for (const AppointmentFacts& a : counting) {
      if (InProgressAt(a, silence->until)) {
        silence->until = a.meetingEnd;
        longer = true;
      }
    }
  }
  return silence;
}

std::optional<LocalMinute> NextCountingStart(std::span<const AppointmentFacts> counting,
                                             LocalMinute now) {
  std::optional<LocalMinute> next;
  for (const AppointmentFacts& a : counting) {
    if (a.start > now && a.meetingEnd > a.start && (!next || a.start < *next)) next = a.start;
  }
  return next;
}
