// The device's record of program launches: the sound applet and the help viewer add one entry
// each time they start, so that what the program started can be seen from outside.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// Below HKEY_LOCAL_MACHINE of the device: "Count", and one subkey "0001", "0002", ... per launch.
inline constexpr wchar_t kLaunchesKeyPath[] = L"Software\\EmulatedHandheld\\Launches";

struct LaunchRecord {
  std::wstring program;      // file name of the started program, e.g. "peghelp.exe"
  std::wstring arguments;    // the command line without the program's own name
  std::wstring commandLine;  // as the program received it
  ULONGLONG deviceTime = 0;  // device clock, UTC file time
};

// The arguments in a command line: when it starts with the program's own name (bare, as a path,
// quoted or not) that token is dropped, otherwise the whole line is the arguments, since a
// handheld passes only the arguments.
std::wstring ArgumentsOf(const std::wstring& commandLine, const std::wstring& programFile);

// Adds an entry. Returns its number (1 for the first), 0 when the device key cannot be written.
DWORD RecordLaunch(const std::wstring& program, const std::wstring& commandLine);
std::vector<LaunchRecord> ReadLaunches();
void ClearLaunches();
