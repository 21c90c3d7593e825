// The check tick's looks at the calendar, taken on a thread of their own: a slow calendar never
// holds up the program's one window thread, and the tick keeps its period.
#pragma once
#include <windows.h>

#include <optional>

// Starts a look (with the rules and state of now) unless one is under way; `window` gets
// `message` when it is done. False when none was started.
bool StartMeetingLook(HWND window, UINT message);
bool MeetingLookRunning();
// Waits up to `milliseconds` for the look under way, if any, to be over (its report posted);
// true when none is under way.
bool WaitForMeetingLook(DWORD milliseconds);
// Takes the finished look's findings into MeetingState and gives its verdict; nothing when no
// look is waiting, or when a later look was taken meanwhile.
std::optional<bool> TakeFinishedMeetingLook();
