// The periodic protection check against each device kind's own sound keys in a scratch
// HKEY_CURRENT_USER: what it compares, what it writes back, when it marks a repair.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>

#include "common/program.h"
#include "device/device_kinds.h"
#include "platform/device_profile.h"
#include "settings/settings.h"
#include "sound/mute_engine.h"
#include "sound/sound_protection.h"
#include "support/fake_device.h"
#include "support/program_state.h"
#include "support/scratch_registry.h"

namespace {

constexpr DWORD kLoud = 0x00010002;

struct Platform {
  const char* name;
  DeviceKind kind;
  bool v3, v4, phone;
};
const Platform kPlatforms[] = {
    {"older platform", DeviceKind::OlderCe, false, false, false},
    {"Pocket PC 2002", DeviceKind::PocketPc2002, true, false, false},
    {"Pocket PC 2003", DeviceKind::PocketPc2003, false, true, false},
    {"Pocket PC 2003 phone", DeviceKind::PocketPc2003Phone, false, true, true},
};

class ProtectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::ResetDevice();
    ResetTestProgramState();
  }
  void TearDown() override { ResetTestProgramState(); }

  // A fresh device of this kind whose live values are exactly the protected ones.
  void UseDevice(const Platform& p) {
    PopulateSoundKeys(scratch_.root(), p.kind);
    const DeviceKindInfo& info = KindInfo(p.kind);
    fake::device().osMajor = info.osMajor;
    fake::device().platformType = info.platformType;
    DetectDeviceProfile(Program.Instance);
    EditSettings([&](SettingsRecord& s) {
      s.SoundProtection = {true, false, true};
      s.SPMute = Live(kMuteValue);
      s.SPScreen = Live(kScreenValue);
      s.SPKey = Live(kKeyValue);
      s.SPVolume = 0x33333333;
    });
    fake::device().refreshes = 0;
    ResetSoundProtectionState();
  }

  DWORD Live(const wchar_t* name) { return RegDword(scratch_.root(), kVolumeKeyPath, name); }
  void SetLive(const wchar_t* name, DWORD value) {
    RegPutDword(scratch_.root(), kVolumeKeyPath, name, value);
  }
  // Marks "Volume" so that any rewrite of the key shows: the check reads the value whatever its
  // type, and a write stores it as REG_DWORD.
  void MarkVolume() {
    const DWORD volume = Live(kVolumeValue);
    RegPutRaw(scratch_.root(), kVolumeKeyPath, kVolumeValue, REG_BINARY, &volume, sizeof volume);
  }
  bool VolumeRewritten() {
    return RegType(scratch_.root(), kVolumeKeyPath, kVolumeValue) == REG_DWORD;
  }
  int Refreshes() { return fake::device().refreshes; }

  ScratchHkcu scratch_;

 public:
  HKEY root() const { return scratch_.root(); }
};

TEST_F(ProtectionTest, NothingChangedMeansNothingWrittenOnAnyDevice) {
  for (const auto& p : kPlatforms) {
    SCOPED_TRACE(p.name);
    UseDevice(p);
    MarkVolume();
    for (int tick = 0; tick < 3; ++tick) ProtectSoundSettings();
    EXPECT_FALSE(VolumeRewritten());
    EXPECT_EQ(0, Refreshes());
    EXPECT_EQ(0u, SoundProtectionState.LastProtected);
  }
}

TEST_F(ProtectionTest, AChangedButtonOrTapSoundIsPutBackOnEveryDevice) {
  struct Change {
    const wchar_t* value;
    DWORD changedTo;
  } changes[] = {{kKeyValue, 0}, {kKeyValue, 1}, {kScreenValue, kLoud}, {kScreenValue, 0}};
  for (const auto& p : kPlatforms) {
    for (const auto& c : changes) {
      SCOPED_TRACE(testing::Message() << p.name << ", " << c.changedTo);
      UseDevice(p);
      const DWORD volume = Live(kVolumeValue);
      const DWORD wanted = Live(c.value);
      const DWORD ringer = Live(kRingerValue);
      SetLive(c.value, c.changedTo);
      fake::device().waveVolume = 0x12341234;

      ProtectSoundSettings();

      EXPECT_EQ(wanted, Live(c.value));
      EXPECT_EQ(volume, Live(kVolumeValue)) << "the volume goes back as it was read";
      EXPECT_EQ(ringer, Live(kRingerValue)) << "the ring volume goes back as it was read";
      EXPECT_EQ(p.phone, RegValueExists(scratch_.root(), kVolumeKeyPath, kRingerValue));
      EXPECT_EQ(1, Refreshes());
      EXPECT_EQ(fake::device().utcNow, SoundProtectionState.LastProtected);
      EXPECT_EQ(0x12341234u, fake::device().waveVolume) << "the wave volume is never touched";
      EXPECT_EQ(0, fake::device().volumeWrites);
    }
  }
}

