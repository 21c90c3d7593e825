// Silence, repeated silence and restore on each kind of device: every ControlPanel value and the
// wave volume, for a program mute and a user mute, and the restore's safeguards.
#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "appfilter/app_filter.h"
#include "common/clock.h"
#include "common/program.h"
#include "meetings/meeting_state.h"
#include "platform/device_profile.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "sound/mute_engine.h"
#include "sound/mute_policy.h"
#include "sound/sound_env.h"
#include "support/fake_device.h"
#include "support/program_state.h"

using namespace soundtest;

namespace {

constexpr DWORD kWave = 0x44444444;
constexpr DWORD kLoud = 0x00010002;
constexpr DWORD kFreshVolume = 0x99999999;
constexpr DWORD kFreshRinger = 0xCCCCCCCC;

struct KindCase {
  DeviceKind kind;
  std::vector<Expected> silenced;  // after MuteNow from a fresh device with wave volume kWave
  std::vector<Expected> restored;  // after the restore that follows
};

const KindCase kCases[] = {
    {DeviceKind::OlderCe,
     {{kVolumeKeyPath, kVolumeValue, 0},
      {kVolumeKeyPath, kMuteValue, 0},
      {kVolumeKeyPath, kScreenValue, 0},
      {kVolumeKeyPath, kKeyValue, 0},
      {kVolumeKeyPath, kRingerValue, kAbsent},
      {kVolumeUnmutedKeyPath, kVolumeValue, kWave},
      {kVolumeUnmutedKeyPath, kMuteValue, 7},
      {kVolumeUnmutedKeyPath, kScreenValue, 1},
      {kVolumeUnmutedKeyPath, kKeyValue, kLoud},
      {kShellOverridesKeyPath, kModeValue, kAbsent}},
     {{kVolumeKeyPath, kVolumeValue, kWave},
      {kVolumeKeyPath, kMuteValue, 7},
      {kVolumeKeyPath, kScreenValue, 1},
      {kVolumeKeyPath, kKeyValue, kLoud},
      {kVolumeUnmutedKeyPath, kVolumeValue, kWave},
      {kVolumeUnmutedKeyPath, kMuteValue, 7},
      {kVolumeUnmutedKeyPath, kScreenValue, 1},
      {kVolumeUnmutedKeyPath, kKeyValue, kLoud},
      {kShellOverridesKeyPath, kModeValue, kAbsent}}},
    {DeviceKind::PocketPc2002,
     {{kVolumeKeyPath, kVolumeValue, 0},
      {kVolumeKeyPath, kMuteValue, 7},
      {kVolumeKeyPath, kScreenValue, 0},
      {kVolumeKeyPath, kKeyValue, 0},
      {kVolumeKeyPath, kRingerValue, kAbsent},
      {kShellOverridesKeyPath, kSavedVolumeValue, kWave},
      {kShellOverridesKeyPath, kModeValue, 2},
      {kShellOverridesKeyPath, kSavedScreenValue, 1},
      {kShellOverridesKeyPath, kSavedKeyValue, kLoud},
      {kShellOverridesKeyPath, kSavedRingerVolumeValue, kAbsent},
      {kVolumeUnmutedKeyPath, kVolumeValue, kAbsent}},
     {{kVolumeKeyPath, kVolumeValue, kWave},
      {kVolumeKeyPath, kMuteValue, 7},
      {kVolumeKeyPath, kScreenValue, 1},
      {kVolumeKeyPath, kKeyValue, kLoud},
      {kShellOverridesKeyPath, kSavedVolumeValue, kWave},
      {kShellOverridesKeyPath, kModeValue, 0},
      {kShellOverridesKeyPath, kSavedScreenValue, 1},
      {kShellOverridesKeyPath, kSavedKeyValue, kLoud},
      {kVolumeKeyPath, kRingerValue, kAbsent}}},
    {DeviceKind::PocketPc2003,
     {{kVolumeKeyPath, kVolumeValue, 0},
      {kVolumeKeyPath, kMuteValue, 7},
      {kVolumeKeyPath, kScreenValue, 0},
      {kVolumeKeyPath, kKeyValue, 0},
      {kVolumeKeyPath, kRingerValue, kAbsent},
      {kShellOverridesKeyPath, kSavedVolumeValue, kWave},
      {kShellOverridesKeyPath, kModeValue, 2},
      {kShellOverridesKeyPath, kSavedScreenValue, 1},
      {kShellOverridesKeyPath, kSavedKeyValue, kLoud},
      {kShellOverridesKeyPath, kSavedRingerVolumeValue, kAbsent},
      {kRingCategoryKeyPath, kInitVolValue, kAbsent},
      {kEarCoupleKeyPath, kEarCoupleValue, kAbsent}},
     {{kVolumeKeyPath, kVolumeValue, kWave},
      {kVolumeKeyPath, kMuteValue, 7},
      {kVolumeKeyPath, kScreenValue, 1},
      {kVolumeKeyPath, kKeyValue, kLoud},
      {kShellOverridesKeyPath, kSavedVolumeValue, kWave},
      {kShellOverridesKeyPath, kModeValue, 0},
      {kShellOverridesKeyPath, kSavedScreenValue, 1},
      {kShellOverridesKeyPath, kSavedKeyValue, kLoud},
      {kRingCategoryKeyPath, kInitVolValue, kAbsent}}},
    {DeviceKind::PocketPc2003Phone,
     {{kVolumeKeyPath, kVolumeValue, 0},
      {kVolumeKeyPath, kMuteValue, 7},
      {kVolumeKeyPath, kScreenValue, 0},
      {kVolumeKeyPath, kKeyValue, 0},
      {kVolumeKeyPath, kRingerValue, 0},
      {kShellOverridesKeyPath, kSavedVolumeValue, kWave},
      {kShellOverridesKeyPath, kModeValue, 2},
      {kShellOverridesKeyPath, kSavedScreenValue, 1},
      {kShellOverridesKeyPath, kSavedKeyValue, kLoud},
      {kShellOverridesKeyPath, kSavedRingerVolumeValue, kFreshRinger},
      {kRingCategoryKeyPath, kInitVolValue, 0},
      {kEarCoupleKeyPath, kEarCoupleValue, 4}},
     {{kVolumeKeyPath, kVolumeValue, kWave},
      {kVolumeKeyPath, kMuteValue, 7},
      {kVolumeKeyPath, kScreenValue, 1},
      {kVolumeKeyPath, kKeyValue, kLoud},
      {kVolumeKeyPath, kRingerValue, kFreshRinger},
      {kShellOverridesKeyPath, kSavedVolumeValue, kWave},
      {kShellOverridesKeyPath, kModeValue, 0},
      {kShellOverridesKeyPath, kSavedScreenValue, 1},
      {kShellOverridesKeyPath, kSavedKeyValue, kLoud},
      {kShellOverridesKeyPath, kSavedRingerVolumeValue, kFreshRinger},
      {kRingCategoryKeyPath, kInitVolValue, 3},
      {kEarCoupleKeyPath, kEarCoupleValue, 1}}},
};

void PrintTo(const KindCase& c, std::ostream* os) { *os << KindName(c.kind); }

class MuteMatrix : public ::testing::TestWithParam<KindCase> {
 protected:
  void SetUp() override {
    SetUpDevice(hkcu_, GetParam().kind);
    fake::device().waveVolume = kWave;
  }
  HKEY root() const { return hkcu_.root(); }
  bool Phone() const { return GetParam().kind == DeviceKind::PocketPc2003Phone; }
  bool Older() const { return GetParam().kind == DeviceKind::OlderCe; }
  ScratchHkcu hkcu_;
};

TEST_P(MuteMatrix, ProgramMuteSilencesThenRestoresEveryValue) {
  MuteByChoice();
  EXPECT_TRUE(MuteState.Muted);
  EXPECT_EQ(0u, fake::device().waveVolume);
  EXPECT_EQ(1, fake::device().refreshes);
  EXPECT_EQ(IDI_MUTED, fake::CurrentIconId());
  ExpectValues(root(), GetParam().silenced, "after the silence");
  if (Phone()) {
    EXPECT_EQ(kFreshTone, RegText(root(), kRingToneKeyPath, kSoundValue));
  }

  // The user raises the volume during the mute, which a repeated silence undoes, and turns the
  // tap sound up, which comes back as the user left it.
  RegPutDword(root(), kVolumeKeyPath, kScreenValue, kLoud);
  fake::device().waveVolume = 0x12121212;
  MuteByChoice();
  EXPECT_EQ(0u, fake::device().waveVolume);
  // The tap sound is what now comes back: the saved copies hold it, the live one is silent.
  const auto withSavedScreen = [](std::vector<Expected> values, bool live) {
    for (Expected& e : values) {
      const std::wstring name = e.name;
      const bool saved = name == kSavedScreenValue ||
                         (name == kScreenValue && std::wstring(e.key) == kVolumeUnmutedKeyPath);
      if (saved || (live && name == kScreenValue)) e.value = kLoud;
    }
    return values;
  };
  ExpectValues(root(), withSavedScreen(GetParam().silenced, false), "after the repeated silence");

  RestoreByChoice();
  EXPECT_FALSE(MuteState.Muted);
  EXPECT_EQ(kWave, fake::device().waveVolume);
  EXPECT_EQ(IDI_IDLE, fake::CurrentIconId());
  ExpectValues(root(), withSavedScreen(GetParam().restored, true), "after the restore");
  if (Phone()) {
    EXPECT_EQ(kFreshTone, RegText(root(), kRingToneKeyPath, kSoundValue));
    EXPECT_EQ(kFreshTone, RegText(root(), kRingToneKeyPath, kSavedSoundValue));
  }
  EXPECT_TRUE(fake::device().messageBoxes.empty());
}

TEST_P(MuteMatrix, WhatTheUserChangesDuringAMuteIsKeptAndTheRestComesBack) {
  MuteByChoice();
  // Every value the mute silenced, changed by the user to a value of its own (the wave volume
  // keeps its own rules and is not among them).
  struct Edit {
    const wchar_t* key;
    const wchar_t* name;
    DWORD value;
    bool phoneOnly;
  };
  const Edit edits[] = {{kVolumeKeyPath, kKeyValue, 1, false},
                        {kVolumeKeyPath, kRingerValue, 0x11111111, true},
                        {kRingCategoryKeyPath, kInitVolValue, 2, true}};
  for (const Edit& e : edits) {
    if (!e.phoneOnly || Phone()) RegPutDword(root(), e.key, e.name, e.value);
  }
  if (Phone()) RegPutText(root(), kRingToneKeyPath, kSoundValue, L"\\Windows\\Chosen.wav");
  RestoreByChoice();
  for (const Edit& e : edits) {
    if (e.phoneOnly && !Phone()) continue;
    EXPECT_EQ(e.value, RegDword(root(), e.key, e.name)) << e.name;
  }
  EXPECT_EQ(1u, RegDword(root(), kVolumeKeyPath, kScreenValue)) << "untouched: the saved value";
  EXPECT_EQ(kWave, fake::device().waveVolume);
  if (Phone()) {
    EXPECT_EQ(L"\\Windows\\Chosen.wav", RegText(root(), kRingToneKeyPath, kSoundValue));
    EXPECT_EQ(1u, RegDword(root(), kEarCoupleKeyPath, kEarCoupleValue));
  }
}

TEST_P(MuteMatrix, UserMuteTakesOverTheShellsSavedValues) {
  // The user silenced the device by hand: the live values are already quiet and the values to
  // come back to are the shell's (or, on an older device, VolumeUnmuted's).
  fake::device().waveVolume = 0;
  RegPutDword(root(), kVolumeKeyPath, kVolumeValue, 0);
  RegPutDword(root(), kVolumeKeyPath, kScreenValue, 0);
  if (Phone()) {
    RegPutDword(root(), kRingCategoryKeyPath, kInitVolValue, 0);
    RegPutDword(root(), kEarCoupleKeyPath, kEarCoupleValue, 4);
  }
  EditSettings([&](SettingsRecord& s) { s.UserUnMute = 1; });
  OnCheckTick();  // the silence is taken over
  EXPECT_TRUE(MuteState.Muted);
  EXPECT_TRUE(MuteState.UserRestoreAllowed);
  EXPECT_EQ(IDI_MUTED_USER_RESTORE, fake::CurrentIconId());
  if (Older()) {
    EXPECT_EQ(kFreshVolume, RegDword(root(), kVolumeUnmutedKeyPath, kVolumeValue));
  } else {
    EXPECT_EQ(kFreshVolume, RegDword(root(), kShellOverridesKeyPath, kSavedVolumeValue));
    EXPECT_EQ(2u, RegDword(root(), kShellOverridesKeyPath, kModeValue));
  }

  RestoreByChoice();
  EXPECT_EQ(kFreshVolume, fake::device().waveVolume);
  EXPECT_EQ(kFreshVolume, RegDword(root(), kVolumeKeyPath, kVolumeValue));
  EXPECT_EQ(1u, RegDword(root(), kVolumeKeyPath, kScreenValue));
  EXPECT_EQ(kLoud, RegDword(root(), kVolumeKeyPath, kKeyValue));
  if (Phone()) {
    EXPECT_EQ(5u, RegDword(root(), kRingCategoryKeyPath, kInitVolValue))
        << "a silenced ring category comes back";
    EXPECT_EQ(1u, RegDword(root(), kEarCoupleKeyPath, kEarCoupleValue));
    EXPECT_EQ(kFreshRinger, RegDword(root(), kVolumeKeyPath, kRingerValue));
  }
}

TEST_P(MuteMatrix, VibrateOrOffAndBackToRing) {
  for (const bool vibrate : {true, false}) {
    SetUpDevice(hkcu_, GetParam().kind);
    EditSettings([&](SettingsRecord& s) { s.MuteToVibrate = vibrate; });
    MuteByChoice();
    if (Older()) {
      EXPECT_FALSE(RegValueExists(root(), kShellOverridesKeyPath, kModeValue));
      continue;
    }
    EXPECT_EQ(vibrate ? 1u : 2u, RegDword(root(), kShellOverridesKeyPath, kModeValue));
    RestoreByChoice();
    EXPECT_EQ(0u, RegDword(root(), kShellOverridesKeyPath, kModeValue));
  }
}

TEST_P(MuteMatrix, AProgramMuteOnASilentDeviceComesBackToWhatTheSilenceSaved) {
  // The device was left silent (by hand, or by a run of the program that ended while muted):
  // its live values are silenced ones, and the user's own are what the silence saved.
  SetUpDevice(hkcu_, GetParam().kind);
  const DWORD screenBefore = RegDword(root(), kVolumeKeyPath, kScreenValue);
  fake::device().waveVolume = 0;
  RegPutDword(root(), kVolumeKeyPath, kVolumeValue, 0);
  RegPutDword(root(), kVolumeKeyPath, kScreenValue, 0);
  MuteByChoice();
  RestoreByChoice();
  EXPECT_EQ(0x99999999u, fake::device().waveVolume);
  EXPECT_EQ(screenBefore, RegDword(root(), kVolumeKeyPath, kScreenValue));
  EXPECT_TRUE(fake::device().messageBoxes.empty());
}

TEST_P(MuteMatrix, ASavedVolumeOfZeroComesBackAudibleAndWarns) {
  struct Row {
    bool protection;
    bool warnOnly;
    DWORD expectedVolume;
    bool warned;
  };
  for (const Row row : {Row{false, true, kAudibleVolume, false},
                        Row{true, false, 0x31313131, false}, Row{true, true, 0x31313131, true}}) {
    SetUpDevice(hkcu_, GetParam().kind);
    EditSettings([&](SettingsRecord& s) {
      s.SoundProtection.Enabled = row.protection;
      s.SoundProtection.WarnOnly = row.warnOnly;
      s.SPVolume = 0x31313131;
    });
    // A mute that starts on a silent device comes back to what the silence saved: here a
    // volume of 0 too.
    if (Phone()) RegPutDword(root(), kShellOverridesKeyPath, kSavedRingerVolumeValue, 0);
    if (Older()) {
      RegPutDword(root(), kVolumeUnmutedKeyPath, kVolumeValue, 0);
    } else {
      RegPutDword(root(), kShellOverridesKeyPath, kSavedVolumeValue, 0);
    }
    fake::device().waveVolume = 0;
    MuteByChoice();

    bool stateRestoredBeforeWarning = false;
    size_t launchesAtWarning = 99;
    fake::device().answerMessageBox = [&](const fake::MessageBoxCall&) {
      stateRestoredBeforeWarning =
          !MuteState.Muted && fake::device().waveVolume == row.expectedVolume;
      launchesAtWarning = fake::device().launches.size();
      return IDOK;
    };
    RestoreByChoice();
    EXPECT_EQ(row.expectedVolume, fake::device().waveVolume);
    EXPECT_EQ(row.expectedVolume, RegDword(root(), kVolumeKeyPath, kVolumeValue));
    if (Phone()) {
      EXPECT_EQ(row.expectedVolume, RegDword(root(), kVolumeKeyPath, kRingerValue));
    }
    ASSERT_EQ(row.warned ? 1u : 0u, fake::device().messageBoxes.size());
    if (!row.warned) continue;
    const fake::MessageBoxCall& box = fake::device().messageBoxes[0];
    EXPECT_EQ(nullptr, box.owner);
    EXPECT_EQ(L"QuietMinder Error", box.caption);
    EXPECT_EQ(std::wstring(kInaudibleRestoreText), box.text);
    EXPECT_NE(std::wstring::npos, box.text.find(L"inaudible.  The volume"));
    EXPECT_EQ(static_cast<UINT>(MB_OK | MB_SETFOREGROUND | MB_TOPMOST), box.type);
    EXPECT_TRUE(stateRestoredBeforeWarning);
    EXPECT_EQ(0u, launchesAtWarning) << "the applet opens when the warning is closed";
    ASSERT_EQ(1u, fake::device().launches.size());
    EXPECT_EQ(L"\\Windows\\ctlpnl.exe", fake::device().launches[0].module);
    EXPECT_EQ(L"open", fake::device().launches[0].verb);
    EXPECT_EQ(L"\\Windows\\cplmain.cpl,9", fake::device().launches[0].commandLine);
  }
}

TEST_P(MuteMatrix, ASoundClassMaskOfZeroWarnsWithWarnOnlyProtection) {
  EditSettings([&](SettingsRecord& s) {
    s.SoundProtection.Enabled = true;
    s.SoundProtection.WarnOnly = true;
  });
  RegPutDword(root(), kVolumeKeyPath, kMuteValue, 0);
  MuteByChoice();
  RestoreByChoice();
  EXPECT_EQ(kWave, fake::device().waveVolume);
  EXPECT_EQ(1u, fake::device().messageBoxes.size());
}

// Nothing saved: the wave volume is 0 while not muted (the filter holds muting off).
TEST_P(MuteMatrix, RestoreWithNothingSavedOnlyMakesTheVolumeAudible) {
  FilterState.FilterHold = true;
  fake::device().waveVolume = 0;
  RegPutDword(root(), kVolumeKeyPath, kVolumeValue, 0);
  if (!Older()) RegPutDword(root(), kShellOverridesKeyPath, kModeValue, 2);
  RestoreByChoice();  // silent, nothing saved
  EXPECT_FALSE(MuteState.Muted);
  EXPECT_EQ(kAudibleVolume, fake::device().waveVolume);
  EXPECT_EQ(IDI_FILTER_HOLD, fake::CurrentIconId());
  ExpectValues(root(),
               {{kVolumeKeyPath, kVolumeValue, kAudibleVolume},
                {kVolumeKeyPath, kMuteValue, 7},
                {kVolumeKeyPath, kScreenValue, 1},
                {kVolumeKeyPath, kKeyValue, kLoud}},
               "live values");
  if (Older()) {
    ExpectValues(root(),
                 {{kVolumeUnmutedKeyPath, kVolumeValue, kAudibleVolume},
                  {kVolumeUnmutedKeyPath, kMuteValue, 7},
                  {kVolumeUnmutedKeyPath, kScreenValue, 1},
                  {kVolumeUnmutedKeyPath, kKeyValue, kLoud}},
                 "unmuted values");
  } else {
    ExpectValues(root(),
                 {{kShellOverridesKeyPath, kModeValue, 0},
                  {kShellOverridesKeyPath, kSavedVolumeValue, kFreshVolume},
                  {kShellOverridesKeyPath, kSavedScreenValue, 1},
                  {kShellOverridesKeyPath, kSavedKeyValue, kLoud}},
                 "shell values");
  }
  if (Phone()) {
    ExpectValues(root(),
                 {{kVolumeKeyPath, kRingerValue, kFreshRinger},
                  {kRingCategoryKeyPath, kInitVolValue, 3},
                  {kEarCoupleKeyPath, kEarCoupleValue, 1}},
                 "phone values");
    EXPECT_EQ(kFreshTone, RegText(root(), kRingToneKeyPath, kSoundValue));
  }
}

TEST_P(MuteMatrix, ASilenceMadeByHandWhileTheFilterHoldsComesBackAsTheOwnersSound) {
  FilterState.FilterHold = true;
  fake::device().waveVolume = 0;
  RegPutDword(root(), kVolumeKeyPath, kVolumeValue, 0);
  if (!Older()) RegPutDword(root(), kShellOverridesKeyPath, kModeValue, 2);
  OnSettingsWindowOpened();  // held: given back at once, and not muted
  EXPECT_FALSE(MuteState.Muted);
  EXPECT_EQ(kFreshVolume, fake::device().waveVolume) << "what the silence kept, not a default";
  EXPECT_EQ(kFreshVolume, RegDword(root(), kVolumeKeyPath, kVolumeValue));
}

TEST_P(MuteMatrix, AStateIsGivenBackOnlyOnce) {
  MuteByChoice();
  RestoreByChoice();
  // Later the user changes the tap sound and silences by hand while the filter holds.
  RegPutDword(root(), kVolumeKeyPath, kScreenValue, kLoud);
  fake::device().waveVolume = 0;
  RestoreByChoice();
  EXPECT_EQ(kLoud, RegDword(root(), kVolumeKeyPath, kScreenValue));
  EXPECT_EQ(kAudibleVolume, fake::device().waveVolume);
}

TEST_P(MuteMatrix, RestoreWhileNotMutedAndAudibleChangesNothing) {
  RestoreByChoice();
  EXPECT_EQ(kWave, fake::device().waveVolume);
  EXPECT_EQ(0, fake::device().refreshes);
  EXPECT_TRUE(fake::device().iconCalls.empty());
  FilterState.FilterHold = true;
  RestoreByChoice();
  EXPECT_EQ(IDI_FILTER_HOLD, fake::CurrentIconId());
  EXPECT_EQ(0, fake::device().refreshes);
}

TEST_P(MuteMatrix, NoMuteWhileTheFilterHolds) {
  FilterState.FilterHold = true;
  OnSettingsWindowOpened();
  EXPECT_FALSE(MuteState.Muted);
  EXPECT_EQ(kWave, fake::device().waveVolume);
  EXPECT_EQ(IDI_FILTER_HOLD, fake::CurrentIconId());
  ExpectValues(root(),
               {{kVolumeKeyPath, kVolumeValue, kFreshVolume}, {kVolumeKeyPath, kScreenValue, 1}},
               "nothing silenced");

  FilterState.FilterHold = false;
  MuteByChoice();
  FilterState.FilterHold = true;
  OnSettingsWindowOpened();  // a running mute ends
  EXPECT_FALSE(MuteState.Muted);
  EXPECT_EQ(kWave, fake::device().waveVolume);
  ExpectValues(root(), GetParam().restored, "held while muted");
}

INSTANTIATE_TEST_SUITE_P(Kinds, MuteMatrix, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return KindName(info.param.kind); });

