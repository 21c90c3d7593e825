// Times on the device's clock. UTC times are 64-bit file times (100-nanosecond units since
// 1601-01-01 UTC), compared as integers; local times follow the zone's rules for their own date.
#pragma once
#include <windows.h>

inline constexpr ULONGLONG kFileTimeSecond = 10'000'000ULL;

inline ULONGLONG FileTimeValue(const FILETIME& ft) {
  return (ULONGLONG{ft.dwHighDateTime} << 32) | ft.dwLowDateTime;
}
inline FILETIME FileTimeOf(ULONGLONG value) {
  return FILETIME{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
}

// The device's current UTC time plus `seconds`.
ULONGLONG TimeFromNow(DWORD seconds);

// The broken-down UTC time of a file time.
SYSTEMTIME SystemTimeOf(ULONGLONG utc);
// The device's local time at `utc`; the UTC time itself when the zone cannot convert it.
SYSTEMTIME LocalTimeOf(ULONGLONG utc);
// The UTC file time of a local time; false when it is not a valid time.
bool UtcOfLocalTime(const SYSTEMTIME& local, ULONGLONG* utc);
