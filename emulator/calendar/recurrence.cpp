#include "calendar/recurrence.h"

#include <algorithm>

namespace {

int64_t FloorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

int64_t WeekStartDay(int64_t day, int weekStart) {
  return day - (WeekdayOfDay(day) - weekStart + 7) % 7;
}

bool HasWeekday(const Recurrence& r, int weekday) {
  return std::any_of(r.byDay.begin(), r.byDay.end(),
                     [&](const auto& entry) { return entry.second == weekday; });
}

// Does `date` (weekday `weekday`) satisfy BYDAY entries whose ordinals count within its month?
bool MatchesByDayInMonth(const Recurrence& r, const CivilDate& date, int weekday) {
  const int days = DaysInMonth(date.year, date.month);
  const int fromStart = (date.day - 1) / 7 + 1;
  const int fromEnd = -((days - date.day) / 7 + 1);
  for (const auto& [ordinal, wd] : r.byDay) {
    if (wd != weekday) continue;
    if (ordinal == 0 || ordinal == fromStart || ordinal == fromEnd) return true;
  }
  return false;
}

bool MatchesByMonthDay(const Recurrence& r, const CivilDate& date) {
  const int days = DaysInMonth(date.year, date.month);
  for (int8_t md : r.byMonthDay) {
    if (md == date.day || (md < 0 && days + 1 + md == date.day)) return true;
  }
  return false;
}

bool MatchesByMonth(const Recurrence& r, int month) {
  return r.byMonth.empty() ||
         std::find(r.byMonth.begin(), r.byMonth.end(), month) != r.byMonth.end();
}

// The rule alone, without the series' start, end and exceptions.
bool RuleMatches(const Recurrence& r, int64_t firstDay, int64_t day) {
  const CivilDate first = CivilFromDays(firstDay);
  const CivilDate date = CivilFromDays(day);
  const int weekday = WeekdayOfDay(day);
  switch (r.freq) {
    case Frequency::None:
      return day == firstDay;
    case Frequency::Daily:
      if ((day - firstDay) % r.interval != 0) return false;
      if (!r.byDay.empty() && !HasWeekday(r, weekday)) return false;
      if (!r.byMonthDay.empty() && !MatchesByMonthDay(r, date)) return false;
      return MatchesByMonth(r, date.month);
    case Frequency::Weekly: {
      const int64_t weeks =
          (WeekStartDay(day, r.weekStart) - WeekStartDay(firstDay, r.weekStart)) / 7;
      if (weeks % r.interval != 0) return false;
      if (!MatchesByMonth(r, date.month)) return false;
      return r.byDay.empty() ? weekday == WeekdayOfDay(firstDay) : HasWeekday(r, weekday);
    }
    case Frequency::Monthly: {
      const int64_t months =
          (int64_t{date.year} * 12 + date.month) - (int64_t{first.year} * 12 + first.month);
      if (months % r.interval != 0) return false;
      if (!MatchesByMonth(r, date.month)) return false;
      if (r.byDay.empty() && r.byMonthDay.empty()) return date.day == first.day;
      if (!r.byDay.empty() && !MatchesByDayInMonth(r, date, weekday)) return false;
      return r.byMonthDay.empty() || MatchesByMonthDay(r, date);
    }
    case Frequency::Yearly: {
      if ((date.year - first.year) % r.interval != 0) return false;
      if (r.byMonth.empty()) {
        if (date.month != first.month) return false;
      } else if (!MatchesByMonth(r, date.month)) {
        return false;
      }
      if (r.byDay.empty() && r.byMonthDay.empty()) return date.day == first.day;
      if (!r.byDay.empty() && !MatchesByDayInMonth(r, date, weekday)) return false;
      return r.byMonthDay.empty() || MatchesByMonthDay(r, date);
    }
  }
  return false;
}

}  // namespace

bool OccursOnDay(const Appointment& a, int64_t day) {
  const int64_t firstDay = DayOf(a.start);
  if (day < firstDay || day > a.rule.lastDay) return false;
  if (day != firstDay && !RuleMatches(a.rule, firstDay, day)) return false;
  return std::find(a.exceptionDays.begin(), a.exceptionDays.end(), day) == a.exceptionDays.end();
}

int64_t DayOfOccurrence(const Appointment& a, int64_t count, int64_t horizonDays) {
  const Recurrence& r = a.rule;
  const int64_t firstDay = DayOf(a.start);
  if (count <= 1 || r.freq == Frequency::None) return firstDay;
  if (r.freq == Frequency::Daily && r.byDay.empty() && r.byMonthDay.empty() && r.byMonth.empty()) {
    return firstDay + std::min((count - 1) * r.interval, horizonDays);
  }
  // Walk period by period so that a long interval costs one step per period, not per day.
  int64_t seen = 1;
  const int64_t lastDay = firstDay + horizonDays;
  int64_t day = firstDay + 1;
  while (day <= lastDay) {
    if (RuleMatches(r, firstDay, day)) {
      if (++seen == count) return day;
      ++day;
      continue;
    }
    // Skip to the start of the next period that the interval allows.
    const CivilDate date = CivilFromDays(day);
    const CivilDate first = CivilFromDays(firstDay);
    switch (r.freq) {
      case Frequency::Weekly: {
        const int64_t weekStart = WeekStartDay(day, r.weekStart);
        const int64_t weeks = (weekStart - WeekStartDay(firstDay, r.weekStart)) / 7;
        day = weeks % r.interval == 0 ? day + 1
                                      : weekStart + 7 * (r.interval - weeks % r.interval);
        break;
      }
      case Frequency::Monthly: {
        const int64_t months =
            (int64_t{date.year} * 12 + date.month) - (int64_t{first.year} * 12 + first.month);
        if (months % r.interval == 0) {
          ++day;
        } else {
          const int64_t target = int64_t{date.year} * 12 + (date.month - 1) +
                                 (r.interval - months % r.interval);
          day = DaysFromCivil(static_cast<int>(FloorDiv(target, 12)),
                              static_cast<int>(target - FloorDiv(target, 12) * 12) + 1, 1);
        }
        break;
      }
      case Frequency::Yearly:
        day = (date.year - first.year) % r.interval == 0
                  ? day + 1
                  : DaysFromCivil(date.year + (r.interval - (date.year - first.year) % r.interval),
                                  1, 1);
        break;
      default:
        ++day;
        break;
    }
  }
  return lastDay;
}
