// The history view: the journal, newest first, in a read-only list that fills the screen over the
// settings window, as the shell's full-screen dialogs do; its ok (or Cancel) closes it.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// Runs the view modally, owned by `owner`.
void ShowHistory(HWND owner);
INT_PTR CALLBACK HistoryViewProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The journal's lines as the view lists them: newest first, or one line saying there are none.
std::vector<std::wstring> HistoryEntries();

inline constexpr wchar_t kNoHistoryText[] = L"No history yet.";