class PhoneRingTone : public ::testing::Test {
 protected:
  void SetUp() override { SetUpDevice(hkcu_, DeviceKind::PocketPc2003Phone); }
  HKEY root() const { return hkcu_.root(); }
  ScratchHkcu hkcu_;
};

TEST_F(PhoneRingTone, MarkersNeverReplaceTheKeptTone) {
  struct Row {
    const wchar_t* sound;
    const wchar_t* saved;
    const wchar_t* restored;
  };
  for (const Row row : {Row{kRingToneNone, L"\\Windows\\Kept.wav", L"\\Windows\\Kept.wav"},
                        Row{kRingToneVibrate, L"\\Windows\\Kept.wav", L"\\Windows\\Kept.wav"},
                        Row{L"\\Windows\\Now.wav", L"\\Windows\\Old.wav", L"\\Windows\\Now.wav"},
                        Row{L"*NONE*", L"\\Windows\\Kept.wav", L"*NONE*"}}) {
    SetUpDevice(hkcu_, DeviceKind::PocketPc2003Phone);
    RegPutText(root(), kRingToneKeyPath, kSoundValue, row.sound);
    RegPutText(root(), kRingToneKeyPath, kSavedSoundValue, row.saved);
    MuteByChoice();
    EXPECT_EQ(row.sound, RegText(root(), kRingToneKeyPath, kSoundValue)) << "the mute leaves it";
    RestoreByChoice();
    EXPECT_EQ(row.restored, RegText(root(), kRingToneKeyPath, kSoundValue)) << row.sound;
    EXPECT_EQ(row.restored, RegText(root(), kRingToneKeyPath, kSavedSoundValue)) << row.sound;
  }
}

