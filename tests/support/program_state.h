// The program's state records back at their start values, as a fresh process has them.
#pragma once

// Resets the settings, the device profile, the program's identity (its module is this test
// program; a main window the test made stays), the mute, meeting and filter state, and the small
// states of the task bar and sound protection.
void ResetProgramState();
