// The About page: the program's name, version and pictures, and the History button that shows
// the journal; no settings.
#pragma once
#include <windows.h>

INT_PTR CALLBACK AboutPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
