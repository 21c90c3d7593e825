#include "sound/sound_env.h"

#include <gtest/gtest.h>

#include "app/startup.h"
#include "app/tray_icon.h"
#include "appfilter/app_filter.h"
#include "meetings/meeting_state.h"
#include "settings/settings.h"
#include "sound/mute_engine.h"
#include "support/fake_device.h"

namespace soundtest {

void SetUpDevice(const ScratchHkcu& hkcu, DeviceKind kind) {
  fake::ResetDevice();
  const DeviceKindInfo& info = KindInfo(kind);
  fake::device().osMajor = info.osMajor;
  fake::device().platformType = info.platformType;
  PopulateSoundKeys(hkcu.root(), kind);

  AppInstance = GetModuleHandleW(nullptr);
  DetectPlatform(AppInstance);
  for (int id : {IDI_IDLE, IDI_MUTED, IDI_MUTED_USER_RESTORE, IDI_FILTER_HOLD}) {
    fake::RememberIcon(LoadProgramIcon(id), id);
  }

  Settings = SettingsRecord{};
  Muted = false;
  ExtendToPowerOn = false;
  UserRestoreAllowed = false;
  MuteUntil = 0;
  SavedSoundState = SoundState{};
  SoundStateSaved = false;
  RingToneSaved = false;
  FilterHold = false;
  FilteredAppRunning = false;
  MeetingState = MeetingStateRecord{};
}

void ExpectValues(HKEY root, const std::vector<Expected>& values, const std::string& when) {
  for (const Expected& e : values) {
    const DWORD actual = RegDword(root, e.key, e.name, kAbsent);
    std::wstring wide = std::wstring(e.key) + L"\\" + e.name;
    EXPECT_EQ(actual, e.value) << when << ": " << std::string(wide.begin(), wide.end())
                               << std::hex << " is 0x" << actual << ", expected 0x" << e.value;
  }
}

std::string KindName(DeviceKind kind) {
  const std::wstring name = KindInfo(kind).name;
  return std::string(name.begin(), name.end());
}

}  // namespace soundtest
