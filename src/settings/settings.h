// The settings record and its registry store.
#pragma once
#include <windows.h>

#include <optional>
#include <span>
#include <string>
#include <variant>

#include "common/scoped.h"
#include "platform/program_names.h"
#include "platform/shell_names.h"

inline constexpr size_t kPathChars = 261;  // 260 characters and the terminator

struct SoundProtectionFlags {
  bool Enabled = false;
  bool WarnOnly = true;
  bool ProtectSettings = false;
};

// Stored as one REG_DWORD: 1 Enabled, 2 WarnOnly, 4 ProtectSettings; other bits are ignored.
DWORD PackSoundProtection(const SoundProtectionFlags& flags);
SoundProtectionFlags UnpackSoundProtection(DWORD bits);

// Each stored field bears the name of its registry value; the initialisers are the defaults. A
// list is absent (nullopt) when nothing is stored; its format belongs to the piece that edits it.
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
  DWORD TBIconLocation = kDefaultVolumeIconPoint;  // x in the low word, y in the high word
  bool ExitButton = false;           // read only
  bool EnablePOLink = false;
  DWORD POCheckInterval = 30;        // seconds
  std::optional<std::wstring> POCategory;
  bool POAllDay = false;
  bool POExcludeFreeTime = false;
  DWORD POStartEarly = 0;  // minutes a meeting's silence begins before its start, 0-120
  DWORD POEndLate = 0;     // minutes it lasts after its end, 0-120
  // Words (separated by ",", blanks around them not counting) that an appointment's subject or
  // location may hold, whatever their case: one that holds a skip word never silences the
  // device; one that holds an always word counts whatever its categories.
  std::optional<std::wstring> POSkipWords;
  std::optional<std::wstring> POAlwaysWords;
  DWORD QuietDays = 0;    // quiet hours begin on these days: bit 0 Sunday ... bit 6 Saturday
  DWORD QuietFrom = 1320;  // minutes after midnight, 0-1439
  DWORD QuietTo = 390;     // the same; before QuietFrom: the next day; equal: no quiet hours
  SoundProtectionFlags SoundProtection;
  DWORD SPVolume = 0x66666666;
  DWORD SPMute = 7;
  DWORD SPScreen = 0;
  DWORD SPKey = 0;
  bool EnableAppFilter = false;
  std::optional<std::wstring> AppsToFilter;

  bool FirstRun = false;  // not stored: the load found the installer's "Initialize" marker
};

// The settings in force, read-only. Written only by this unit: the load, and what a page hands
// over at its commit.
extern const SettingsRecord& Settings;

// The groups that are stored together, each by the piece that edits it.
enum class SettingsGroup {
  ShortcutPaths,  // written only when a load finds them missing
  General,        // the Settings page (and the place of the volume icon)
  MuteList,       // the Mute page's minutes
  Meetings,
  SoundProtection,
  AppFilter,
  ReadOnly,  // an installer's switch; never written
};

// One stored value: its registry name, the field that holds it (the field's type decides the
// registry type: flags, numbers and the protection bits are REG_DWORD, paths and lists REG_SZ)
// and its group. The default is the field's value in a default-built record.
struct SettingValue {
  using Field = std::variant<
      bool SettingsRecord::*, DWORD SettingsRecord::*, wchar_t (SettingsRecord::*)[kPathChars],
      std::optional<std::wstring> SettingsRecord::*, SoundProtectionFlags SettingsRecord::*>;
  const wchar_t* name;
  Field field;
  SettingsGroup group;
  // A number stored outside this range is read as the nearest number in it.
  DWORD least = 0;
  DWORD most = 0xFFFFFFFF;
};
// Every value, in the order a load writes them to a fresh key.
std::span<const SettingValue> SettingValues();

// Reads every value; a value that is missing or does not fit its field is replaced by the
// field's default, which is written back (a fresh key gets every default). A value of at most 4
// bytes fits a flag or a number whatever its registry type; a number outside its value's range
// is read as the nearest in it. Honours the installer's first-run marker.
void LoadSettings();
// Takes the values of `group` from `edited` (a page's copy of the settings, edited) into the
// settings in force and stores them. Only the page that edits the group calls it, when the user
// commits the page: nothing else writes the key after the load.
void CommitSettings(const SettingsRecord& edited, SettingsGroup group);
// The settings in force become `record`, nothing stored: a fresh process's defaults, or the
// settings a test starts from.
void UseSettings(const SettingsRecord& record);
// The greeting of a first run has been shown.
void EndFirstRun();
// Drops the two list buffers (program exit).
void FreeSettingsLists();
