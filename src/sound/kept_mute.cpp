#include "sound/kept_mute.h"

#include "common/registry.h"
#include "common/scoped.h"
#include "platform/program_names.h"
#include "platform/sound_keys.h"

namespace {

struct KeptValue {
  const wchar_t* name;
  DWORD SoundState::*field;
  SoundFields bit;
};
constexpr KeptValue kKeptValues[] = {{kVolumeValue, &SoundState::Volume, kSoundVolume},
                                     {kMuteValue, &SoundState::Mute, kSoundMute},
                                     {kScreenValue, &SoundState::Screen, kSoundScreen},
                                     {kKeyValue, &SoundState::Key, kSoundKey},
                                     {kRingerValue, &SoundState::Ringer, kSoundRinger},
                                     {kInitVolValue, &SoundState::InitVol, kSoundInitVol},
                                     {kEarCoupleValue, &SoundState::EarCouple, kSoundEarCouple}};

}  // namespace

void KeepMuteCopy(const KeptMute& mute) {
  RegKey key;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kKeptSoundKeyPath, 0, nullptr, 0, KEY_WRITE, nullptr,
                      key.put(), nullptr) != ERROR_SUCCESS) {
    return;
  }
  for (const KeptValue& v : kKeptValues) {
    if (mute.fields & v.bit) {
      SetDwordValue(key.get(), v.name, mute.state.*v.field);
    } else {
      RegDeleteValueW(key.get(), v.name);
    }
  }
  if (mute.ringTone) {
    SetStringValue(key.get(), kSavedSoundValue, mute.state.SavedSound);
  } else {
    RegDeleteValueW(key.get(), kSavedSoundValue);
  }
}

bool ReadKeptMute(KeptMute& mute) {
  RegKey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kKeptSoundKeyPath, 0, KEY_READ, key.put()) !=
      ERROR_SUCCESS) {
    return false;
  }
  KeptMute kept = mute;
  kept.fields = 0;
  for (const KeptValue& v : kKeptValues) {
    const LONG status = ReadDwordValue(key.get(), v.name, &(kept.state.*v.field));
    if (status == ERROR_SUCCESS) {
      kept.fields |= v.bit;
    } else if (status != ERROR_FILE_NOT_FOUND) {
      return false;
    }
  }
  kept.ringTone = ReadStringValue(key.get(), kSavedSoundValue, kept.state.SavedSound,
                                  kSoundTextChars - 1) == ERROR_SUCCESS;
  mute = kept;
  return true;
}

bool KeptMuteExists() {
  RegKey key;
  return RegOpenKeyExW(HKEY_CURRENT_USER, kKeptSoundKeyPath, 0, KEY_READ, key.put()) ==
         ERROR_SUCCESS;
}

void ForgetKeptMute() { RegDeleteKeyW(HKEY_CURRENT_USER, kKeptSoundKeyPath); }