TEST_F(PhoneRingTone, ARingToneThatWasNeverReadIsNotWrittenBack) {
  const std::wstring longTone = L"\\Storage Card\\" + std::wstring(286, L'r');
  struct Row {
    std::wstring sound;
    bool savedPresent;
  };
  for (const Row& row :
       {Row{longTone, true}, Row{kRingToneNone, false}, Row{kRingToneVibrate, false}}) {
    SetUpDevice(hkcu_, DeviceKind::PocketPc2003Phone);
    RegPutText(root(), kRingToneKeyPath, kSoundValue, row.sound);
    if (!row.savedPresent) RegDeleteValueAt(root(), kRingToneKeyPath, kSavedSoundValue);
    MuteByChoice();
    RestoreByChoice();
    EXPECT_EQ(row.sound, RegText(root(), kRingToneKeyPath, kSoundValue));
    EXPECT_EQ(row.savedPresent, RegValueExists(root(), kRingToneKeyPath, kSavedSoundValue));
    EXPECT_EQ(0x99999999u, fake::device().waveVolume) << "the rest comes back";
  }
}

TEST_F(PhoneRingTone, AToneReadByAnEarlierMuteIsNotWrittenByALaterOne) {
  MuteByChoice();
  RestoreByChoice();
  RegPutText(root(), kRingToneKeyPath, kSoundValue, kRingToneNone);
  RegDeleteValueAt(root(), kRingToneKeyPath, kSavedSoundValue);
  MuteByChoice();
  RestoreByChoice();
  EXPECT_EQ(kRingToneNone, RegText(root(), kRingToneKeyPath, kSoundValue));
}

