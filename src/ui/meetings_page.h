// The Meetings page: the link to the device's calendar and the rules of the meeting query (how
// often it looks, all-day events, free time, categories), with the Rules view's (minutes around
// a meeting, words, quiet hours) and the Today view's plan by them.
#pragma once
#include <windows.h>

INT_PTR CALLBACK MeetingsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
