// The settings record against a real (scratch) registry: defaults, load, save, reload, and the
// values other programs or installers may have left behind.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/settings.h"
#include "support/fake_device.h"
#include "support/program_state.h"
#include "support/scratch_registry.h"

namespace {

constexpr const wchar_t* kKey = kSettingsKeyPath;

class SettingsStore : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::ResetDevice();
    UseSettings(SettingsRecord{});
  }
  void TearDown() override { UseSettings(SettingsRecord{}); }
  HKEY root() const { return scratch_.root(); }
  ScratchHkcu scratch_;
};

template <typename... F>
struct Overload : F... {
  using F::operator()...;
};

// What a fresh key must hold for `value`: its registry type and data, from the default record.
void ExpectStoredDefault(HKEY root, const SettingValue& value) {
  static const SettingsRecord defaults;
  const std::string name(value.name, value.name + wcslen(value.name));
  std::visit(Overload{
                 [&](bool SettingsRecord::*f) {
                   EXPECT_EQ(REG_DWORD, RegType(root, kKey, value.name)) << name;
                   EXPECT_EQ(defaults.*f ? 1u : 0u, RegDword(root, kKey, value.name)) << name;
                 },
                 [&](DWORD SettingsRecord::*f) {
                   EXPECT_EQ(REG_DWORD, RegType(root, kKey, value.name)) << name;
                   EXPECT_EQ(defaults.*f, RegDword(root, kKey, value.name)) << name;
                 },
                 [&](SoundProtectionFlags SettingsRecord::*f) {
                   EXPECT_EQ(PackSoundProtection(defaults.*f), RegDword(root, kKey, value.name));
                 },
                 [&](wchar_t(SettingsRecord::*f)[kPathChars]) {
                   EXPECT_EQ(std::wstring(defaults.*f), RegText(root, kKey, value.name)) << name;
                 },
                 [&](std::optional<std::wstring> SettingsRecord::*) {
                   EXPECT_EQ(REG_SZ, RegType(root, kKey, value.name)) << name;
                   EXPECT_EQ(2u, RegSize(root, kKey, value.name)) << name;  // the terminator
                 },
             },
             value.field);
}

TEST_F(SettingsStore, FreshDeviceGetsEveryDefaultWrittenOnceExceptExitButton) {
  LoadSettings();
  for (const SettingValue& value : SettingValues()) {
    if (value.group == SettingsGroup::ReadOnly) {
      EXPECT_FALSE(RegValueExists(root(), kKey, value.name));
    } else {
      ExpectStoredDefault(root(), value);
    }
  }
  EXPECT_EQ(2u, RegDword(root(), kKey, L"SoundProtection")) << "warn only";
  EXPECT_EQ(0xB00A5u, RegDword(root(), kKey, L"TBIconLocation"));
  EXPECT_FALSE(RegValueExists(root(), kKey, L"ExitButton"));
  EXPECT_FALSE(Settings.FirstRun);
  // The record holds exactly the defaults.
  EXPECT_EQ(500u, Settings.VolumeCheckInterval);
  EXPECT_TRUE(Settings.SoundProtection.WarnOnly);
  EXPECT_FALSE(Settings.SoundProtection.Enabled);
}

TEST_F(SettingsStore, StoredValuesWinAndAnyTypeOfAtMostFourBytesCounts) {
  RegPutDword(root(), kKey, L"VolumeCheckInterval", 2000);
  RegPutDword(root(), kKey, L"MuteToVibrate", 5);
  const WORD twoBytes = 0x0384;  // 900 as REG_BINARY
  RegPutRaw(root(), kKey, L"UserMuteTime", REG_BINARY, &twoBytes, sizeof twoBytes);
  RegPutText(root(), kKey, L"UserUnMute", L"2");  // 4 bytes of text: L'2' and the terminator
  RegPutDword(root(), kKey, L"SoundProtection", 0xFFFFFFF5);  // Enabled and ProtectSettings
  RegPutDword(root(), kKey, L"ExitButton", 1);
  LoadSettings();
  EXPECT_EQ(2000u, Settings.VolumeCheckInterval);
  EXPECT_TRUE(Settings.MuteToVibrate);
  EXPECT_EQ(900u, Settings.UserMuteTime);
  EXPECT_EQ(static_cast<DWORD>(L'2'), Settings.UserUnMute);
  EXPECT_TRUE(Settings.SoundProtection.Enabled);
  EXPECT_FALSE(Settings.SoundProtection.WarnOnly);
  EXPECT_TRUE(Settings.SoundProtection.ProtectSettings);
  EXPECT_TRUE(Settings.ExitButton);
  // Values that were read stay as stored; nothing is rewritten.
  EXPECT_EQ(5u, RegDword(root(), kKey, L"MuteToVibrate"));
  EXPECT_EQ(REG_BINARY, RegType(root(), kKey, L"UserMuteTime"));
}

