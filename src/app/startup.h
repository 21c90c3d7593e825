// The program's entry: start-up in its fixed order, the message loop and the end of the run.
#pragma once
#include <windows.h>

// The whole life of the program: start-up, the message loop and shutdown. Returns the exit code.
int QuietMinderMain(HINSTANCE instance, const wchar_t* commandLine);

// The state part of start-up, after the identity: the settings loaded, no mute running, and
// whether an earlier run ended during a mute.
void LoadProgramState();
// LoadProgramState, then the start's journal line ("started", or "restarted" after a run that
// ended without its shutdown), as start-up writes it once the main window is there.
void StartProgramState();

// Where the program's start-up takes its names from: the device profile, and the program's own
// name and window class from the string table of `instance`.
void LoadProgramIdentity(HINSTANCE instance, const wchar_t* commandLine);
