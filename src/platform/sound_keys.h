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
#define QM_WIDE_TEXT_(text) L##text
#define QM_WIDE_TEXT(text) QM_WIDE_TEXT_(text)

// The wave volume and the screen-tap and button sounds ("Volume", "Mute", "Screen", "Key"; a
// Pocket PC 2003 phone also "Ringer"). Every kind.
inline constexpr wchar_t kVolumeKeyPath[] = QM_WIDE_TEXT(QM_KEY_VOLUME);
// The values to come back to after a silence, on the older platform.
inline constexpr wchar_t kVolumeUnmutedKeyPath[] = QM_WIDE_TEXT(QM_KEY_VOLUME_UNMUTED);
// The shell's ringer mode and its own saved values ("SavedVolume", "Mode", "SavedScreen",
// "SavedKey"; a Pocket PC 2003 phone also "SavedRingerVolume"). Every Pocket PC.
inline constexpr wchar_t kShellOverridesKeyPath[] = QM_WIDE_TEXT(QM_KEY_SHELL_OVERRIDES);
// The ring tone ("Sound", "SavedSound"). A phone; its presence is what makes a device a phone.
inline constexpr wchar_t kRingToneKeyPath[] = QM_WIDE_TEXT(QM_KEY_RING_TONE);
// The ring's initial volume ("InitVol") and the ear-couple setting ("EarCouple"). Pocket PC
// 2003 phone.
inline constexpr wchar_t kRingCategoryKeyPath[] = QM_WIDE_TEXT(QM_KEY_RING_CATEGORY);
inline constexpr wchar_t kEarCoupleKeyPath[] = QM_WIDE_TEXT(QM_KEY_EAR_COUPLE);

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
