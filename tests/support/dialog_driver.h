// Drives modal dialogs and message loops from inside, so that a test never waits for a person.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

// While the calling thread runs a message loop (a modal dialog's, a message box's, the
// program's), polls every 20 ms for a shown top-level window of `className` titled `title`
// that belongs to this process; hands it to `act` once, then stops polling. Returns a cancel token.
UINT_PTR WhenWindowAppears(const std::wstring& className, const std::wstring& title,
                           std::function<void(HWND)> act);
void CancelWhenWindowAppears(UINT_PTR token);

// Runs `act` once from the calling thread's message loop after `ms` milliseconds.
UINT_PTR AfterDelay(UINT ms, std::function<void()> act);

// Pumps the calling thread's messages for `ms` milliseconds.
void PumpMessages(UINT ms);
// Pumps the calling thread's messages until `condition` holds (true), or for at most `ms`
// milliseconds (false).
bool PumpUntil(const std::function<bool()>& condition, DWORD ms);
