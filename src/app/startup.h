// Entry point, platform detection and the process-wide values it sets.
#pragma once
#include <windows.h>

extern HINSTANCE AppInstance;
extern bool StartedAtStartup;
extern bool IsPocketPcV3;
extern bool IsPocketPcV4;
extern bool HasPhone;
extern HWND MainWindow;
// The power-notification driver: RegisterDevice's handle and the open "WKD1:" file (invalid when
// not open).
extern HANDLE DriverDevice;
extern HANDLE DriverFile;
bool DriverFileOpen();
// Hands the driver the window to notify (code 3) or takes it back (code 4).
inline constexpr DWORD kDriverSetWindow = 3;
inline constexpr DWORD kDriverClearWindow = 4;
void SendDriverWindow(DWORD code, HWND window);

// Registry key names of the device's sound settings, loaded from the string table for the
// platform at hand; null where the platform has no such key.
struct SoundKeyNames {
  const wchar_t* Volume = nullptr;          // 13 "ControlPanel\Volume"
  const wchar_t* VolumeUnmuted = nullptr;   // 17 "ControlPanel\VolumeUnmuted" (older platform)
  const wchar_t* ShellOverrides = nullptr;  // 19 "ControlPanel\Notifications\ShellOverrides"
  const wchar_t* RingTone = nullptr;        // 21 "ControlPanel\Sounds\RingTone0"
  const wchar_t* RingCategory = nullptr;    // 20 "ControlPanel\SoundCategories\Ring"
  const wchar_t* EarCouple = nullptr;       // 22 "ControlPanel\EarCouple"
};
extern SoundKeyNames SoundKeys;

// A device with neither Pocket PC flag.
inline bool IsOlderPlatform() { return !IsPocketPcV3 && !IsPocketPcV4; }
inline bool IsPocketPc2003Phone() { return IsPocketPcV4 && HasPhone; }

// Works out the platform flags and loads the names of the string table for it.
void DetectPlatform(HINSTANCE instance);

// The whole life of the program: start-up, the message loop and shutdown. Returns the exit code.
int QuietMinderMain(HINSTANCE instance, const wchar_t* commandLine);
