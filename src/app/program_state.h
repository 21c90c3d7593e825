// Every record of the program's state, back at its start values as a fresh process has them.
#pragma once

// Resets the settings, the device profile, the mute, meeting and filter state, and the small
// states of the task bar and sound protection. The program's identity
// (Program) and the main window's guards belong to start-up and the main window and stay.
void ResetProgramState();
