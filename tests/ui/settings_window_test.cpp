// The settings window with its real pages on the fake handheld: a page left is stored at once,
// and OK stores the rest while Cancel drops it.
#include <gtest/gtest.h>
#include <windows.h>

#include "common/program.h"
#include "device/device_kinds.h"
#include "platform/device_profile.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "support/dialog_driver.h"
#include "support/fake_device.h"
#include "support/program_state.h"
#include "support/scratch_registry.h"
#include "support/test_main_window.h"
#include "ui/settings_window.h"
#include "ui/window_driver.h"

namespace {

class SettingsWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::ResetDevice();
    ResetProgramState();
    PopulateSoundKeys(hkcu_.root(), DeviceKind::PocketPc2003);
    DetectDeviceProfile(Program.Instance);
    LoadSettings();
    ASSERT_NE(nullptr, CreateTestMainWindow());
  }
  void TearDown() override { DestroyTestMainWindow(); }

  // Opens the window, turns the meeting link on, leaves for the Apps tab, turns filtering on
  // there, and closes the window with OK or Cancel.
  void LinkThenFilterThenClose(bool ok) {
    bool driven = false;
    WhenWindowAppears(L"#32770", L"QuietMinder", [&](HWND window) {
      driven = ChooseTab(window, kMeetingsPage) && TapControl(window, IDC_MEET_LINK) &&
               ChooseTab(window, kAppsPage) && TapControl(window, IDC_APPS_ENABLE);
      CloseSettingsWindow(window, ok);
    });
    RunSettingsWindow(Program.MainWindow);
    EXPECT_TRUE(driven);
  }
  DWORD Stored(const wchar_t* name) { return RegDword(hkcu_.root(), kSettingsKeyPath, name); }

  ScratchHkcu hkcu_;
};

TEST_F(SettingsWindow, CancelKeepsWhatLeavingATabStoredAndDropsTheRest) {
  LinkThenFilterThenClose(false);
  EXPECT_EQ(1u, Stored(L"EnablePOLink"));
  EXPECT_EQ(0u, Stored(L"EnableAppFilter"));
  EXPECT_FALSE(Settings.EnableAppFilter);
}

TEST_F(SettingsWindow, OkStoresThePageStillShown) {
  LinkThenFilterThenClose(true);
  EXPECT_EQ(1u, Stored(L"EnablePOLink"));
  EXPECT_EQ(1u, Stored(L"EnableAppFilter"));
}

}  // namespace
