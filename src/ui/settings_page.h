// The Settings page: the general settings and the program's three shortcuts, and on a Pocket PC
// where the task bar's volume icon is.
#pragma once
#include <windows.h>

INT_PTR CALLBACK SettingsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