TEST_F(ProtectionTest, TheSoundClassMaskIsProtectedOnlyOnAnOlderPlatform) {
  for (const auto& p : kPlatforms) {
    SCOPED_TRACE(p.name);
    UseDevice(p);
    SetLive(kMuteValue, 2);
    MarkVolume();

    ProtectSoundSettings();
    ProtectSoundSettings();

    const bool older = !p.v3 && !p.v4;
    EXPECT_EQ(older ? Settings.SPMute : 2u, Live(kMuteValue));
    EXPECT_EQ(older, VolumeRewritten());
    EXPECT_EQ(older ? 1 : 0, Refreshes()) << "once repaired, the next tick finds nothing";
    EXPECT_EQ(older ? fake::device().utcNow : 0u, SoundProtectionState.LastProtected);
  }
}

TEST_F(ProtectionTest, LastProtectedMovesOnlyWithARepair) {
  UseDevice(kPlatforms[2]);
  SetLive(kKeyValue, 0);
  ProtectSoundSettings();
  const ULONGLONG first = SoundProtectionState.LastProtected;
  ASSERT_NE(0u, first);

  fake::AdvanceClock(60);
  ProtectSoundSettings();
  EXPECT_EQ(first, SoundProtectionState.LastProtected);

  SetLive(kScreenValue, 0);
  ProtectSoundSettings();
  EXPECT_EQ(first + fake::Seconds(60), SoundProtectionState.LastProtected);
  EXPECT_EQ(2, Refreshes());
}

