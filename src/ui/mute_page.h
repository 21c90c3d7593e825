// The Mute page: opening it silences the device; its options decide how long the silence lasts
// once the settings window closes.
#pragma once
#include <windows.h>

INT_PTR CALLBACK MutePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// The time the "Mute until:" picker starts at for a local time: the next full hour, or the one
// after when fewer than 15 minutes are left to the next.
SYSTEMTIME UntilPickerStart(const SYSTEMTIME& localNow);

// The end of a mute until the time of day `picked` (its date does not count): today, or
// tomorrow when that time was more than 15 minutes ago. A time up to 15 minutes ago keeps
// today's and sets `extendToPowerOn`: the mute then lasts to the next power-on. UTC file time.
ULONGLONG ResolveMuteUntilTime(const SYSTEMTIME& picked, bool* extendToPowerOn);
