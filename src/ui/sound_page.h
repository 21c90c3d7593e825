// The Sound page.
#pragma once
#include <windows.h>

INT_PTR CALLBACK SoundPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
