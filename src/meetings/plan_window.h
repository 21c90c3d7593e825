// The plan window: a message-only window through which another process asks the running program
// for the plan of a day by the rules it has stored (the request's form is in
// platform/plan_request.h). The plan is made on the look thread and sent from there, so a request
// never holds up the window thread.
#pragma once
#include <windows.h>

// Makes the window; null when it cannot be had (the program runs on without it).
HWND OpenPlanWindow(HINSTANCE instance);
void ClosePlanWindow(HWND window);