TEST(MuteTiming, UserMuteTimeAndExtension) {
  ScratchHkcu hkcu;
  struct Row {
    DWORD userMuteTime;
    bool extendDefault;
    bool expectExtend;
  };
  for (const Row row : {Row{0, false, true}, Row{900, false, false}, Row{900, true, true}}) {
    SetUpDevice(hkcu, DeviceKind::PocketPc2003);
    EditSettings([&](SettingsRecord& s) {
      s.UserMuteTime = row.userMuteTime;
      s.ExtendMuteDefault = row.extendDefault;
    });
    const ULONGLONG now = fake::device().utcNow;
    fake::device().waveVolume = 0;
    OnCheckTick();  // the silence is taken over
    EXPECT_EQ(now + fake::Seconds(row.userMuteTime), MuteState.MuteUntil);
    EXPECT_EQ(row.expectExtend, MuteState.ExtendToPowerOn);

    // A repeated take-over keeps the running mute's end.
    fake::AdvanceClock(60);
    AdoptUserMute(ChangeCause::HandSilence, {TimeFromNow(7200), !row.expectExtend}, {});
    EXPECT_EQ(now + fake::Seconds(row.userMuteTime), MuteState.MuteUntil);
    EXPECT_EQ(row.expectExtend, MuteState.ExtendToPowerOn);
  }
}

