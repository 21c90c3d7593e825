// Runs the real QuietMinder.exe and the device tool on the emulated handheld this test process
// runs on (the device's own Wine prefix), and watches the device from outside.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "device/device_kinds.h"

namespace e2e {

// A fresh device of `kind`: its sound keys, volume and clock, no settings, no calendar, no
// journal, and no program of an earlier test running.
void ResetDevice(DeviceKind kind);

// Runs the device tool and waits for it; returns its exit code, or -1 when it did not start or
// did not end within a minute (it is then ended).
int Tool(const std::wstring& arguments);
// Runs the device tool and waits for it; returns what it printed, one entry per line.
std::vector<std::string> ToolLines(const std::wstring& arguments);

class Program {
 public:
  // Held::Yes: the program does not run before Go(), so that many can start at one moment.
  enum class Held { No, Yes };
  explicit Program(const std::wstring& arguments, Held held = Held::No);  // starts QuietMinder.exe
  void Go();
  ~Program();  // kills it if it still runs
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  bool Running() const;
  // Waits for the program to end; its exit code, or STILL_ACTIVE after the timeout.
  DWORD Wait(DWORD ms) const;
  void Kill();
  DWORD id() const { return process_.dwProcessId; }

 private:
  PROCESS_INFORMATION process_{};
};

// The program's hidden main window, once it exists (null after the timeout).
HWND WaitForMainWindow(DWORD ms = 10000);
// The main window of the program running as process `pid`, once it exists.
HWND WaitForMainWindowOf(DWORD pid, DWORD ms = 10000);
// Every main window of the program on the device, of any process.
std::vector<HWND> MainWindows();
// The ids of every QuietMinder.exe process running on the device.
std::vector<DWORD> ProgramProcessIds();
// A window of the given class and title that belongs to process `pid`.
HWND FindProcessWindow(DWORD pid, const wchar_t* className, const wchar_t* title);

// Polls `condition` every 50 ms; true once it holds, false after `ms`.
bool WaitUntil(const std::function<bool()>& condition, DWORD ms);

DWORD UserDword(const wchar_t* key, const wchar_t* name, DWORD fallback = 0xDEADBEEF);
void PutUserDword(const wchar_t* key, const wchar_t* name, DWORD value);
// A REG_SZ of the user's registry; `fallback` when it is missing or of another type.
std::wstring UserText(const wchar_t* key, const wchar_t* name,
                      const std::wstring& fallback = L"<missing>");
DWORD TrayPicture();  // the icon the device's notification area shows, 0 for none
HWND TrayOwner();     // the window whose icon it is
// Whether the device's notification icon is shown for `window` (a run killed without taking
// its icon away leaves the icon shown for its window until another run replaces it).
bool TrayIconOf(HWND window);

}  // namespace e2e
