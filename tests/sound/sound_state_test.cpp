// The registry operations of the device's sound state: value names, order, the stop at the first
// failure, the phone-only values and hostile stored data; and the words the owner reads them in.
#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "common/program.h"
#include "platform/device_profile.h"
#include "platform/sound_words.h"
#include "sound/sound_env.h"
#include "sound/sound_state.h"

using namespace soundtest;

namespace {

SoundState Primed(DWORD number, wchar_t letter) {
  SoundState s;
  for (DWORD* f : {&s.Volume, &s.Mute, &s.Screen, &s.Key, &s.Mode, &s.Ringer, &s.InitVol,
                   &s.EarCouple}) {
    *f = number;
  }
  wmemset(s.Sound, letter, kSoundTextChars - 1);
  wmemset(s.SavedSound, letter, kSoundTextChars - 1);
  return s;
}

class SoundStateOps : public ::testing::Test {
 protected:
  void Use(DeviceKind kind) { SetUpDevice(hkcu_, kind); }
  HKEY root() const { return hkcu_.root(); }
  ScratchHkcu hkcu_;
};

TEST_F(SoundStateOps, ReadsEachKeyUnderItsOwnNamesAndRingerOnlyOnThePhone) {
  for (DeviceKind kind : {DeviceKind::PocketPc2003, DeviceKind::PocketPc2003Phone}) {
    Use(kind);
    const bool phone = kind == DeviceKind::PocketPc2003Phone;
    RegPutDword(root(), kShellOverridesKeyPath, kSavedRingerVolumeValue, 0x12341234);
    RegPutDword(root(), kVolumeKeyPath, kRingerValue, 0x56785678);

    SoundState live = Primed(0x77, L'x');
    EXPECT_EQ(0, ReadVolumeKey(DeviceProfile.SoundKeys.Volume, live));
    EXPECT_EQ(0x99999999u, live.Volume);
    EXPECT_EQ(7u, live.Mute);
    EXPECT_EQ(1u, live.Screen);
    EXPECT_EQ(0x00010002u, live.Key);
    EXPECT_EQ(phone ? 0x56785678u : 0x77u, live.Ringer) << KindName(kind);
    EXPECT_EQ(0x77u, live.Mode);

    SoundState shell = Primed(0x77, L'x');
    EXPECT_EQ(0, ReadShellSaved(DeviceProfile.SoundKeys.ShellOverrides, shell));
    EXPECT_EQ(0x99999999u, shell.Volume);
    EXPECT_EQ(0u, shell.Mode);
    EXPECT_EQ(phone ? 0x12341234u : 0x77u, shell.Ringer) << KindName(kind);
  }
}

TEST_F(SoundStateOps, WritesTouchOnlyTheirOwnValues) {
  Use(DeviceKind::PocketPc2003Phone);
  SoundState s = Primed(0x21, L'y');

  ASSERT_EQ(0, WriteVolumeKey(DeviceProfile.SoundKeys.Volume, s));
  ExpectValues(root(),
               {{kVolumeKeyPath, kVolumeValue, 0x21},
                {kVolumeKeyPath, kMuteValue, 0x21},
                {kVolumeKeyPath, kScreenValue, 0x21},
                {kVolumeKeyPath, kKeyValue, 0x21},
                {kVolumeKeyPath, kRingerValue, 0xCCCCCCCC}},
               "WriteVolumeKey leaves Ringer");

  s = Primed(0x42, L'y');
  ASSERT_EQ(0, WriteVolumeKeyNoMute(DeviceProfile.SoundKeys.Volume, s));
  ExpectValues(root(),
               {{kVolumeKeyPath, kVolumeValue, 0x42},
                {kVolumeKeyPath, kMuteValue, 0x21},
                {kVolumeKeyPath, kScreenValue, 0x42},
                {kVolumeKeyPath, kKeyValue, 0x42},
                {kVolumeKeyPath, kRingerValue, 0x42}},
               "WriteVolumeKeyNoMute leaves Mute");

  ASSERT_EQ(0, WriteShellSaved(DeviceProfile.SoundKeys.ShellOverrides, s));
  ExpectValues(root(),
               {{kShellOverridesKeyPath, kSavedVolumeValue, 0x42},
                {kShellOverridesKeyPath, kModeValue, 0x42},
                {kShellOverridesKeyPath, kSavedScreenValue, 0x42},
                {kShellOverridesKeyPath, kSavedKeyValue, 0x42},
                {kShellOverridesKeyPath, kSavedRingerVolumeValue, 0x42},
                {kShellOverridesKeyPath, kVolumeValue, kAbsent}},
               "WriteShellSaved");
}

TEST_F(SoundStateOps, RingerIsNeverWrittenOffThePhone) {
  Use(DeviceKind::PocketPc2002);
  const SoundState s = Primed(5, L'z');
  WriteVolumeKeyNoMute(DeviceProfile.SoundKeys.Volume, s);
  WriteShellSaved(DeviceProfile.SoundKeys.ShellOverrides, s);
  EXPECT_FALSE(RegValueExists(root(), kVolumeKeyPath, kRingerValue));
  EXPECT_FALSE(RegValueExists(root(), kShellOverridesKeyPath, kSavedRingerVolumeValue));
}

TEST_F(SoundStateOps, AMissingKeyOrOneThePlatformLacksChangesNothing) {
  Use(DeviceKind::PocketPc2003);
  ASSERT_EQ(nullptr, DeviceProfile.SoundKeys.EarCouple);
  SoundState s = Primed(9, L'q');
  const SoundState before = s;
  EXPECT_NE(0, ReadEarCouple(DeviceProfile.SoundKeys.EarCouple, s));
  EXPECT_NE(0, WriteEarCouple(DeviceProfile.SoundKeys.EarCouple, s));
  EXPECT_NE(0, ReadRingTone(kRingToneKeyPath, s));
  EXPECT_NE(0, WriteRingVolume(kRingCategoryKeyPath, s));
  EXPECT_EQ(0, memcmp(&before, &s, sizeof s));
  EXPECT_FALSE(RegValueExists(root(), kRingCategoryKeyPath, kInitVolValue));
  HKEY key{};
  EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExW(root(), kRingCategoryKeyPath, 0, KEY_READ, &key));
}