TEST_F(SettingsStore, ValuesTooLongForTheirFieldAreReplacedByTheDefault) {
  RegPutText(root(), kKey, L"POCheckInterval", L"sixty seconds");
  const ULONGLONG eight = 77;
  RegPutRaw(root(), kKey, L"DefaultOption", REG_QWORD, &eight, sizeof eight);
  RegPutText(root(), kKey, L"StartUpPath", std::wstring(300, L'x'));
  // 261 characters with no terminator fill the whole buffer: not a usable path.
  const std::wstring unterminated(261, L'y');
  RegPutRaw(root(), kKey, L"ProgramsPath", REG_SZ, unterminated.data(), 261 * sizeof(wchar_t));
  RegPutText(root(), kKey, L"ExitButton", L"yes please");
  LoadSettings();
  EXPECT_EQ(30u, Settings.POCheckInterval);
  EXPECT_EQ(30u, RegDword(root(), kKey, L"POCheckInterval"));
  EXPECT_EQ(1001u, Settings.DefaultOption);
  EXPECT_EQ(REG_DWORD, RegType(root(), kKey, L"DefaultOption"));
  EXPECT_STREQ(L"\\Windows\\Startup\\QuietMinder.lnk", Settings.StartUpPath);
  EXPECT_EQ(L"\\Windows\\Startup\\QuietMinder.lnk", RegText(root(), kKey, L"StartUpPath"));
  EXPECT_STREQ(L"\\Windows\\Start Menu\\Programs\\QuietMinder.lnk", Settings.ProgramsPath);
  // ExitButton is never written, also not when it is unreadable.
  EXPECT_FALSE(Settings.ExitButton);
  EXPECT_EQ(L"yes please", RegText(root(), kKey, L"ExitButton"));
}

TEST_F(SettingsStore, PathsAreTakenWhateverTheirTerminationUpTo260Characters) {
  const std::wstring longest(260, L'p');
  RegPutText(root(), kKey, L"StartMenuPath", longest);
  const std::wstring bare = L"\\Temp\\x.lnk";  // stored without its terminator
  RegPutRaw(root(), kKey, L"StartUpPath", REG_SZ, bare.data(),
            static_cast<DWORD>(bare.size() * sizeof(wchar_t)));
  LoadSettings();
  EXPECT_EQ(longest, std::wstring(Settings.StartMenuPath));
  EXPECT_EQ(bare, std::wstring(Settings.StartUpPath));
}

TEST_F(SettingsStore, ListsOfAnyLengthLoadAndAnEmptyValueLeavesTheListAbsent) {
  std::wstring huge;
  while (huge.size() < 512 * 1024) huge += L"Some Application|";
  huge.pop_back();
  RegPutText(root(), kKey, L"AppsToFilter", huge);
  RegPutRaw(root(), kKey, L"POCategory", REG_SZ, nullptr, 0);
  LoadSettings();
  ASSERT_TRUE(Settings.AppsToFilter.has_value());
  EXPECT_EQ(huge, *Settings.AppsToFilter);
  EXPECT_FALSE(Settings.POCategory.has_value());
  EXPECT_EQ(0u, RegSize(root(), kKey, L"POCategory"));  // nothing written
}

TEST_F(SettingsStore, AListWithAnOddByteOrNoTerminatorKeepsItsWholeCharacters) {
  const char odd[] = {'W', 0, 'o', 0, 'r', 0, 'k', 0, 'x'};  // 9 bytes, no terminator
  RegPutRaw(root(), kKey, L"POCategory", REG_SZ, odd, sizeof odd);
  LoadSettings();
  ASSERT_TRUE(Settings.POCategory.has_value());
  EXPECT_EQ(L"Work", *Settings.POCategory);
}

