#include "device/local_time.h"

#include <algorithm>

namespace {

constexpr LONGLONG kFileTimeMinute = 60LL * 10'000'000LL;

ULONGLONG ValueOf(const FILETIME& ft) {
  return (ULONGLONG{ft.dwHighDateTime} << 32) | ft.dwLowDateTime;
}

bool WallValue(const SYSTEMTIME& st, ULONGLONG* value) {
  FILETIME ft{};
  if (!SystemTimeToFileTime(&st, &ft)) return false;
  *value = ValueOf(ft);
  return true;
}

}  // namespace

SYSTEMTIME DeviceLocalTime(ULONGLONG utc) {
  const FILETIME ft{static_cast<DWORD>(utc), static_cast<DWORD>(utc >> 32)};
  SYSTEMTIME universal{};
  FileTimeToSystemTime(&ft, &universal);
  SYSTEMTIME local{};
  if (!SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local)) return universal;
  return local;
}

// A wall time is shown at UTC = wall + bias for one of the zone's two biases, and only where
// the rule for that instant's date gives that bias: each candidate is kept if the device reads
// it back as the same wall time.
LocalTimeInstants UtcOfDeviceLocalTime(const SYSTEMTIME& local) {
  LocalTimeInstants found;
  ULONGLONG wall = 0;
  if (!WallValue(local, &wall)) return found;
  TIME_ZONE_INFORMATION zone{};
  if (GetTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID) zone = {};
  const LONG summer = zone.Bias + zone.DaylightBias, standard = zone.Bias + zone.StandardBias;
  for (const LONG bias : {summer, standard}) {
    const ULONGLONG utc = wall + static_cast<ULONGLONG>(bias * kFileTimeMinute);
    ULONGLONG shown = 0;
    if (!WallValue(DeviceLocalTime(utc), &shown) || shown != wall) continue;
    if (found.count == 1 && utc == found.first) continue;  // a zone without summer time
    found.first = found.count == 0 ? utc : std::min(found.first, utc);
    ++found.count;
  }
  return found;
}
