// A handheld that tests control and observe, linked in place of the device's platform layer.
#pragma once
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace fake {

struct MessageBoxCall {
  HWND owner;
  std::wstring text;
  std::wstring caption;
  UINT type;
};

struct IconCall {
  DWORD message;   // NIM_ADD, NIM_MODIFY, NIM_DELETE
  DWORD size;      // cbSize of the record
  HWND owner;
  UINT id;
  UINT flags;
  UINT callbackMessage;
  HICON icon;
  int resourceId;  // which of the program's icons the handle is, -1 when unknown or null
};

struct Launch {
  std::wstring module;      // or the file, for a shell execute
  std::wstring commandLine; // or the parameters
  std::wstring verb;        // shell execute only
};

struct Device {
  // Kind
  bool versionAvailable = true;
  DWORD osMajor = 4;
  std::wstring platformType = L"PocketPC";
  // Sound
  DWORD waveVolume = 0x99999999;
  bool volumeReadable = true;
  int volumeReads = 0;
  std::function<void()> onVolumeRead;  // runs before each read (a test may throw from it)
  int volumeWrites = 0;
  int refreshes = 0;
  struct SoundPlayed {
    std::wstring name;
    DWORD waveVolume;  // at the time it played
  };
  std::vector<SoundPlayed> soundsPlayed;
  std::function<void()> onRefresh;  // e.g. to look at the registry at each refresh
  // Clock: UTC as a file time
  ULONGLONG utcNow = 0;
  // Modules and the driver
  bool toolhelpPresent = true;
  bool driverRegisters = true;
  bool driverOpens = true;
  int driverRegistrations = 0;
  int driverDeregistrations = 0;
  int driverOpenFiles = 0;
  std::vector<std::pair<DWORD, DWORD>> ioctls;  // code, 32-bit window handle passed
  // The categories database: one record per entry, a record without its name property where
  // the entry is empty; no database at all when `categoriesDatabase` is false.
  bool categoriesDatabase = true;
  std::vector<std::optional<std::wstring>> categoryRecords;
  int openDatabases = 0;
  // User interface
  std::vector<MessageBoxCall> messageBoxes;
  std::function<int(const MessageBoxCall&)> answerMessageBox;  // default: IDOK
  std::vector<IconCall> iconCalls;
  bool notifyIconSucceeds = true;
  std::vector<Launch> launches;
  // The shell's dialog helpers behave as the emulated device's; the menu bar can be refused.
  bool menuBarFails = false;
};

Device& device();
// A fresh device: Pocket PC 2003, audible, clock at 2026-12-07 15:00 UTC.
void ResetDevice();

void SetClock(const SYSTEMTIME& utc);
void AdvanceClock(ULONGLONG seconds);
ULONGLONG Seconds(ULONGLONG s);  // in file-time units

// Icon resource ids the fake recognises when the program passes a loaded icon handle.
void RememberIcon(HICON icon, int resourceId);
// The resource id of the icon shown last (add or modify), -1 if none.
int CurrentIconId();

}  // namespace fake
