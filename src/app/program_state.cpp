#include "app/program_state.h"

#include "appfilter/app_filter.h"
#include "meetings/meeting_state.h"
#include "platform/device_profile.h"
#include "settings/settings.h"
#include "sound/mute_engine.h"
#include "sound/sound_protection.h"
#include "sound/taskbar_volume.h"

void ResetProgramState() {
  UseSettings(SettingsRecord{});
  ResetDeviceProfile();
  ResetMuteState();
  ResetMeetingState();
  ResetFilterState();
  ResetTaskBarVolumeState();
  ResetSoundProtectionState();
}
