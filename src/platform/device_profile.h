// The kind of device the program runs on: its platform flags and the names of its sound keys.
#pragma once
#include <windows.h>

// Registry key names of the device's sound settings below HKEY_CURRENT_USER; null where the
// device has no such key.
struct SoundKeyNames {
  const wchar_t* Volume = nullptr;
  const wchar_t* VolumeUnmuted = nullptr;   // older platform
  const wchar_t* ShellOverrides = nullptr;  // Pocket PC
  const wchar_t* RingTone = nullptr;        // phone
  const wchar_t* RingCategory = nullptr;    // Pocket PC 2003 phone
  const wchar_t* EarCouple = nullptr;       // Pocket PC 2003 phone
};

struct DeviceProfileRecord {
  bool IsPocketPcV3 = false;  // Pocket PC 2002 (Windows CE 3)
  bool IsPocketPcV4 = false;  // Pocket PC 2003 (Windows CE 4)
  bool HasPhone = false;
  SoundKeyNames SoundKeys;
};

// Read-only. Written only by DetectDeviceProfile; all zero until then.
extern const DeviceProfileRecord& DeviceProfile;

// Works out the flags from the system's major version, its platform type and whether the ring
// tone key exists, and loads the names of the keys such a device keeps from the string table of
// `resources`.
void DetectDeviceProfile(HINSTANCE resources);
void ResetDeviceProfile();

// A device with neither Pocket PC flag.
inline bool IsOlderPlatform() { return !DeviceProfile.IsPocketPcV3 && !DeviceProfile.IsPocketPcV4; }
inline bool IsPocketPc() { return !IsOlderPlatform(); }
inline bool IsPocketPc2003Phone() { return DeviceProfile.IsPocketPcV4 && DeviceProfile.HasPhone; }
