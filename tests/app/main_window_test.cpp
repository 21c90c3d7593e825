// The main window's guards: one check timer, no tick or power-on handling while the settings
// window is open, no overlapping ticks, and guards that are restored when a step throws.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <stdexcept>

#include "app/main_window.h"
#include "app/startup.h"
#include "common/clock.h"
#include "common/program.h"
#include "device/device_kinds.h"
#include "platform/device_profile.h"
#include "platform/program_names.h"
#include "platform/sound_keys.h"
#include "settings/settings.h"
#include "sound/mute_engine.h"
#include "support/dialog_driver.h"
#include "support/fake_device.h"
#include "support/program_state.h"
#include "support/scratch_registry.h"
#include "support/test_main_window.h"

namespace {

class MainWindowGuards : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::ResetDevice();
    ResetTestProgramState();
    PopulateSoundKeys(hkcu_.root(), DeviceKind::PocketPc2003);
    fake::device().osMajor = 4;
    fake::device().platformType = L"PocketPC";
    DetectDeviceProfile(Program.Instance);
    ASSERT_NE(nullptr, CreateTestMainWindow());
  }
  void TearDown() override {
    fake::device().onVolumeRead = nullptr;
    DestroyTestMainWindow();
  }
  static bool QuitPosted() {
    MSG msg;
    return PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
  }
  void Tap(WPARAM id = 5000, LPARAM mouse = WM_LBUTTONUP) {
    SendMessageW(Program.MainWindow, WM_TRAY_NOTIFY, id, mouse);
  }

  ScratchHkcu hkcu_;
};

TEST_F(MainWindowGuards, OnlyTheExitCommandOrDestroyEndsTheProgram) {
  EXPECT_EQ(0, SendMessageW(Program.MainWindow, WM_CLOSE, 0, 0));
  EXPECT_FALSE(QuitPosted());
  EXPECT_TRUE(IsWindow(Program.MainWindow));
  EXPECT_TRUE(fake::device().iconCalls.empty());

  StartCheckTimer();
  MuteByChoice();  // a running mute is given back on the way out
  EXPECT_EQ(0, SendMessageW(Program.MainWindow, WM_CLOSE, 1, 0));
  EXPECT_TRUE(QuitPosted());
  EXPECT_EQ(0u, MainWindowState.CheckTimer);
  EXPECT_FALSE(MuteState.Muted);
  EXPECT_NE(0u, fake::device().waveVolume);
  ASSERT_FALSE(fake::device().iconCalls.empty());
  EXPECT_EQ(static_cast<DWORD>(NIM_DELETE), fake::device().iconCalls.back().message);
}

TEST_F(MainWindowGuards, ATapOpensTheSettingsWindowOnlyForTheIconsButtonUp) {
  bool opened = false;
  const UINT_PTR watch = WhenWindowAppears(L"#32770", kSettingsWindowTitle, [&](HWND w) {
    opened = true;
    PostMessageW(w, WM_COMMAND, IDCANCEL, 0);
  });
  Tap(5000, WM_LBUTTONDOWN);
  Tap(4999, WM_LBUTTONUP);
  Tap(5000, WM_RBUTTONUP);
  PumpMessages(100);
  EXPECT_FALSE(opened);
  CancelWhenWindowAppears(watch);
}

