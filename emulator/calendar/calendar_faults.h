// Faults the device's calendar can be given, to watch how a program copes with a slow or broken
// calendar: every call of the object model waits `delayMs`; once `failAfterCalls` calls of one
// connection have been answered, every further call fails; with `failDuration` no appointment's
// duration can be read. A connection (an application object) takes the faults in force when it
// is made.
#pragma once
#include <windows.h>

struct CalendarFaults {
  DWORD delayMs = 0;
  LONG failAfterCalls = -1;  // -1: never
  bool failDuration = false;
};

// The device's faults (kept in the device's key, so that every process of the device sees
// them), unless this process set its own.
CalendarFaults CurrentCalendarFaults();
// Faults for this process only (in-process tests); nullptr goes back to the device's.
void SetProcessCalendarFaults(const CalendarFaults* faults);
// Stores the device's faults; all zero switches them off.
void SetDeviceCalendarFaults(const CalendarFaults& faults);