TEST_F(SoundStateOps, AReadStopsAtTheFirstValueThatFails) {
  Use(DeviceKind::OlderCe);
  RegDeleteValueAt(root(), kVolumeKeyPath, kMuteValue);
  SoundState s = Primed(0x33, L'q');
  EXPECT_NE(0, ReadVolumeKey(DeviceProfile.SoundKeys.Volume, s));
  EXPECT_EQ(0x99999999u, s.Volume);
  EXPECT_EQ(0x33u, s.Mute);
  EXPECT_EQ(0x33u, s.Screen) << "Screen is read after the failed Mute";
  EXPECT_EQ(0x33u, s.Key);
}

TEST_F(SoundStateOps, NumbersOfTheWrongTypeOrSize) {
  Use(DeviceKind::OlderCe);
  const BYTE two[2] = {0x05, 0x00};
  RegPutRaw(root(), kVolumeKeyPath, kMuteValue, REG_BINARY, two, sizeof two);
  RegPutText(root(), kVolumeKeyPath, kKeyValue, L"loud");  // 10 bytes: does not fit
  SoundState s = Primed(0xFFFFFFFF, L'q');
  EXPECT_NE(0, ReadVolumeKey(DeviceProfile.SoundKeys.Volume, s));
  EXPECT_EQ(5u, s.Mute) << "a short value fills the low bytes, the rest is zero";
  EXPECT_EQ(1u, s.Screen);
  EXPECT_EQ(0xFFFFFFFFu, s.Key) << "a value longer than 4 bytes is not read";
}

TEST_F(SoundStateOps, RingToneReadLimits) {
  Use(DeviceKind::PocketPc2003Phone);
  struct Row {
    size_t length;
    bool fits;
  };
  for (const Row row : {Row{259, true}, Row{260, false}, Row{300, false}}) {
    const std::wstring tone(row.length, L'T');
    RegPutText(root(), kRingToneKeyPath, kSoundValue, tone);
    RegPutText(root(), kRingToneKeyPath, kSavedSoundValue, L"\\Windows\\Old.wav");
    SoundState s = Primed(1, L'q');
    bool soundRead = true;
    const LONG status = ReadRingTone(DeviceProfile.SoundKeys.RingTone, s, &soundRead);
    EXPECT_EQ(row.fits, status == 0) << row.length;
    EXPECT_EQ(row.fits, soundRead) << row.length;
    EXPECT_EQ(L'\0', s.Sound[kSoundTextChars - 1]) << "terminator of the record is kept";
    if (row.fits) {
      EXPECT_EQ(tone, std::wstring(s.Sound));
      EXPECT_STREQ(L"\\Windows\\Old.wav", s.SavedSound);
    } else {
      EXPECT_EQ(std::wstring(kSoundTextChars - 1, L'q'), std::wstring(s.Sound));
      EXPECT_EQ(std::wstring(kSoundTextChars - 1, L'q'), std::wstring(s.SavedSound))
          << "SavedSound is not read when Sound failed";
    }
  }
}

