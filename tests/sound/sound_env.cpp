#include "sound/sound_env.h"

#include <gtest/gtest.h>

#include "common/program.h"
#include "common/tray_icon.h"
#include "platform/device_profile.h"
#include "support/fake_device.h"
#include "support/program_state.h"

namespace soundtest {

void SetUpDevice(const ScratchHkcu& hkcu, DeviceKind kind) {
  fake::ResetDevice();
  const DeviceKindInfo& info = KindInfo(kind);
  fake::device().osMajor = info.osMajor;
  fake::device().platformType = info.platformType;
  PopulateSoundKeys(hkcu.root(), kind);

  ResetTestProgramState();
  DetectDeviceProfile(Program.Instance);
  for (int id : {IDI_IDLE, IDI_MUTED, IDI_MUTED_USER_RESTORE, IDI_FILTER_HOLD}) {
    fake::RememberIcon(LoadProgramIcon(id), id);
  }
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