TEST_F(ProtectionTest, OnlyTheProtectModeWithProtectionOnAndNoMuteActs) {
  struct Row {
    const char* name;
    SoundProtectionFlags flags;
    bool muted;
  } rows[] = {
      {"protection off", {false, false, true}, false},
      {"warning only", {true, true, false}, false},
      {"neither mode", {true, false, false}, false},
      {"muted by the program", {true, false, true}, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    UseDevice(kPlatforms[0]);
    EditSettings([&](SettingsRecord& s) { s.SoundProtection = row.flags; });
    if (row.muted) MuteByChoice();
    fake::device().refreshes = 0;
    SetLive(kKeyValue, 0);
    SetLive(kMuteValue, 0);

    ProtectSoundSettings();

    EXPECT_EQ(0u, Live(kKeyValue));
    EXPECT_EQ(0u, Live(kMuteValue));
    EXPECT_EQ(0, Refreshes());
    EXPECT_EQ(0u, SoundProtectionState.LastProtected);
    if (row.muted) RestoreByChoice();
  }
}

// A key the check cannot read whole is left as it is: writing back what was never read would
// store a volume or ring volume of 0.
TEST_F(ProtectionTest, AnIncompleteReadWritesNothing) {
  struct Row {
    const char* name;
    int platform;
    std::function<void(ProtectionTest&)> spoil;
  } rows[] = {
      {"no Volume value", 2,
       [](ProtectionTest& t) { RegDeleteValueAt(t.root(), kVolumeKeyPath, kVolumeValue); }},
      {"Volume too long", 0,
       [](ProtectionTest& t) {
         const ULONGLONG wide = 0x1111111122222222ULL;
         RegPutRaw(t.root(), kVolumeKeyPath, kVolumeValue, REG_QWORD, &wide, sizeof wide);
       }},
      {"no Key value", 1,
       [](ProtectionTest& t) { RegDeleteValueAt(t.root(), kVolumeKeyPath, kKeyValue); }},
      {"no Ringer value on a phone", 3,
       [](ProtectionTest& t) { RegDeleteValueAt(t.root(), kVolumeKeyPath, kRingerValue); }},
      {"no Volume key", 3, [](ProtectionTest& t) { RegDeleteTreeW(t.root(), kVolumeKeyPath); }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    UseDevice(kPlatforms[row.platform]);
    SetLive(kScreenValue, 0);
    EditSettings([&](SettingsRecord& s) { s.SPScreen = 1; });
    row.spoil(*this);

    ProtectSoundSettings();

    EXPECT_FALSE(RegValueExists(scratch_.root(), kVolumeKeyPath, kVolumeValue) &&
                 RegType(scratch_.root(), kVolumeKeyPath, kVolumeValue) == REG_DWORD &&
                 Live(kVolumeValue) == 0)
        << "no volume of 0 may be written";
    EXPECT_EQ(0, Refreshes());
    EXPECT_EQ(0u, SoundProtectionState.LastProtected);
  }
}

// The check keeps the volume key open between ticks; a key deleted under it and made again is
// the one it repairs, whether or not a tick ran while the key was missing.
TEST_F(ProtectionTest, AVolumeKeyDeletedAndMadeAgainIsTheOneRepaired) {
  for (const bool tickWhileMissing : {false, true}) {
    SCOPED_TRACE(tickWhileMissing ? "a tick while it was missing" : "no tick in between");
    const Platform& p = kPlatforms[3];
    UseDevice(p);
    ProtectSoundSettings();

    RegDeleteTreeW(scratch_.root(), kVolumeKeyPath);
    if (tickWhileMissing) {
      ProtectSoundSettings();
      HKEY probe{};
      EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExW(scratch_.root(), kVolumeKeyPath, 0, KEY_READ, &probe))
          << "a missing key is never made by the check";
      if (probe) RegCloseKey(probe);
    }
    PopulateSoundKeys(scratch_.root(), p.kind);
    const DWORD ringer = Live(kRingerValue);
    SetLive(kKeyValue, 0);

    ProtectSoundSettings();

    EXPECT_EQ(Settings.SPKey, Live(kKeyValue));
    EXPECT_EQ(ringer, Live(kRingerValue));
    EXPECT_EQ(1, Refreshes());
    ProtectSoundSettings();
    EXPECT_EQ(1, Refreshes()) << "once repaired, the next tick finds nothing";
  }
}

TEST_F(ProtectionTest, APhonesRingVolumeIsKept) {
  UseDevice(kPlatforms[3]);
  SetLive(kRingerValue, 0x44444444);
  SetLive(kKeyValue, 0);
  ProtectSoundSettings();
  EXPECT_EQ(0x44444444u, Live(kRingerValue));
  EXPECT_EQ(Settings.SPKey, Live(kKeyValue));
}

TEST_F(ProtectionTest, SavingWritesTheFiveValuesAsDwords) {
  struct Row {
    SoundProtectionFlags flags;
    DWORD packed;
  } rows[] = {
      {{false, false, false}, 0}, {{true, false, false}, 1}, {{true, true, false}, 3},
      {{true, false, true}, 5},   {{false, true, true}, 6},  {{true, true, true}, 7},
  };
  // A value of the wrong type is replaced, not left behind.
  RegPutText(scratch_.root(), kSettingsKeyPath, L"SPMute", L"seven");
  for (const auto& row : rows) {
    SettingsRecord edited = Settings;
    edited.SoundProtection = row.flags;
    edited.SPVolume = 0xCCCCCCCC;
    edited.SPMute = 5;
    edited.SPScreen = kLoud;
    edited.SPKey = 1;
    CommitSettings(edited, SettingsGroup::SoundProtection);

    EXPECT_EQ(row.packed, RegDword(scratch_.root(), kSettingsKeyPath, L"SoundProtection"));
    EXPECT_EQ(0xCCCCCCCCu, RegDword(scratch_.root(), kSettingsKeyPath, L"SPVolume"));
    EXPECT_EQ(5u, RegDword(scratch_.root(), kSettingsKeyPath, L"SPMute"));
    EXPECT_EQ(kLoud, RegDword(scratch_.root(), kSettingsKeyPath, L"SPScreen"));
    EXPECT_EQ(1u, RegDword(scratch_.root(), kSettingsKeyPath, L"SPKey"));
    for (const wchar_t* name : {L"SoundProtection", L"SPVolume", L"SPMute", L"SPScreen", L"SPKey"}) {
      EXPECT_EQ(static_cast<DWORD>(REG_DWORD), RegType(scratch_.root(), kSettingsKeyPath, name));
      EXPECT_EQ(4u, RegSize(scratch_.root(), kSettingsKeyPath, name));
    }
  }
}

}  // namespace
