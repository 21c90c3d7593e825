// The power-notification driver for the life of the program: registered and opened at start-up,
// told which window to notify, and closed and deregistered at the end.
#pragma once
#include <windows.h>

// RegisterDevice and the open of "WKD1:"; either may fail, and the program runs on without
// power-on notifications.
void OpenPowerDriver();
// Closes the driver's file and deregisters it (also when the program ends another way).
void ClosePowerDriver();
bool PowerDriverOpen();

// Hands the driver the window to notify (code 3) or takes it back (code 4).
void HandPowerDriverWindow(HWND window);
void TakeBackPowerDriverWindow(HWND window);