TEST_F(SoundStateOps, RingToneOfAnotherTypeIsReadTerminated) {
  Use(DeviceKind::PocketPc2003Phone);
  const DWORD number = 0x00420041;  // "AB" without a terminator
  RegPutRaw(root(), kRingToneKeyPath, kSoundValue, REG_DWORD, &number, sizeof number);
  SoundState s = Primed(1, L'q');
  ReadRingTone(DeviceProfile.SoundKeys.RingTone, s);
  EXPECT_STREQ(L"AB", s.Sound);
}

TEST_F(SoundStateOps, RingToneWritesAreTerminatedStrings) {
  Use(DeviceKind::PocketPc2003Phone);
  SoundState s;
  wcscpy(s.SavedSound, L"\\Windows\\Ring.wav");
  ASSERT_EQ(0, WriteRingTone(DeviceProfile.SoundKeys.RingTone, s));
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), RegType(root(), kRingToneKeyPath, kSoundValue));
  EXPECT_EQ(2u, RegSize(root(), kRingToneKeyPath, kSoundValue));
  EXPECT_EQ((wcslen(s.SavedSound) + 1) * 2, RegSize(root(), kRingToneKeyPath, kSavedSoundValue));

  // A record that was never terminated still stores a text that reads back.
  SoundState unterminated = Primed(0, L'u');
  unterminated.Sound[kSoundTextChars - 1] = L'u';
  ASSERT_EQ(0, WriteRingTone(DeviceProfile.SoundKeys.RingTone, unterminated));
  SoundState back;
  EXPECT_EQ(0, ReadRingTone(DeviceProfile.SoundKeys.RingTone, back));
  EXPECT_EQ(259u, wcslen(back.Sound));
}

TEST(SoundStateConstants, MutedStateIsTheSilencedSet) {
  EXPECT_EQ(0u, MutedSoundState.Volume);
  EXPECT_EQ(0u, MutedSoundState.Mute);
  EXPECT_EQ(0u, MutedSoundState.Screen);
  EXPECT_EQ(0u, MutedSoundState.Key);
  EXPECT_EQ(2u, MutedSoundState.Mode);
  EXPECT_EQ(0u, MutedSoundState.Ringer);
  EXPECT_EQ(0u, MutedSoundState.InitVol);
  EXPECT_EQ(4u, MutedSoundState.EarCouple);
  EXPECT_STREQ(kRingToneNone, MutedSoundState.Sound);
  EXPECT_STREQ(kRingToneNone, MutedSoundState.SavedSound);
  EXPECT_TRUE(IsRingToneMarker(kRingToneVibrate));
  EXPECT_FALSE(IsRingToneMarker(L"*None*"));
}

TEST(SoundWordsTable, EachValueInTheOwnersWords) {
  constexpr auto kVolume = SoundValue::Volume, kRinger = SoundValue::RingerMode,
                 kClick = SoundValue::ClickSound, kClasses = SoundValue::SoundClasses;
  const struct {
    SoundValue what;
    DWORD value;
    const wchar_t* words;
  } cases[] = {
      {kVolume, 0, L"silent"}, {kVolume, 0x33333333, L"20%"}, {kVolume, 0xFFFFFFFF, L"100%"},
      {kVolume, 0x00010001, L"1%"}, {kVolume, 0xFFFEFFFE, L"99%"},  // neither silent nor full
      {kVolume, 0x66663333, L"20% left and 40% right"},
      {kRinger, 0, L"ring"}, {kRinger, 1, L"vibrate"}, {kRinger, 2, L"off"},
      {kRinger, 3, L"unknown (3)"}, {kRinger, 4294967295, L"unknown (4294967295)"},
      {kClick, 0, L"off"}, {kClick, 1, L"soft"}, {kClick, 0x00010002, L"loud"},
      {kClick, 2, L"unknown (2)"},
      {kClasses, 7, L"events, programs and notifications"}, {kClasses, 6, L"events and programs"},
      {kClasses, 0, L"none"}, {kClasses, 8, L"unknown (8)"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.words, SoundWords(c.what, c.value)) << c.value;
  EXPECT_EQ(L"none", RingToneWords(kRingToneNone));
  EXPECT_EQ(L"Ring-Classic.wav", RingToneWords(L"\\Windows\\Ring-Classic.wav"));
}

// Only silence reads "silent" and only a full channel "100%", whatever lies between.
TEST(SoundWordsTable, OnlyTheEndsOfTheScaleReadAsTheEnds) {
  for (DWORD channel = 0; channel <= 0xFFFF; ++channel) {
    const std::wstring words = SoundWords(SoundValue::Volume, channel << 16 | channel);
    ASSERT_EQ(channel == 0, words == L"silent") << channel;
    ASSERT_EQ(channel == 0xFFFF, words == L"100%") << channel;
  }
}

}  // namespace
