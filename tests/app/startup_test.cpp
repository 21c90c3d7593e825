// Start-up and shutdown of the whole program in this process, on the fake handheld: the order of
// the steps a user or the device can observe, and every failure row.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <string>
#include <thread>

#include "app/main_window.h"
#include "app/startup.h"
#include "common/program.h"
#include "common/scoped.h"
#include "device/device_kinds.h"
#include "platform/device_profile.h"
#include "platform/program_names.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "support/dialog_driver.h"
#include "support/fake_device.h"
#include "support/scratch_registry.h"
#include "support/test_main_window.h"

namespace {

HINSTANCE Self() { return GetModuleHandleW(nullptr); }

void UseKind(HKEY root, DeviceKind kind, bool withRingTone = true) {
  const DeviceKindInfo& info = KindInfo(kind);
  fake::device().osMajor = info.osMajor;
  fake::device().platformType = info.platformType;
  PopulateSoundKeys(root, kind);
  if (!withRingTone) RegDeleteTreeW(root, kRingToneKeyPath);
}

// What the program had done at the moment the check was made.
struct Moment {
  bool seen = false;
  size_t ioctls = 0;
  UINT_PTR timer = 0;
  bool settingsOpen = false;
};

class Startup : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::ResetDevice();
    UseSettings(SettingsRecord{});
    UseKind(hkcu_.root(), DeviceKind::PocketPc2003Phone);
    for (int id : {IDI_IDLE, IDI_MUTED, IDI_MUTED_USER_RESTORE, IDI_FILTER_HOLD}) {
      fake::RememberIcon(static_cast<HICON>(LoadImageW(Self(), MAKEINTRESOURCEW(id), IMAGE_ICON,
                                                       16, 16, LR_SHARED)),
                         id);
    }
  }
  void TearDown() override {
    EndProgramWindow();
    UseSettings(SettingsRecord{});
  }
  // The program leaves its hidden window to the end of the process; a test ends it quietly.
  static void EndProgramWindow() { DestroyTestMainWindow(); }

  // Runs the program; `whileRunning` runs once from its message loop, then the program is told
  // to exit as its Exit command does.
  int Run(const wchar_t* commandLine, std::function<void()> whileRunning = {}) {
    AfterDelay(150, [whileRunning] {
      if (whileRunning) whileRunning();
      PostMessageW(Program.MainWindow, WM_CLOSE, 1, 0);
    });
    const int rc = QuietMinderMain(Self(), commandLine);
    EndProgramWindow();
    return rc;
  }

  ScratchHkcu hkcu_;
};

TEST_F(Startup, ASilentStartStaysInTheNotificationAreaWithTheDriverAndTimerArmed) {
  Moment running;
  const int rc = Run(L"STARTUP", [&] {
    running = {true, fake::device().ioctls.size(), MainWindowState.CheckTimer,
               MainWindowState.SettingsWindowOpen};
  });
  EXPECT_EQ(0, rc);
  ASSERT_TRUE(running.seen);
  EXPECT_FALSE(running.settingsOpen);
  EXPECT_NE(0u, running.timer);
  EXPECT_EQ(1u, running.ioctls);

  const auto& d = fake::device();
  ASSERT_EQ(2u, d.ioctls.size());
  EXPECT_EQ(kPowerDriverSetWindow, d.ioctls[0].first);
  EXPECT_EQ(kPowerDriverClearWindow, d.ioctls[1].first);
  EXPECT_EQ(d.ioctls[0].second, d.ioctls[1].second);
  EXPECT_NE(0u, d.ioctls[0].second);
  EXPECT_EQ(1, d.driverRegistrations);
  EXPECT_EQ(1, d.driverDeregistrations);
  EXPECT_EQ(0, d.driverOpenFiles);

  ASSERT_GE(d.iconCalls.size(), 2u);
  const auto& add = d.iconCalls.front();
  EXPECT_EQ(static_cast<DWORD>(NIM_ADD), add.message);
  EXPECT_EQ(IDI_IDLE, add.resourceId);
  EXPECT_EQ(5000u, add.id);
  EXPECT_EQ(static_cast<UINT>(NIF_MESSAGE | NIF_ICON), add.flags);
  EXPECT_EQ(WM_TRAY_NOTIFY, add.callbackMessage);
  EXPECT_EQ(static_cast<DWORD>(NOTIFYICONDATAW_V1_SIZE), add.size);
  const auto& remove = d.iconCalls.back();
  EXPECT_EQ(static_cast<DWORD>(NIM_DELETE), remove.message);
  EXPECT_EQ(IDI_IDLE, remove.resourceId);
  EXPECT_TRUE(d.messageBoxes.empty());
  // The settings were loaded (and written back, on this fresh device).
  EXPECT_EQ(500u, RegDword(hkcu_.root(), kSettingsKeyPath, L"VolumeCheckInterval"));
}

