#include "settings/settings.h"

#include <algorithm>

#include "common/registry.h"
#include "settings/shortcuts.h"

namespace {
SettingsRecord g_settings;
}  // namespace
const SettingsRecord& Settings = g_settings;

DWORD PackSoundProtection(const SoundProtectionFlags& flags) {
  return (flags.Enabled ? 1u : 0u) | (flags.WarnOnly ? 2u : 0u) | (flags.ProtectSettings ? 4u : 0u);
}

SoundProtectionFlags UnpackSoundProtection(DWORD bits) {
  return {(bits & 1u) != 0, (bits & 2u) != 0, (bits & 4u) != 0};
}

namespace {

using R = SettingsRecord;
using G = SettingsGroup;

const SettingValue kValues[] = {
    {L"StartUpPath", &R::StartUpPath, G::ShortcutPaths},
    {L"StartMenuPath", &R::StartMenuPath, G::ShortcutPaths},
    {L"ProgramsPath", &R::ProgramsPath, G::ShortcutPaths},
    {L"RunAtStartUp", &R::RunAtStartUp, G::General},
    {L"StartMenuShortCut", &R::StartMenuShortCut, G::General},
    {L"ProgramsFolderShortCut", &R::ProgramsFolderShortCut, G::General},
    {L"MuteListValue", &R::MuteListValue, G::MuteList},
    {L"ExtendMuteDefault", &R::ExtendMuteDefault, G::General},
    {L"MuteToVibrate", &R::MuteToVibrate, G::General},
    {L"VolumeCheckInterval", &R::VolumeCheckInterval, G::General},
    {L"UserMuteTime", &R::UserMuteTime, G::General},
    {L"UserUnMute", &R::UserUnMute, G::General},
    {L"DefaultOption", &R::DefaultOption, G::General},
    {L"TBIconLocation", &R::TBIconLocation, G::General},
    {L"ExitButton", &R::ExitButton, G::ReadOnly},
    {L"EnablePOLink", &R::EnablePOLink, G::Meetings},
    {L"POCheckInterval", &R::POCheckInterval, G::Meetings},
    {L"POCategory", &R::POCategory, G::Meetings},
    {L"POAllDay", &R::POAllDay, G::Meetings},
    {L"POExcludeFreeTime", &R::POExcludeFreeTime, G::Meetings},
    {L"POStartEarly", &R::POStartEarly, G::Meetings, 0, 120},
    {L"POEndLate", &R::POEndLate, G::Meetings, 0, 120},
    {L"POSkipWords", &R::POSkipWords, G::Meetings},
    {L"POAlwaysWords", &R::POAlwaysWords, G::Meetings},
    {L"QuietDays", &R::QuietDays, G::Meetings},
    {L"QuietFrom", &R::QuietFrom, G::Meetings, 0, 1439},
    {L"QuietTo", &R::QuietTo, G::Meetings, 0, 1439},
    {L"SoundProtection", &R::SoundProtection, G::SoundProtection},
    {L"SPVolume", &R::SPVolume, G::SoundProtection},
    {L"SPMute", &R::SPMute, G::SoundProtection},
    {L"SPScreen", &R::SPScreen, G::SoundProtection},
    {L"SPKey", &R::SPKey, G::SoundProtection},
    {L"EnableAppFilter", &R::EnableAppFilter, G::AppFilter},
    {L"AppsToFilter", &R::AppsToFilter, G::AppFilter},
};

template <typename... F>
struct Overload : F... {
  using F::operator()...;
};

// Opens (creating it if missing) the settings key; `fresh` tells whether it was just created.
RegKey OpenSettingsKey(bool* fresh = nullptr) {
  RegKey key;
  DWORD disposition = 0;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      key.put(), &disposition) != ERROR_SUCCESS) {
    key.reset();
  }
  if (fresh) *fresh = disposition == REG_CREATED_NEW_KEY;
  return key;
}

void Store(HKEY key, const SettingValue& value, const SettingsRecord& s) {
  std::visit(Overload{
                 [&](bool R::*f) { SetDwordValue(key, value.name, s.*f ? 1 : 0); },
                 [&](DWORD R::*f) { SetDwordValue(key, value.name, s.*f); },
                 [&](wchar_t(R::*f)[kPathChars]) { SetStringValue(key, value.name, s.*f); },
                 [&](std::optional<std::wstring> R::*f) {
                   SetStringValue(key, value.name, (s.*f) ? (s.*f)->c_str() : L"");
                 },
                 [&](SoundProtectionFlags R::*f) {
                   SetDwordValue(key, value.name, PackSoundProtection(s.*f));
                 },
             },
             value.field);
}

