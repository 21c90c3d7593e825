// The program's main window procedure on a window of the test's own, and its quiet end.
#pragma once
#include <windows.h>

// Creates a hidden window run by MainWindowProc, makes it MainWindow, and resets the check timer
// and its guards. Null when it cannot be created.
HWND CreateTestMainWindow();
// Ends MainWindow without the shutdown duties that its destruction would run (they post the
// quit message), drops the check timer and empties the thread's message queue.
void DestroyTestMainWindow();
