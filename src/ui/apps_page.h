// The Apps page.
#pragma once
#include <windows.h>

INT_PTR CALLBACK AppsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
