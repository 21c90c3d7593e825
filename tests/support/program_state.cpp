#include "support/program_state.h"

#include <windows.h>

#include "appfilter/app_filter.h"
#include "common/program.h"
#include "meetings/meeting_state.h"
#include "platform/device_profile.h"
#include "settings/settings.h"
#include "sound/mute_engine.h"
#include "sound/sound_protection.h"
#include "sound/taskbar_volume.h"

void ResetProgramState() {
  Settings = SettingsRecord{};
  ResetDeviceProfile();
  // The main window and its state belong to the test's window (test_main_window.h).
  const HWND mainWindow = Program.MainWindow;
  ResetProgram();
  Program.Instance = GetModuleHandleW(nullptr);
  Program.MainWindow = mainWindow;
  ResetMuteState();
  ResetMeetingState();
  ResetFilterState();
  ResetTaskBarVolumeState();
  ResetSoundProtectionState();
}
