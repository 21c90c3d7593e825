#include "calendar/calendar_model.h"

#include <algorithm>
#include <cmath>

// Day 0 is 0001-01-01. Algorithm after H. Hinnant's days_from_civil, shifted to that epoch.
namespace {
constexpr int64_t kUnixEpochDays = 719162;  // 1970-01-01 counted from 0001-01-01
constexpr int64_t kDateEpochDays = 693593;  // 1899-12-30 counted from 0001-01-01

int64_t DaysFromCivilUnix(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}
}  // namespace

int64_t DaysFromCivil(int year, int month, int day) {
  return DaysFromCivilUnix(year, month, day) + kUnixEpochDays;
}

CivilDate CivilFromDays(int64_t days) {
  int64_t z = days - kUnixEpochDays + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const int64_t m = mp < 10 ? mp + 3 : mp - 9;
  const int64_t y = yoe + era * 400 + (m <= 2);
  return CivilDate{static_cast<int>(y), static_cast<int>(m), static_cast<int>(d)};
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month == 2) {
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return leap ? 29 : 28;
  }
  return kDays[(month - 1) % 12];
}

int WeekdayOfDay(int64_t days) {
  // 0001-01-01 was a Monday.
  int64_t w = (days + 1) % 7;
  return static_cast<int>(w < 0 ? w + 7 : w);
}

bool ValidDate(int year, int month, int day) {
  return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
         day <= DaysInMonth(year, month);
}

CivilSeconds CivilFromSystemTime(const SYSTEMTIME& st) {
  return DaysFromCivil(st.wYear, st.wMonth, st.wDay) * kSecondsPerDay + st.wHour * 3600 +
         st.wMinute * 60 + st.wSecond;
}

SYSTEMTIME SystemTimeFromCivil(CivilSeconds t) {
  const int64_t day = DayOf(t);
  const int64_t secs = t - day * kSecondsPerDay;
  const CivilDate d = CivilFromDays(day);
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(d.year);
  st.wMonth = static_cast<WORD>(d.month);
  st.wDay = static_cast<WORD>(d.day);
  st.wDayOfWeek = static_cast<WORD>(WeekdayOfDay(day));
  st.wHour = static_cast<WORD>(secs / 3600);
  st.wMinute = static_cast<WORD>(secs / 60 % 60);
  st.wSecond = static_cast<WORD>(secs % 60);
  return st;
}

// Before the epoch the integer part counts days backwards while the fraction still counts the
// time of day forwards (-1.25 is 1899-12-29 06:00).
DATE DateFromCivil(CivilSeconds t) {
  const int64_t day = DayOf(t) - kDateEpochDays;
  const double frac = static_cast<double>(t - DayOf(t) * kSecondsPerDay) / kSecondsPerDay;
  return day >= 0 ? static_cast<double>(day) + frac : static_cast<double>(day) - frac;
}

CivilSeconds CivilFromDate(DATE date) {
  double whole = 0;
  double frac = std::modf(date, &whole);
  if (frac < 0) frac = -frac;
  int64_t secs = std::llround(frac * kSecondsPerDay);
  return (static_cast<int64_t>(whole) + kDateEpochDays) * kSecondsPerDay + secs;
}

namespace {
constexpr int64_t kFileTimeEpochDays = 584388;  // 1601-01-01 counted from 0001-01-01

bool ToSystemTimeChecked(CivilSeconds t, SYSTEMTIME* st) {
  if (DayOf(t) < kFileTimeEpochDays + 1 || DayOf(t) > DaysFromCivil(9999, 12, 30)) return false;
  *st = SystemTimeFromCivil(t);
  return true;
}
}  // namespace

CivilSeconds UtcToDeviceLocal(CivilSeconds utc) {
  SYSTEMTIME in{}, out{};
  if (!ToSystemTimeChecked(utc, &in) || !SystemTimeToTzSpecificLocalTime(nullptr, &in, &out)) {
    return utc;
  }
  return CivilFromSystemTime(out);
}

