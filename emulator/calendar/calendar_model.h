// The emulated handheld's calendar: what it holds, and the time arithmetic it works in.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <string>
#include <vector>

// ---- Civil time ----------------------------------------------------------------------------
// A wall-clock reading with no zone attached: seconds since 0001-01-01 00:00 (proleptic
// Gregorian). Days are whole multiples of 86400.
using CivilSeconds = int64_t;
inline constexpr int64_t kSecondsPerDay = 86400;

struct CivilDate {
  int year = 1;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
};

int64_t DaysFromCivil(int year, int month, int day);
CivilDate CivilFromDays(int64_t days);
int DaysInMonth(int year, int month);
// 0 Sunday .. 6 Saturday
int WeekdayOfDay(int64_t days);
bool ValidDate(int year, int month, int day);

inline int64_t DayOf(CivilSeconds t) {
  return t >= 0 ? t / kSecondsPerDay : -((-t + kSecondsPerDay - 1) / kSecondsPerDay);
}
CivilSeconds CivilFromSystemTime(const SYSTEMTIME& st);
SYSTEMTIME SystemTimeFromCivil(CivilSeconds t);

// Calendar time of the object model: days since 1899-12-30 00:00, fraction the time of day.
DATE DateFromCivil(CivilSeconds t);
// Rounded to the nearest second.
CivilSeconds CivilFromDate(DATE date);

// UTC civil time <-> the device's local civil time, with the device zone's rules for that date.
CivilSeconds UtcToDeviceLocal(CivilSeconds utc);
CivilSeconds DeviceLocalToUtc(CivilSeconds local);

// ---- What the calendar holds ---------------------------------------------------------------
// One onset rule of a zone (a STANDARD or DAYLIGHT part of a time-zone definition).
struct ZoneObservance {
  CivilSeconds firstOnset = 0;  // local wall clock, in the offset before the change
  int32_t offsetFrom = 0;       // seconds east of UTC
  int32_t offsetTo = 0;
  // Yearly repetition: month 0 means none. weekday -1 with monthDay 0 means "on firstOnset's day".
  int32_t month = 0;
  int32_t nth = 0;       // 1..5, or -1..-5 counted from the month's end; 0 with monthDay
  int32_t weekday = -1;  // 0 Sunday .. 6 Saturday
  int32_t monthDay = 0;
  int32_t dayShift = 0;  // days added to the rule's day (a POSIX rule's "M3.4.4/26")
  CivilSeconds until = INT64_MAX;  // last onset allowed, as a wall clock reading
  std::vector<CivilSeconds> extraOnsets;
};

struct TimeZoneDef {
  std::wstring id;
  std::vector<ZoneObservance> observances;
};

enum class TimeFrame : uint8_t {
  Floating = 0,  // wall clock of wherever the device is
  Utc = 1,
  Zone = 2,      // wall clock of zones[zoneIndex]
};

enum class Frequency : uint8_t { None = 0, Daily = 1, Weekly = 2, Monthly = 3, Yearly = 4 };

struct Recurrence {
  Frequency freq = Frequency::None;
  int32_t interval = 1;
  // Last day on which an occurrence may start, in the series' own frame (COUNT is turned into
  // this at import). INT64_MAX: no end.
  int64_t lastDay = INT64_MAX;
  uint8_t weekStart = 1;  // 0 Sunday .. 6 Saturday
  // BYDAY entries: weekday 0..6 with an ordinal (0 = every such weekday of the period).
  std::vector<std::pair<int8_t, uint8_t>> byDay;  // (ordinal, weekday)
  std::vector<int8_t> byMonthDay;                 // 1..31 or -1..-31
  std::vector<uint8_t> byMonth;                   // 1..12
};

struct Appointment {
  std::wstring subject;                  // empty: no subject
  std::wstring location;                 // empty: no location
  std::vector<std::wstring> categories;  // whole names, no "," inside
  CivilSeconds start = 0;                // in the frame below; midnight for all-day
  int64_t durationSeconds = 0;
  bool allDay = false;
  TimeFrame frame = TimeFrame::Floating;
  uint32_t zoneIndex = 0;
  int32_t busyStatus = 2;
  Recurrence rule;
  // Days (in the series' frame) whose occurrence is removed. Every rule yields at most one
  // occurrence a day, so the day names the occurrence.
  std::vector<int64_t> exceptionDays;
};

struct CalendarStore {
  std::vector<TimeZoneDef> zones;
  std::vector<Appointment> appointments;
  std::vector<std::wstring> categories;  // the categories database
};

// Offset (seconds east of UTC) of a zone at a wall-clock reading of that zone.
int32_t ZoneOffsetAt(const TimeZoneDef& zone, CivilSeconds local);
// The yearly onset of `o` in `year` (before `firstOnset` and `until` are applied), or INT64_MIN
// when its rule yields none that year.
CivilSeconds YearlyOnset(const ZoneObservance& o, int year);
// Adds each name not yet present (exact comparison) to the categories database.
void AddCategories(CalendarStore& store, const std::vector<std::wstring>& names);
