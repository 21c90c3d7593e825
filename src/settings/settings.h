// The settings record and its registry store.
#pragma once
#include <windows.h>

#include "common/scoped.h"

#include <optional>
#include <string>

inline constexpr wchar_t kSettingsKeyPath[] = L"Software\\Fernhollow\\QuietMinder";
inline constexpr size_t kPathChars = 261;  // 260 characters and the terminator

struct SoundProtectionFlags {
  bool Enabled = false;
  bool WarnOnly = true;
  bool ProtectSettings = false;
};

// Stored as one REG_DWORD: 1 Enabled, 2 WarnOnly, 4 ProtectSettings; other bits are ignored.
DWORD PackSoundProtection(const SoundProtectionFlags& flags);
SoundProtectionFlags UnpackSoundProtection(DWORD bits);

// Each field bears the name of its registry value. A list is absent (nullopt) when nothing is
// stored; the stored format of each list belongs to the piece that edits it.
struct SettingsRecord {
  wchar_t StartUpPath[kPathChars] = L"\\Windows\\Startup\\QuietMinder.lnk";
  wchar_t StartMenuPath[kPathChars] = L"\\Windows\\Start Menu\\QuietMinder.lnk";
  wchar_t ProgramsPath[kPathChars] = L"\\Windows\\Start Menu\\Programs\\QuietMinder.lnk";
  bool RunAtStartUp = true;
  bool StartMenuShortCut = true;
  bool ProgramsFolderShortCut = true;
  DWORD MuteListValue = 30;          // minutes
  bool ExtendMuteDefault = false;
  bool MuteToVibrate = false;
  DWORD VolumeCheckInterval = 500;   // milliseconds
  DWORD UserMuteTime = 0;            // seconds; 0 = until the next power-on
  DWORD UserUnMute = 0;              // 0 never, 1 when user muted, 2 always
  DWORD DefaultOption = 1001;
  DWORD TBIconLocation = 0x000B00A5; // x in the low word, y in the high word
  bool ExitButton = false;           // read only
  bool EnablePOLink = false;
  DWORD POCheckInterval = 30;        // seconds
  std::optional<std::wstring> POCategory;
  bool POAllDay = false;
  bool POExcludeFreeTime = false;
  SoundProtectionFlags SoundProtection;
  DWORD SPVolume = 0x66666666;
  DWORD SPMute = 7;
  DWORD SPScreen = 0;
  DWORD SPKey = 0;
  bool EnableAppFilter = false;
  std::optional<std::wstring> AppsToFilter;
};

extern SettingsRecord Settings;
extern bool FirstRun;  // the load found the installer's "Initialize" marker

void LoadSettings();
void SaveSettings();
void SaveMuteListValue();
// Drops the two list buffers (program exit).
void FreeSettingsLists();

// Opens (creating it if missing) the settings key, for the pieces that save their own group.
// Null when the key cannot be had; such a save is dropped.
RegKey OpenSettingsKey();