CivilSeconds DeviceLocalToUtc(CivilSeconds local) {
  SYSTEMTIME in{}, out{};
  if (!ToSystemTimeChecked(local, &in) || !TzSpecificLocalTimeToSystemTime(nullptr, &in, &out)) {
    return local;
  }
  return CivilFromSystemTime(out);
}

namespace {
// The day of a yearly onset in `year`, or -1 when the rule yields none that year.
int64_t OnsetDayInYear(const ZoneObservance& o, int year) {
  if (o.month < 1 || o.month > 12) return -1;
  if (o.weekday >= 0 && o.nth != 0) {
    const int days = DaysInMonth(year, o.month);
    if (o.nth > 0) {
      const int64_t first = DaysFromCivil(year, o.month, 1);
      const int64_t shift = (o.weekday - WeekdayOfDay(first) + 7) % 7;
      const int64_t day = first + shift + 7 * (o.nth - 1);
      return day < first + days ? day : -1;
    }
    const int64_t last = DaysFromCivil(year, o.month, days);
    const int64_t shift = (WeekdayOfDay(last) - o.weekday + 7) % 7;
    const int64_t day = last - shift - 7 * (-o.nth - 1);
    return day > last - days ? day : -1;
  }
  int monthDay = o.monthDay != 0 ? o.monthDay : CivilFromDays(DayOf(o.firstOnset)).day;
  const int days = DaysInMonth(year, o.month);
  if (monthDay < 0) monthDay = days + 1 + monthDay;
  if (monthDay < 1 || monthDay > days) return -1;
  return DaysFromCivil(year, o.month, monthDay);
}

// The latest onset of `o` at or before `local`, or INT64_MIN.
CivilSeconds LatestOnset(const ZoneObservance& o, CivilSeconds local) {
  CivilSeconds best = INT64_MIN;
  if (o.firstOnset <= local) best = o.firstOnset;
  for (CivilSeconds extra : o.extraOnsets) {
    if (extra <= local && extra > best) best = extra;
  }
  if (o.month == 0 || o.firstOnset > local) return best;
  // A shifted rule can carry a year's onset into the year before or after.
  const int year = CivilFromDays(DayOf(local)).year;
  for (int y = year + 1; y >= year - 1; --y) {
    const CivilSeconds onset = YearlyOnset(o, y);
    if (onset != INT64_MIN && onset <= local && onset >= o.firstOnset && onset <= o.until) {
      best = std::max(best, onset);
      break;
    }
  }
  return best;
}
}  // namespace

CivilSeconds YearlyOnset(const ZoneObservance& o, int year) {
  const int64_t day = OnsetDayInYear(o, year);
  if (day < 0) return INT64_MIN;
  const int64_t timeOfDay = o.firstOnset - DayOf(o.firstOnset) * kSecondsPerDay;
  return (day + o.dayShift) * kSecondsPerDay + timeOfDay;
}

int32_t ZoneOffsetAt(const TimeZoneDef& zone, CivilSeconds local) {
  if (zone.observances.empty()) return 0;
  CivilSeconds best = INT64_MIN;
  const ZoneObservance* current = nullptr;
  const ZoneObservance* earliest = &zone.observances.front();
  for (const ZoneObservance& o : zone.observances) {
    if (o.firstOnset < earliest->firstOnset) earliest = &o;
    const CivilSeconds onset = LatestOnset(o, local);
    if (onset != INT64_MIN && onset >= best) {
      best = onset;
      current = &o;
    }
  }
  return current ? current->offsetTo : earliest->offsetFrom;
}

void AddCategories(CalendarStore& store, const std::vector<std::wstring>& names) {
  for (const std::wstring& name : names) {
    if (std::find(store.categories.begin(), store.categories.end(), name) ==
        store.categories.end()) {
      store.categories.push_back(name);
    }
  }
}
