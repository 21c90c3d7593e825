// The Apps page: the application filter switched on or off, and the applications during which
// the device is not muted, chosen from those already listed and those running now.
#pragma once
#include <windows.h>

INT_PTR CALLBACK AppsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
