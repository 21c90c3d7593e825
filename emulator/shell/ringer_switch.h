// What the ringer buttons of the volume pop-up do to the device's sound on a Pocket PC. Leaving
// ring mode keeps the live wave volume, screen-tap and key-click sounds (and a phone's ring
// volume) in the shell's saved values and silences them; coming back to ring mode gives them
// back. Between vibrate and off only the mode changes, so a silence that another program made,
// writing the values to come back to and the mode itself before pressing the button, keeps what
// that program saved.
#pragma once
#include <windows.h>

#include "platform/sound_keys.h"

// kModeValue under the shell's overrides key.
enum class RingerMode : DWORD {
  Ring = kRingerModeRing,
  Vibrate = kRingerModeVibrate,
  Off = kRingerModeOff
};

// Switches to `mode` and refreshes the device's sound settings. False when nothing changed: the
// device is in that mode already, or it keeps no ringer mode (the older platform).
bool SwitchRinger(RingerMode mode);
