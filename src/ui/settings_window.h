// The modal, full-screen tabbed settings window.
#pragma once
#include <windows.h>

// The window's result: 0 restore, 1 until the next power-on, 2 for minutes, 4 until a time or
// the meeting's end, 5 continue the running mute.
extern int MuteChoice;

inline constexpr int kTabCount = 6;
extern const wchar_t* const kTabLabels[kTabCount];

// Runs the window modally, owned by `owner`; returns MuteChoice.
INT_PTR RunSettingsWindow(HWND owner);
INT_PTR CALLBACK SettingsWindowProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
