// The modal, full-screen tabbed settings window: its six pages, their commits, OK, Cancel and
// Exit, and context help.
#pragma once
#include <windows.h>

#include "ui/page_messages.h"

// Runs the window modally, owned by `owner`; returns SettingsWindowState.MuteChoice (0 also for Cancel and Exit).
INT_PTR RunSettingsWindow(HWND owner);
INT_PTR CALLBACK SettingsWindowProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The page of a tab while the window is open; null before its first choice.
HWND SettingsWindowPage(int index);
