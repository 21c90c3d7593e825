// The About page: the program's name, version and pictures; no settings.
#pragma once
#include <windows.h>

INT_PTR CALLBACK AboutPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
