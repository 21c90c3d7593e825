// The device's local time. Each instant is read by the zone's rule for its own date (summer or
// standard time on that day), as the program reads the device's clock, never by the offset in
// force on the host today.
#pragma once
#include <windows.h>

// The device's wall time at a UTC file time.
SYSTEMTIME DeviceLocalTime(ULONGLONG utc);

// The instants at which the device's clock shows a wall time: one as a rule; none in the hour
// the clocks skip when they go forward; two in the hour they repeat when they go back, the
// first still in summer time and the second an hour later in standard time.
struct LocalTimeInstants {
  int count = 0;        // 0, 1 or 2
  ULONGLONG first = 0;  // UTC: the earlier when there are two
};
LocalTimeInstants UtcOfDeviceLocalTime(const SYSTEMTIME& local);
