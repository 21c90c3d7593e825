// The Meetings page.
#pragma once
#include <windows.h>

INT_PTR CALLBACK MeetingsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
