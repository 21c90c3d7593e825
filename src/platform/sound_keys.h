// The device's sound settings below HKEY_CURRENT_USER: the key of each group of values, which
// kinds of device keep it, and where the program's string table holds its name. The program, the
// emulated device and the tests all take the names from here. Also read by windres (the texts
// and ids are plain macros for it).
#pragma once

// String-table ids and key paths. The program loads the names of its device's keys from its
// string table at start-up.
#define IDS_KEY_VOLUME 13
#define IDS_KEY_VOLUME_UNMUTED 17
#define IDS_KEY_SHELL_OVERRIDES 19
#define IDS_KEY_RING_CATEGORY 20
#define IDS_KEY_RING_TONE 21
#define IDS_KEY_EAR_COUPLE 22

#define QM_KEY_VOLUME "ControlPanel\\Volume"
#define QM_KEY_VOLUME_UNMUTED "ControlPanel\\VolumeUnmuted"
#define QM_KEY_SHELL_OVERRIDES "ControlPanel\\Notifications\\ShellOverrides"
#define QM_KEY_RING_CATEGORY "ControlPanel\\SoundCategories\\Ring"
#define QM_KEY_RING_TONE "ControlPanel\\Sounds\\RingTone0"
#define QM_KEY_EAR_COUPLE "ControlPanel\\EarCouple"

#ifndef RC_INVOKED
#include <windows.h>

#define QM_WIDE_TEXT_(text) L##text
#define QM_WIDE_TEXT(text) QM_WIDE_TEXT_(text)

// The wave volume and the screen-tap and button sounds (kVolumeValue, kMuteValue, kScreenValue,
// kKeyValue; a Pocket PC 2003 phone also kRingerValue). Every kind.
inline constexpr wchar_t kVolumeKeyPath[] = QM_WIDE_TEXT(QM_KEY_VOLUME);
// The values to come back to after a silence, on the older platform (kVolumeValue, kMuteValue,
// kScreenValue, kKeyValue).
inline constexpr wchar_t kVolumeUnmutedKeyPath[] = QM_WIDE_TEXT(QM_KEY_VOLUME_UNMUTED);
// The shell's ringer mode and its own saved values (kSavedVolumeValue, kModeValue,
// kSavedScreenValue, kSavedKeyValue; a Pocket PC 2003 phone also kSavedRingerVolumeValue).
// Every Pocket PC.
inline constexpr wchar_t kShellOverridesKeyPath[] = QM_WIDE_TEXT(QM_KEY_SHELL_OVERRIDES);
// The ring tone (kSoundValue, kSavedSoundValue). A phone; its presence is what makes a device a
// phone.
inline constexpr wchar_t kRingToneKeyPath[] = QM_WIDE_TEXT(QM_KEY_RING_TONE);
// The ring's initial volume (kInitVolValue) and the ear-couple setting (kEarCoupleValue). Pocket
// PC 2003 phone.
inline constexpr wchar_t kRingCategoryKeyPath[] = QM_WIDE_TEXT(QM_KEY_RING_CATEGORY);
inline constexpr wchar_t kEarCoupleKeyPath[] = QM_WIDE_TEXT(QM_KEY_EAR_COUPLE);

// The names of the values under those keys: numbers (REG_DWORD) but for the ring tones (REG_SZ).
inline constexpr wchar_t kVolumeValue[] = L"Volume";
inline constexpr wchar_t kMuteValue[] = L"Mute";
inline constexpr wchar_t kScreenValue[] = L"Screen";
inline constexpr wchar_t kKeyValue[] = L"Key";
inline constexpr wchar_t kRingerValue[] = L"Ringer";
inline constexpr wchar_t kModeValue[] = L"Mode";  // one of the ringer modes below
inline constexpr wchar_t kSavedVolumeValue[] = L"SavedVolume";
inline constexpr wchar_t kSavedScreenValue[] = L"SavedScreen";
inline constexpr wchar_t kSavedKeyValue[] = L"SavedKey";
inline constexpr wchar_t kSavedRingerVolumeValue[] = L"SavedRingerVolume";
inline constexpr wchar_t kSoundValue[] = L"Sound";  // a sound file's path or a marker below
inline constexpr wchar_t kSavedSoundValue[] = L"SavedSound";
inline constexpr wchar_t kInitVolValue[] = L"InitVol";
inline constexpr wchar_t kEarCoupleValue[] = L"EarCouple";

// The shell's ringer modes.
inline constexpr DWORD kRingerModeRing = 0;
inline constexpr DWORD kRingerModeVibrate = 1;
inline constexpr DWORD kRingerModeOff = 2;

// Ring tones that are no sound file (matched exactly, case and all).
inline constexpr wchar_t kRingToneNone[] = L"*none*";
inline constexpr wchar_t kRingToneVibrate[] = L"*vibrate*";

// Which of the keys a device keeps, from what the program can tell about it.
struct SoundKeySet {
  bool volumeUnmuted = false;
  bool shellOverrides = false;
  bool ringTone = false;
  bool ringCategory = false;
  bool earCouple = false;
};
inline constexpr SoundKeySet SoundKeysOf(bool pocketPcV3, bool pocketPcV4, bool phone) {
  SoundKeySet keys;
  if (!pocketPcV3 && !pocketPcV4) {
    keys.volumeUnmuted = true;
    return keys;
  }
  keys.shellOverrides = true;
  keys.ringTone = phone;
  keys.ringCategory = phone && pocketPcV4;
  keys.earCouple = phone && pocketPcV4;
  return keys;
}

// Every key, in a fixed order.
inline constexpr const wchar_t* kSoundKeyPaths[] = {kVolumeKeyPath,         kVolumeUnmutedKeyPath,
                                                    kShellOverridesKeyPath, kRingToneKeyPath,
                                                    kRingCategoryKeyPath,   kEarCoupleKeyPath};
#endif
