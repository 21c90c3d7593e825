#include "settings/settings.h"

#include "common/registry.h"
#include "settings/shortcuts.h"

SettingsRecord Settings;
bool FirstRun = false;

DWORD PackSoundProtection(const SoundProtectionFlags& flags) {
  return (flags.Enabled ? 1u : 0u) | (flags.WarnOnly ? 2u : 0u) | (flags.ProtectSettings ? 4u : 0u);
}

SoundProtectionFlags UnpackSoundProtection(DWORD bits) {
  return {(bits & 1u) != 0, (bits & 2u) != 0, (bits & 4u) != 0};
}

RegKey OpenSettingsKey() {
  RegKey key;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      key.put(), nullptr) != ERROR_SUCCESS) {
    key.reset();
  }
  return key;
}

namespace {

// One load step: take the stored value when the key is old and the value fits its field,
// otherwise write the field's current value (its default) back.
void LoadBool(HKEY key, bool fresh, const wchar_t* name, bool& field) {
  DWORD stored = 0;
  if (!fresh && ReadDwordValue(key, name, &stored) == ERROR_SUCCESS) {
    field = stored != 0;
  } else {
    SetDwordValue(key, name, field ? 1 : 0);
  }
}

void LoadDword(HKEY key, bool fresh, const wchar_t* name, DWORD& field) {
  if (fresh || ReadDwordValue(key, name, &field) != ERROR_SUCCESS) SetDwordValue(key, name, field);
}

void LoadPath(HKEY key, bool fresh, const wchar_t* name, wchar_t (&field)[kPathChars]) {
  if (fresh || ReadStringValue(key, name, field, kPathChars) != ERROR_SUCCESS) {
    SetStringValue(key, name, field);
  }
}

void LoadList(HKEY key, bool fresh, const wchar_t* name, std::optional<std::wstring>& field) {
  DWORD size = 0;
  if (fresh || RegQueryValueExW(key, name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) {
    SetStringValue(key, name, field ? field->c_str() : L"");
    return;
  }
  if (size == 0) {
    field.reset();
    return;
  }
  field = ReadLongString(key, name);
}

// The installer leaves "Initialize" behind; the first start creates the start-up shortcut.
void HonourFirstRunMarker(HKEY key) {
  BYTE marker[4];
  DWORD size = sizeof marker;
  if (RegQueryValueExW(key, L"Initialize", nullptr, nullptr, marker, &size) != ERROR_SUCCESS) return;
  static const SettingsRecord defaults;
  CreateStartUpShortcut(defaults.StartUpPath);
  FirstRun = true;
  RegDeleteValueW(key, L"Initialize");
}

}  // namespace

void LoadSettings() {
  RegKey key;
  DWORD disposition = 0;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      key.put(), &disposition) != ERROR_SUCCESS) {
    return;
  }
  const HKEY k = key.get();
  const bool fresh = disposition == REG_CREATED_NEW_KEY;
  HonourFirstRunMarker(k);

  SettingsRecord& s = Settings;
  LoadPath(k, fresh, L"StartUpPath", s.StartUpPath);
  LoadPath(k, fresh, L"StartMenuPath", s.StartMenuPath);
  LoadPath(k, fresh, L"ProgramsPath", s.ProgramsPath);
  LoadBool(k, fresh, L"RunAtStartUp", s.RunAtStartUp);
  LoadBool(k, fresh, L"StartMenuShortCut", s.StartMenuShortCut);
  LoadBool(k, fresh, L"ProgramsFolderShortCut", s.ProgramsFolderShortCut);
  LoadDword(k, fresh, L"MuteListValue", s.MuteListValue);
  LoadBool(k, fresh, L"ExtendMuteDefault", s.ExtendMuteDefault);
  LoadBool(k, fresh, L"MuteToVibrate", s.MuteToVibrate);
  LoadDword(k, fresh, L"VolumeCheckInterval", s.VolumeCheckInterval);
  LoadDword(k, fresh, L"UserMuteTime", s.UserMuteTime);
  LoadDword(k, fresh, L"UserUnMute", s.UserUnMute);
  LoadDword(k, fresh, L"DefaultOption", s.DefaultOption);
  LoadDword(k, fresh, L"TBIconLocation", s.TBIconLocation);
  // Only read: an installer may switch the Exit button on, the program never writes it.
  DWORD exitButton = 0;
  s.ExitButton = ReadDwordValue(k, L"ExitButton", &exitButton) == ERROR_SUCCESS && exitButton != 0;
  LoadBool(k, fresh, L"EnablePOLink", s.EnablePOLink);
  LoadDword(k, fresh, L"POCheckInterval", s.POCheckInterval);
  LoadList(k, fresh, L"POCategory", s.POCategory);
  LoadBool(k, fresh, L"POAllDay", s.POAllDay);
  LoadBool(k, fresh, L"POExcludeFreeTime", s.POExcludeFreeTime);
  DWORD protection = PackSoundProtection(s.SoundProtection);
  LoadDword(k, fresh, L"SoundProtection", protection);
  s.SoundProtection = UnpackSoundProtection(protection);
  LoadDword(k, fresh, L"SPVolume", s.SPVolume);
  LoadDword(k, fresh, L"SPMute", s.SPMute);
  LoadDword(k, fresh, L"SPScreen", s.SPScreen);
  LoadDword(k, fresh, L"SPKey", s.SPKey);
  LoadBool(k, fresh, L"EnableAppFilter", s.EnableAppFilter);
  LoadList(k, fresh, L"AppsToFilter", s.AppsToFilter);
}

void SaveSettings() {
  RegKey key = OpenSettingsKey();
  if (!key) return;
  const HKEY k = key.get();
  const SettingsRecord& s = Settings;
  SetDwordValue(k, L"RunAtStartUp", s.RunAtStartUp ? 1 : 0);
  SetDwordValue(k, L"StartMenuShortCut", s.StartMenuShortCut ? 1 : 0);
  SetDwordValue(k, L"ProgramsFolderShortCut", s.ProgramsFolderShortCut ? 1 : 0);
  SetDwordValue(k, L"ExtendMuteDefault", s.ExtendMuteDefault ? 1 : 0);
  SetDwordValue(k, L"MuteToVibrate", s.MuteToVibrate ? 1 : 0);
  SetDwordValue(k, L"VolumeCheckInterval", s.VolumeCheckInterval);
  SetDwordValue(k, L"UserMuteTime", s.UserMuteTime);
  SetDwordValue(k, L"UserUnMute", s.UserUnMute);
  SetDwordValue(k, L"DefaultOption", s.DefaultOption);
  SetDwordValue(k, L"TBIconLocation", s.TBIconLocation);
}

void SaveMuteListValue() {
  RegKey key = OpenSettingsKey();
  if (!key) return;
  SetDwordValue(key.get(), L"MuteListValue", Settings.MuteListValue);
}

void FreeSettingsLists() {
  Settings.POCategory.reset();
  Settings.AppsToFilter.reset();
}
