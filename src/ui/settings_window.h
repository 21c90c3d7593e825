// The modal, full-screen tabbed settings window: its six pages, their commits, OK, Cancel and
// Exit, and context help.
#pragma once
#include <windows.h>

#include <optional>

#include "sound/mute_policy.h"
#include "ui/page_messages.h"

// Runs the window modally, owned by `owner`; returns the owner's choice on the Mute page (restore
// also for Cancel and Exit), or nothing when the window could not be shown.
std::optional<MuteChoice> RunSettingsWindow(HWND owner);
INT_PTR CALLBACK SettingsWindowProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The page of a tab of the open settings window `window`; null before its first choice.
HWND SettingsWindowPage(HWND window, int index);
