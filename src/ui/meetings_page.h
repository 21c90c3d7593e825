// The Meetings page: the link to the device's calendar and the rules of the meeting query (how
// often it looks, all-day events, free time, categories).
#pragma once
#include <windows.h>

INT_PTR CALLBACK MeetingsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
