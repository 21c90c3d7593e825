// The list of the full-screen views (the history, today's plan): read-only entries wrapped to the
// list's width, each as tall as its text, with a rule between entries. The list box is
// LBS_OWNERDRAWVARIABLE | LBS_HASSTRINGS | LBS_NOSEL | LBS_DISABLENOSCROLL; its dialog passes
// WM_MEASUREITEM and WM_DRAWITEM on. A view fills the screen over the settings window, as the
// shell's full-screen dialogs do, with ok in its caption.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// Makes `dialog` a full-screen view with ok and an empty menu bar; the menu bar, or null.
HWND StartFullScreenView(HWND dialog);
// Fills the list anew; each entry measures itself against the list's width as it is added.
void FillEntryList(HWND list, const std::vector<std::wstring>& entries);
BOOL MeasureEntry(HWND list, MEASUREITEMSTRUCT* item);
BOOL DrawEntry(const DRAWITEMSTRUCT* item);