// Takes the stored value into the record when it fits its field; false when it does not (or is
// missing), and the field keeps its value.
bool Read(HKEY key, const SettingValue& value, SettingsRecord& s) {
  return std::visit(
      Overload{
          [&](bool R::*f) {
            DWORD stored = 0;
            if (ReadDwordValue(key, value.name, &stored) != ERROR_SUCCESS) return false;
            s.*f = stored != 0;
            return true;
          },
          [&](DWORD R::*f) {
            DWORD stored = 0;
            if (ReadDwordValue(key, value.name, &stored) != ERROR_SUCCESS) return false;
            s.*f = std::clamp(stored, value.least, value.most);
            return true;
          },
          [&](wchar_t(R::*f)[kPathChars]) {
            return ReadStringValue(key, value.name, s.*f, kPathChars) == ERROR_SUCCESS;
          },
          [&](std::optional<std::wstring> R::*f) {
            DWORD size = 0;
            if (RegQueryValueExW(key, value.name, nullptr, nullptr, nullptr, &size) !=
                ERROR_SUCCESS) {
              return false;
            }
            // An empty value leaves the list absent.
            s.*f = size == 0 ? std::nullopt : ReadLongString(key, value.name);
            return true;
          },
          [&](SoundProtectionFlags R::*f) {
            DWORD bits = 0;
            if (ReadDwordValue(key, value.name, &bits) != ERROR_SUCCESS) return false;
            s.*f = UnpackSoundProtection(bits);
            return true;
          },
      },
      value.field);
}

// Copies one field from `from` into `to`.
void CopyField(const SettingValue& value, const SettingsRecord& from, SettingsRecord& to) {
  std::visit(Overload{
                 [&](wchar_t(R::*f)[kPathChars]) { wmemcpy(to.*f, from.*f, kPathChars); },
                 [&](auto f) { to.*f = from.*f; },
             },
             value.field);
}

// Every field at its default. (At namespace scope: a function's static would be guarded for
// threads, which brings the threads library along.)
const SettingsRecord kDefaults;

// Puts the field's default into the record.
void TakeDefault(const SettingValue& value, SettingsRecord& s) { CopyField(value, kDefaults, s); }

// The installer leaves "Initialize" behind; the first start creates the start-up shortcut.
void HonourFirstRunMarker(HKEY key) {
  BYTE marker[4];
  DWORD size = sizeof marker;
  if (RegQueryValueExW(key, L"Initialize", nullptr, nullptr, marker, &size) != ERROR_SUCCESS) return;
  CreateShortcut(Shortcut::StartUp, kDefaults.StartUpPath);
  g_settings.FirstRun = true;
  RegDeleteValueW(key, L"Initialize");
}

}  // namespace

std::span<const SettingValue> SettingValues() { return kValues; }

void LoadSettings() {
  bool fresh = false;
  const RegKey key = OpenSettingsKey(&fresh);
  if (!key) return;
  HonourFirstRunMarker(key.get());
  for (const SettingValue& value : kValues) {
    if (value.group == G::ReadOnly) {
      // An installer may switch it on; the program never writes it.
      if (!Read(key.get(), value, g_settings)) TakeDefault(value, g_settings);
      continue;
    }
    if (fresh || !Read(key.get(), value, g_settings)) Store(key.get(), value, g_settings);
  }
}

void CommitSettings(const SettingsRecord& edited, SettingsGroup group) {
  if (group == G::ReadOnly) return;
  for (const SettingValue& value : kValues) {
    if (value.group == group) CopyField(value, edited, g_settings);
  }
  const RegKey key = OpenSettingsKey();
  if (!key) return;
  for (const SettingValue& value : kValues) {
    if (value.group == group) Store(key.get(), value, g_settings);
  }
}

void UseSettings(const SettingsRecord& record) { g_settings = record; }

void EndFirstRun() { g_settings.FirstRun = false; }

void FreeSettingsLists() {
  g_settings.POCategory.reset();
  g_settings.AppsToFilter.reset();
}