TEST(MuteTiming, TimeFromNowAddsSecondsToTheDeviceClock) {
  fake::ResetDevice();
  const ULONGLONG now = fake::device().utcNow;
  EXPECT_EQ(now, TimeFromNow(0));
  EXPECT_EQ(now + 0xFFFFFFFFULL * 10'000'000ULL, TimeFromNow(0xFFFFFFFF));
}

TEST(MuteTiming, UserRestoreAllowedByKindOfMute) {
  ScratchHkcu hkcu;
  struct Row {
    DWORD userUnMute;
    bool programMute;
    bool userMute;
  };
  for (const Row row : {Row{0, false, false}, Row{1, false, true}, Row{2, true, true}}) {
    SetUpDevice(hkcu, DeviceKind::PocketPc2002);
    EditSettings([&](SettingsRecord& s) { s.UserUnMute = row.userUnMute; });
    MuteByChoice();
    EXPECT_EQ(row.programMute, MuteState.UserRestoreAllowed) << row.userUnMute;
    EXPECT_EQ(row.programMute ? IDI_MUTED_USER_RESTORE : IDI_MUTED, fake::CurrentIconId());
    RestoreByChoice();
    EXPECT_FALSE(MuteState.UserRestoreAllowed);
    fake::device().waveVolume = 0;
    OnCheckTick();  // the silence is taken over
    EXPECT_EQ(row.userMute, MuteState.UserRestoreAllowed) << row.userUnMute;
  }
}

TEST(MuteTiming, VolumeIsZeroOnlyWhenReadAsZero) {
  fake::ResetDevice();
  fake::device().waveVolume = 0x00010000;
  EXPECT_FALSE(VolumeIsZero());
  fake::device().waveVolume = 0;
  EXPECT_TRUE(VolumeIsZero());
  fake::device().volumeReadable = false;
  EXPECT_FALSE(VolumeIsZero());
}

}  // namespace