TEST_F(Startup, AnyOtherCommandLineOpensTheSettingsWindowBeforeTheDriverAndTimer) {
  for (const wchar_t* line : {L"", L"startup", L"STARTUP now", L" STARTUP"}) {
    SCOPED_TRACE(testing::Message() << "command line '" << std::string(line, line + wcslen(line))
                                    << "'");
    fake::ResetDevice();
    Moment dialog;
    WhenWindowAppears(L"#32770", kSettingsWindowTitle, [&](HWND window) {
      dialog = {true, fake::device().ioctls.size(), MainWindowState.CheckTimer,
                MainWindowState.SettingsWindowOpen};
      PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(0, Run(line));
    ASSERT_TRUE(dialog.seen);
    EXPECT_TRUE(dialog.settingsOpen);
    EXPECT_EQ(0u, dialog.ioctls);
    EXPECT_EQ(0u, dialog.timer);
    EXPECT_EQ(2u, fake::device().ioctls.size());
  }
}

TEST_F(Startup, ASecondInstanceWakesTheFirstAndEndsWithOne) {
  // The "first instance": the mutex and a window of the program's class and title.
  UniqueKernelHandle mutex(CreateMutexW(nullptr, FALSE, kProgramName));
  static UINT s_message = 0;
  static WPARAM s_wParam = 0;
  static LPARAM s_lParam = 0;
  WNDCLASSW wc{};
  wc.lpfnWndProc = [](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
    if (m == WM_TRAY_NOTIFY) {
      s_message = m;
      s_wParam = wp;
      s_lParam = lp;
    }
    return DefWindowProcW(w, m, wp, lp);
  };
  wc.hInstance = Self();
  wc.lpszClassName = kWindowClass;
  UnregisterClassW(kWindowClass, Self());  // an earlier start in this process registered it
  const ATOM atom = RegisterClassW(&wc);
  ASSERT_NE(0, atom);
  HWND first = CreateWindowExW(0, kWindowClass, kProgramName, 0, 0, 0, 1, 1, nullptr, nullptr,
                               Self(), nullptr);
  ASSERT_NE(nullptr, first);

  EXPECT_EQ(1, QuietMinderMain(Self(), L"STARTUP"));
  PumpUntil([] { return s_message != 0; }, 10000);
  EXPECT_EQ(WM_TRAY_NOTIFY, s_message);
  EXPECT_EQ(5000u, s_wParam);
  EXPECT_EQ(WM_LBUTTONUP, static_cast<UINT>(s_lParam));
  EXPECT_EQ(0, fake::device().driverRegistrations);

  // Without a window to wake the second start still ends with 1.
  DestroyWindow(first);
  EXPECT_EQ(1, QuietMinderMain(Self(), L""));
  mutex.reset();
  UnregisterClassW(kWindowClass, Self());
}

TEST_F(Startup, ComThatCannotBeInitialisedEndsTheProgramWithItsMessage) {
  // A thread that already has another apartment: the program's multithreaded one is refused.
  int rc = -2;
  std::thread([&] {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return;
    rc = QuietMinderMain(Self(), L"STARTUP");
    CoUninitialize();
  }).join();
  EXPECT_EQ(0, rc);
  const auto& boxes = fake::device().messageBoxes;
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ(L"Failed to initialize COM.  QuietMinder will now exit.", boxes[0].text);
  EXPECT_EQ(L"QuietMinder Error", boxes[0].caption);
  EXPECT_EQ(static_cast<UINT>(MB_OK), boxes[0].type);
  EXPECT_EQ(0, fake::device().driverRegistrations);
  // The mutex was released: the next start is a first instance again.
  EXPECT_EQ(0, Run(L"STARTUP"));
}

TEST_F(Startup, AMissingToolhelpLibraryEndsTheProgramWithItsMessage) {
  fake::device().toolhelpPresent = false;
  EXPECT_EQ(0, QuietMinderMain(Self(), L"STARTUP"));
  const auto& boxes = fake::device().messageBoxes;
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ(L"Toolhelp.dll not found", boxes[0].text);
  EXPECT_EQ(L"QuietMinder", boxes[0].caption);
  EXPECT_EQ(0, fake::device().driverRegistrations);
  EXPECT_TRUE(fake::device().iconCalls.empty());
}

TEST_F(Startup, WithoutTheDriverTheProgramRunsAndPowerOnsNeverArrive) {
  fake::device().driverRegisters = false;
  fake::device().driverOpens = false;
  Moment running;
  EXPECT_EQ(0, Run(L"STARTUP", [&] { running = {true, 0, MainWindowState.CheckTimer, false}; }));
  EXPECT_TRUE(running.seen);
  EXPECT_NE(0u, running.timer);
  EXPECT_TRUE(fake::device().ioctls.empty());
  EXPECT_TRUE(fake::device().messageBoxes.empty());
}

TEST_F(Startup, AnIconThatCannotBeAddedIsReportedAndTheProgramGoesOn) {
  fake::device().notifyIconSucceeds = false;
  Moment running;
  EXPECT_EQ(0, Run(L"STARTUP", [&] { running = {true, 0, MainWindowState.CheckTimer, false}; }));
  EXPECT_TRUE(running.seen);
  const auto& boxes = fake::device().messageBoxes;
  ASSERT_EQ(2u, boxes.size());
  EXPECT_EQ(L"Failed to Add Tray Icon", boxes[0].text);
  EXPECT_EQ(L"QMIND Error", boxes[0].caption);
  EXPECT_NE(nullptr, boxes[0].owner);
  EXPECT_EQ(L"Failed to delete Tray Icon", boxes[1].text);
}

struct KindRow {
  DeviceKind kind;
  bool ringTone;
  bool v3, v4, phone;
  bool unmuted, shell, tone, category, ear;
};

TEST_F(Startup, EachDeviceKindLoadsExactlyTheKeyNamesItHas) {
  const KindRow rows[] = {
      {DeviceKind::OlderCe, true, false, false, false, true, false, false, false, false},
      {DeviceKind::PocketPc2002, true, true, false, false, false, true, false, false, false},
      {DeviceKind::PocketPc2003, true, false, true, false, false, true, false, false, false},
      {DeviceKind::PocketPc2003Phone, true, false, true, true, false, true, true, true, true},
      {DeviceKind::PocketPc2003Phone, false, false, true, false, false, true, false, false, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "kind " << static_cast<int>(row.kind) << " ring tone " << row.ringTone);
    UseKind(hkcu_.root(), row.kind, row.ringTone);
    DetectDeviceProfile(Self());
    EXPECT_EQ(row.v3, DeviceProfile.IsPocketPcV3);
    EXPECT_EQ(row.v4, DeviceProfile.IsPocketPcV4);
    EXPECT_EQ(row.phone, DeviceProfile.HasPhone);
    ASSERT_NE(nullptr, DeviceProfile.SoundKeys.Volume);
    EXPECT_STREQ(kVolumeKeyPath, DeviceProfile.SoundKeys.Volume);
    EXPECT_EQ(row.unmuted, DeviceProfile.SoundKeys.VolumeUnmuted != nullptr);
    EXPECT_EQ(row.shell, DeviceProfile.SoundKeys.ShellOverrides != nullptr);
    EXPECT_EQ(row.tone, DeviceProfile.SoundKeys.RingTone != nullptr);
    EXPECT_EQ(row.category, DeviceProfile.SoundKeys.RingCategory != nullptr);
    EXPECT_EQ(row.ear, DeviceProfile.SoundKeys.EarCouple != nullptr);
    if (row.ear) {
      EXPECT_STREQ(kShellOverridesKeyPath, DeviceProfile.SoundKeys.ShellOverrides);
      EXPECT_STREQ(kRingToneKeyPath, DeviceProfile.SoundKeys.RingTone);
      EXPECT_STREQ(kRingCategoryKeyPath, DeviceProfile.SoundKeys.RingCategory);
      EXPECT_STREQ(kEarCoupleKeyPath, DeviceProfile.SoundKeys.EarCouple);
    }
  }
  // A platform without a version query or a type is an older device.
  fake::device().versionAvailable = false;
  DetectDeviceProfile(Self());
  EXPECT_FALSE(DeviceProfile.IsPocketPcV3 || DeviceProfile.IsPocketPcV4);
  fake::device().versionAvailable = true;
  fake::device().platformType.clear();
  DetectDeviceProfile(Self());
  EXPECT_FALSE(DeviceProfile.IsPocketPcV3 || DeviceProfile.IsPocketPcV4);
}

}  // namespace