TEST_F(MainWindowGuards, NoTickAndNoPowerOnWhileTheSettingsWindowIsOpen) {
  StartCheckTimer();
  int tabs = 0;
  std::wstring firstTab;
  bool openSeen = false;
  UINT_PTR timerWhileOpen = 1;
  int readsWhileOpen = -1;
  WhenWindowAppears(L"#32770", kSettingsWindowTitle, [&](HWND dialog) {
    openSeen = MainWindowState.SettingsWindowOpen;
    timerWhileOpen = MainWindowState.CheckTimer;
    const int before = fake::device().volumeReads;
    CheckTimerProc(Program.MainWindow, WM_TIMER, kCheckTimerId, 0);
    SendMessageW(Program.MainWindow, WM_POWERON_NOTIFY, 0, 0);
    readsWhileOpen = fake::device().volumeReads - before;
    EXPECT_EQ(0u, MainWindowState.CheckTimer);  // the tick did not re-arm the timer
    HWND tabControl = GetDlgItem(dialog, 1019);
    tabs = static_cast<int>(SendMessageW(tabControl, TCM_GETITEMCOUNT, 0, 0));
    wchar_t text[32] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = 32;
    SendMessageW(tabControl, TCM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    firstTab = text;
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  });
  Tap();
  EXPECT_TRUE(openSeen);
  EXPECT_EQ(0u, timerWhileOpen);
  EXPECT_EQ(0, readsWhileOpen);
  EXPECT_EQ(6, tabs);
  EXPECT_EQ(L"Mute", firstTab);
  EXPECT_FALSE(MainWindowState.SettingsWindowOpen);
  EXPECT_NE(0u, MainWindowState.CheckTimer);
}

TEST_F(MainWindowGuards, AnOpenProgramDialogIsRaisedInsteadOfOpeningAnother) {
  // A stand-in for one of the program's message boxes.
  HWND box = CreateWindowExW(0, L"#32770", L"QuietMinder Error", WS_POPUP | WS_VISIBLE, 0, 0, 50,
                             50, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, box);
  bool opened = false;
  const UINT_PTR watch = WhenWindowAppears(L"#32770", kSettingsWindowTitle, [&](HWND w) {
    opened = true;
    PostMessageW(w, WM_COMMAND, IDCANCEL, 0);
  });
  Tap();
  PumpMessages(100);
  EXPECT_FALSE(opened);
  EXPECT_FALSE(MainWindowState.SettingsWindowOpen);
  CancelWhenWindowAppears(watch);
  DestroyWindow(box);
}

TEST_F(MainWindowGuards, EachTickRearmsTheOneTimerAndANestedTickDoesNothing) {
  StartCheckTimer();
  const UINT_PTR armed = MainWindowState.CheckTimer;
  StartCheckTimer();  // already armed: no second timer
  EXPECT_EQ(armed, MainWindowState.CheckTimer);

  int nestedReads = -1;
  bool stopReturned = false;
  fake::device().onVolumeRead = [&] {
    fake::device().onVolumeRead = nullptr;
    // A nested loop of this tick delivers the timer again, a power-on and a stop that waits.
    const int before = fake::device().volumeReads;
    CheckTimerProc(Program.MainWindow, WM_TIMER, kCheckTimerId, 0);
    nestedReads = fake::device().volumeReads - before;
    StopCheckTimer();
    stopReturned = true;
    SendMessageW(Program.MainWindow, WM_POWERON_NOTIFY, 0, 0);
    EXPECT_EQ(
        0u, MainWindowState.CheckTimer);  // the power-on step does not arm it under a running tick
  };
  CheckTimerProc(Program.MainWindow, WM_TIMER, kCheckTimerId, 0);
  EXPECT_EQ(0, nestedReads);
  EXPECT_TRUE(stopReturned);
  EXPECT_FALSE(MainWindowState.CheckBusy);
  EXPECT_NE(0u, MainWindowState.CheckTimer);
}

TEST_F(MainWindowGuards, AStepLeftByAnExceptionStillRestoresItsGuards) {
  fake::device().onVolumeRead = [] { throw std::runtime_error("device gone"); };
  EXPECT_THROW(CheckTimerProc(Program.MainWindow, WM_TIMER, kCheckTimerId, 0), std::runtime_error);
  EXPECT_FALSE(MainWindowState.CheckBusy);
  EXPECT_NE(0u, MainWindowState.CheckTimer);

  StopCheckTimer();
  fake::device().onVolumeRead = nullptr;
  MuteByChoice();
  fake::device().onVolumeRead = [] { throw std::runtime_error("device gone"); };
  EXPECT_THROW(RunPowerOnStep(), std::runtime_error);
  EXPECT_NE(0u, MainWindowState.CheckTimer);
  fake::device().onVolumeRead = nullptr;
  RestoreByChoice();

  StopCheckTimer();
  fake::device().onVolumeRead = nullptr;
  WhenWindowAppears(L"#32770", kSettingsWindowTitle, [](HWND) {
    fake::device().onVolumeRead = [] { throw std::runtime_error("device gone"); };
  });
  // The close of the settings window restores the sound, which reads the volume and throws;
  // the window ends first so that the modal loop is left.
  WhenWindowAppears(L"#32770", kSettingsWindowTitle, [](HWND w) { EndDialog(w, 0); });
  EXPECT_THROW(OpenSettingsWindow(5000, WM_LBUTTONUP), std::runtime_error);
  EXPECT_FALSE(MainWindowState.SettingsWindowOpen);
  EXPECT_NE(0u, MainWindowState.CheckTimer);
}

TEST_F(MainWindowGuards, ATickRequestFromAnotherProgramIsTurnedAwayWhileNoTickMayRun) {
  fake::device().waveVolume = 0;
  MainWindowState.SettingsWindowOpen = true;
  EXPECT_EQ(0, SendMessageW(Program.MainWindow, WM_CHECK, 1, 0));
  EXPECT_FALSE(MuteState.Muted);
  MainWindowState.SettingsWindowOpen = false;

  int nestedResult = -1;
  fake::device().onVolumeRead = [&] {
    fake::device().onVolumeRead = nullptr;
    nestedResult = static_cast<int>(SendMessageW(Program.MainWindow, WM_CHECK, 1, 0));
  };
  fake::device().waveVolume = 0x44444444;
  EXPECT_EQ(1, SendMessageW(Program.MainWindow, WM_CHECK, 1, 0));
  EXPECT_EQ(0, nestedResult);
}

TEST_F(MainWindowGuards, AVolumeThatCannotBeReadIsNeverTakenAsSilence) {
  fake::device().volumeReadable = false;
  fake::device().waveVolume = 0;
  EXPECT_EQ(1, SendMessageW(Program.MainWindow, WM_CHECK, 1, 0));
  EXPECT_FALSE(MuteState.Muted);
  EXPECT_EQ(0, fake::device().refreshes);
}

TEST_F(MainWindowGuards, TheMeetingVerdictRequestRunsNoTick) {
  fake::device().waveVolume = 0;
  EXPECT_EQ(0, SendMessageW(Program.MainWindow, WM_CHECK, 0, 0));
  EXPECT_FALSE(MuteState.Muted);  // a tick would have taken the silence over
}

// A run killed during its mute, and the next run of the program: what the killed run silenced is
// the next run's own, and the first power-on that ends it gives the owner's sound back, whether or
// not a tick of the next run has dealt with it before. An application that holds muting off has
// it given back at once, as the owner's sound too; a volume the owner raised during the mute,
// which the killed run never saw, stays as the owner's choice.
struct KilledRunCase {
  const char* name;
  bool tickFirst;
  bool appHolds;
  bool ownerRaised;
};
constexpr KilledRunCase kKilledRunCases[] = {
    {"ThePowerOnFirst", false, false, false},
    {"ATickBeforeThePowerOn", true, false, false},
    {"ThePowerOnFirstWhileAnAppHolds", false, true, false},
    {"ATickFirstWhileAnAppHolds", true, true, false},
    {"ARaisedVolumeAndThePowerOnFirstWhileAnAppHolds", false, true, true},
    {"ARaisedVolumeAndATickFirst", true, false, true}};

class AfterAKilledRun : public ::testing::TestWithParam<KilledRunCase> {
 protected:
  static constexpr DWORD kOwnerVolume = 0x44444444, kRaisedVolume = 0x70707070;
  void SetUp() override {
    fake::ResetDevice();
    ResetTestProgramState();
    PopulateSoundKeys(hkcu_.root(), DeviceKind::PocketPc2003Phone);
    fake::device().osMajor = 4;
    fake::device().platformType = L"PocketPC";
    fake::device().waveVolume = kOwnerVolume;
    RegPutDword(hkcu_.root(), kVolumeKeyPath, kVolumeValue, kOwnerVolume);
    RegPutDword(hkcu_.root(), kRingCategoryKeyPath, kInitVolValue, 4);
    RegPutDword(hkcu_.root(), kEarCoupleKeyPath, kEarCoupleValue, 2);
    DetectDeviceProfile(Program.Instance);
    ASSERT_NE(nullptr, CreateTestMainWindow());
  }
  void TearDown() override {
    if (app_) DestroyWindow(app_);
    DestroyTestMainWindow();
  }
  // The run ends where it stands, and the program starts again.
  void KillAndStartAgain() {
    StopCheckTimer();
    ResetTestProgramState();
    DetectDeviceProfile(Program.Instance);
    StartProgramState();
  }

  ScratchHkcu hkcu_;
  HWND app_ = nullptr;
};

TEST_P(AfterAKilledRun, TheFirstPowerOnGivesBackWhatTheKilledRunSilenced) {
  const KilledRunCase& c = GetParam();
  MuteByChoice({TimeFromNow(3600)});  // a meeting's mute
  ASSERT_EQ(0u, fake::device().waveVolume);
  ASSERT_EQ(0u, RegDword(hkcu_.root(), kRingCategoryKeyPath, kInitVolValue));
  if (c.appHolds) {
    RegPutDword(hkcu_.root(), kSettingsKeyPath, L"EnableAppFilter", 1);
    RegPutText(hkcu_.root(), kSettingsKeyPath, L"AppsToFilter", L"Notes");
    app_ = CreateWindowExW(0, L"STATIC", L"Notes", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr,
                           nullptr, nullptr, nullptr);
  }
  if (c.ownerRaised) fake::device().waveVolume = kRaisedVolume;
  KillAndStartAgain();
  if (c.tickFirst) {
    SendMessageW(Program.MainWindow, WM_CHECK, 1, 0);
    EXPECT_EQ(!c.appHolds && !c.ownerRaised, MuteState.Muted)
        << "the silence is taken over, or given back";
  }
  SendMessageW(Program.MainWindow, WM_POWERON_NOTIFY, 0, 0);
  const DWORD volume = c.ownerRaised ? kRaisedVolume : kOwnerVolume;
  EXPECT_FALSE(MuteState.Muted);
  EXPECT_EQ(volume, fake::device().waveVolume);
  EXPECT_EQ(volume, RegDword(hkcu_.root(), kVolumeKeyPath, kVolumeValue));
  EXPECT_EQ(1u, RegDword(hkcu_.root(), kVolumeKeyPath, kScreenValue));
  EXPECT_EQ(0u, RegDword(hkcu_.root(), kShellOverridesKeyPath, kModeValue));
  EXPECT_EQ(4u, RegDword(hkcu_.root(), kRingCategoryKeyPath, kInitVolValue));
  EXPECT_EQ(2u, RegDword(hkcu_.root(), kEarCoupleKeyPath, kEarCoupleValue));
  EXPECT_FALSE(RegValueExists(hkcu_.root(), kKeptSoundKeyPath, kVolumeValue));
  // Nothing is left for a later tick to do.
  SendMessageW(Program.MainWindow, WM_CHECK, 1, 0);
  EXPECT_FALSE(MuteState.Muted);
  EXPECT_EQ(volume, fake::device().waveVolume);
}

INSTANTIATE_TEST_SUITE_P(Cases, AfterAKilledRun, ::testing::ValuesIn(kKilledRunCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