TEST_F(SettingsStore, SaveWritesTheGeneralGroupAsFlagsOfZeroOrOneAndReloads) {
  RegPutDword(root(), kKey, L"RunAtStartUp", 5);
  LoadSettings();
  EXPECT_TRUE(Settings.RunAtStartUp);
  SettingsRecord edited = Settings;
  edited.StartMenuShortCut = false;
  edited.VolumeCheckInterval = 10000;
  edited.UserMuteTime = 14400;
  edited.UserUnMute = 2;
  edited.DefaultOption = 1004;
  edited.TBIconLocation = 0x00140030;
  edited.MuteListValue = 45;  // not part of the general group
  CommitSettings(edited, SettingsGroup::General);
  EXPECT_EQ(1u, RegDword(root(), kKey, L"RunAtStartUp"));
  EXPECT_EQ(0u, RegDword(root(), kKey, L"StartMenuShortCut"));
  EXPECT_EQ(30u, RegDword(root(), kKey, L"MuteListValue"));
  EXPECT_EQ(30u, Settings.MuteListValue) << "a group takes only its own values";
  CommitSettings(edited, SettingsGroup::MuteList);
  EXPECT_EQ(45u, RegDword(root(), kKey, L"MuteListValue"));

  const SettingsRecord saved = Settings;
  UseSettings(SettingsRecord{});
  LoadSettings();
  EXPECT_EQ(saved.StartMenuShortCut, Settings.StartMenuShortCut);
  EXPECT_EQ(10000u, Settings.VolumeCheckInterval);
  EXPECT_EQ(14400u, Settings.UserMuteTime);
  EXPECT_EQ(2u, Settings.UserUnMute);
  EXPECT_EQ(1004u, Settings.DefaultOption);
  EXPECT_EQ(0x00140030u, Settings.TBIconLocation);
  EXPECT_EQ(45u, Settings.MuteListValue);
}

TEST_F(SettingsStore, InstallerMarkerCreatesTheStartUpShortcutOnceAndIsRemoved) {
  wchar_t windows[MAX_PATH];
  GetWindowsDirectoryW(windows, MAX_PATH);
  const std::wstring startup = std::wstring(windows) + L"\\Startup";
  CreateDirectoryW(startup.c_str(), nullptr);
  const std::wstring shortcut = startup + L"\\QuietMinder.lnk";
  DeleteFileW(shortcut.c_str());

  RegPutDword(root(), kKey, L"Initialize", 1);
  LoadSettings();
  EXPECT_TRUE(Settings.FirstRun);
  EXPECT_FALSE(RegValueExists(root(), kKey, L"Initialize"));
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(shortcut.c_str()));
  DeleteFileW(shortcut.c_str());

  EditSettings([&](SettingsRecord& s) { s.FirstRun = false; });
  LoadSettings();
  EXPECT_FALSE(Settings.FirstRun);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(shortcut.c_str()));
}

TEST_F(SettingsStore, AnInstallerMarkerLongerThanFourBytesDoesNotCount) {
  RegPutText(root(), kKey, L"Initialize", L"please initialise");
  LoadSettings();
  EXPECT_FALSE(Settings.FirstRun);
  EXPECT_TRUE(RegValueExists(root(), kKey, L"Initialize"));
}

TEST_F(SettingsStore, AKeyThatCannotBeOpenedLeavesTheDefaultsAndWritesNothing) {
  // A volatile parent refuses the non-volatile settings key.
  HKEY volatileParent{};
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(root(), kMakerKeyPath, 0, nullptr, REG_OPTION_VOLATILE,
                                           KEY_ALL_ACCESS, nullptr, &volatileParent, nullptr));
  RegCloseKey(volatileParent);
  LoadSettings();
  EXPECT_EQ(500u, Settings.VolumeCheckInterval);
  EXPECT_FALSE(RegValueExists(root(), kKey, L"VolumeCheckInterval"));
  CommitSettings(Settings, SettingsGroup::General);  // dropped, without harm
  EXPECT_FALSE(RegValueExists(root(), kKey, L"RunAtStartUp"));
}

}  // namespace
