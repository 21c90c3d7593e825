// The device's local time. Each instant is read by the zone's rule for its own date (summer or
// standard time on that day), as the program reads the device's clock, never by the offset in
// force on the host today.
#pragma once
#include <windows.h>

// The device's wall time at a UTC file time.
SYSTEMTIME DeviceLocalTime(ULONGLONG utc);
