// Peers of the program that fail: a shell whose windows are there but that stops reading its
// messages, and a power-notification driver that is missing. Whatever the peer does, no call of
// the program waits on it for good, the check tick keeps coming, the icon shows the mute state,
// and what the program set out to do is done once the peer is back.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "app/startup.h"
#include "common/program.h"
#include "common/scoped.h"
#include "device/device_kinds.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "shell/shell_windows.h"
#include "sound/taskbar_volume.h"
#include "support/dialog_driver.h"
#include "support/fake_device.h"
#include "support/program_state.h"
#include "support/scratch_registry.h"
#include "support/test_main_window.h"

namespace {

constexpr DWORD kModeOff = 2;
constexpr DWORD kUnset = 0xDEADBEEF;
constexpr DWORD kWaitMs = 20000;

// Where the shell stops reading its messages: never, right after its windows are made, or when
// the `nth` message `message` reaches one of its windows (a message it then carries out late).
struct HangPoint {
  enum Kind { Never, FromTheStart, AtMessage } kind = Never;
  UINT message = 0;
  int nth = 0;
};

// The emulated shell on a thread of its own, which stops at its hang point until Recover().
// One at a time.
class ShellOnItsOwnThread {
 public:
  explicit ShellOnItsOwnThread(HangPoint hang) {
    hang_ = hang;
    seen_ = 0;
    recover_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const UniqueKernelHandle ready(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    thread_ = std::thread([this, &ready] { Run(ready.get()); });
    WaitForSingleObject(ready.get(), INFINITE);
  }
  ~ShellOnItsOwnThread() { Close(); }
  ShellOnItsOwnThread(const ShellOnItsOwnThread&) = delete;
  ShellOnItsOwnThread& operator=(const ShellOnItsOwnThread&) = delete;

  bool made() const { return made_; }
  void Recover() { SetEvent(recover_.get()); }
  // Recovers, ends the shell and its thread; what happened in the shell.
  ShellStats Close() {
    Recover();
    if (thread_.joinable()) {
      PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
      thread_.join();
    }
    return stats_;
  }

 private:
  void Run(HANDLE ready) {
    threadId_ = GetCurrentThreadId();
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue, for WM_QUIT
    made_ = CreateShell(GetModuleHandleW(nullptr), ShellOptions{}) != nullptr;
    const HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, HangHook, nullptr, threadId_);
    SetEvent(ready);
    if (hang_.kind == HangPoint::FromTheStart) WaitForSingleObject(recover_.get(), INFINITE);
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    if (hook) UnhookWindowsHookEx(hook);
    stats_ = GetShellStats();
    DestroyShell();
  }
  // Runs before the shell's window procedure sees a message sent to it.
  static LRESULT CALLBACK HangHook(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && hang_.kind == HangPoint::AtMessage && call->message == hang_.message &&
        ++seen_ == hang_.nth) {
      WaitForSingleObject(recover_.get(), INFINITE);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }

  static inline HangPoint hang_;
  static inline int seen_ = 0;
  static inline UniqueKernelHandle recover_;
  std::thread thread_;
  DWORD threadId_ = 0;
  bool made_ = false;
  ShellStats stats_;
};

class PeerFaults : public ::testing::Test {
 protected:
  void SetUp() override { Fresh(); }
  void TearDown() override { DestroyTestMainWindow(); }

  void Fresh() {
    fake::ResetDevice();
    ResetTestProgramState();
    PopulateSoundKeys(scratch_.root(), DeviceKind::PocketPc2003);
    RegPutDword(scratch_.root(), kShellOverridesKeyPath, kModeValue, kUnset);
  }
  DWORD Mode() { return RegDword(scratch_.root(), kShellOverridesKeyPath, kModeValue); }

  ScratchHkcu scratch_;
  ScratchHklm machine_{scratch_};  // the shell's buttons change the device's wave volume
};

// Sets the ringer again while the refresh stays pending, as the check ticks do.
bool RefreshUntilDone(bool muted) {
  const DWORD end = GetTickCount() + kWaitMs;
  do {
    SetTaskBarRinger(muted);
    if (!TaskBarVolumeState.SoundRefreshPending) return true;
  } while (static_cast<LONG>(end - GetTickCount()) > 0);
  return false;
}

// Each refresh waits a short while for the shell and keeps itself pending when it gets no
// answer; a refresh made while the shell is hung sends it nothing more than the one question,
// so no tap of it is carried out late to open or close the pop-up behind the program's back.
TEST_F(PeerFaults, AShellThatStopsAnsweringGetsItsRingerSetOnceItAnswersAgain) {
  struct Row {
    const char* name;
    HangPoint hang;
  } rows[] = {
      {"hung from the start", {HangPoint::FromTheStart}},
      {"hung at the question whether it answers", {HangPoint::AtMessage, WM_NULL, 1}},
      {"hung at the opening tap", {HangPoint::AtMessage, WM_LBUTTONDOWN, 1}},
      {"hung at the press", {HangPoint::AtMessage, WM_COMMAND, 1}},
      {"hung at the closing tap", {HangPoint::AtMessage, WM_LBUTTONDOWN, 2}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Fresh();
    ShellOnItsOwnThread shell(row.hang);
    ASSERT_TRUE(shell.made());

    for (int tick = 0; tick < 3; ++tick) {
      SetTaskBarRinger(true);
      EXPECT_TRUE(TaskBarVolumeState.SoundRefreshPending) << "tick " << tick;
    }
    shell.Recover();
    EXPECT_TRUE(RefreshUntilDone(true));
    EXPECT_EQ(nullptr, FindWindowW(kShellDialogClass, kVolumePopupTitle));
    const ShellStats stats = shell.Close();

    // How many rounds it took depends on how quickly the shell answered; the outcome does not.
    EXPECT_EQ(kModeOff, Mode());
    EXPECT_EQ(stats.popupOpens, stats.popupCloses) << "the pop-up is never left open";
    EXPECT_FALSE(stats.pressed.empty());
    for (const std::wstring& caption : stats.pressed) EXPECT_EQ(L"Off", caption);
  }
}

// The whole program on a device with a failing peer: started silently, it ticks on, shows the
// silence the owner makes with the icon, and leaves the shell's ringer at "Off" once the shell
// answers again. A missing driver only means that no power-on arrives.
TEST_F(PeerFaults, TheProgramTicksOnAndItsIconTellsTheStateWhateverThePeerDoes) {
  struct Row {
    const char* name;
    bool driverRegisters, driverOpens;
    HangPoint shellHang;
  } rows[] = {
      {"the driver cannot be registered", false, true, {}},
      {"the driver cannot be opened", true, false, {}},
      {"no driver at all", false, false, {}},
      {"the shell is hung", true, true, {HangPoint::FromTheStart}},
  };
  const HINSTANCE self = GetModuleHandleW(nullptr);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Fresh();
    fake::device().driverRegisters = row.driverRegisters;
    fake::device().driverOpens = row.driverOpens;
    for (int id : {IDI_IDLE, IDI_MUTED, IDI_MUTED_USER_RESTORE}) {
      fake::RememberIcon(
          static_cast<HICON>(LoadImageW(self, MAKEINTRESOURCEW(id), IMAGE_ICON, 16, 16, LR_SHARED)),
          id);
    }
    ShellOnItsOwnThread shell(row.shellHang);
    ASSERT_TRUE(shell.made());

    struct {
      bool ran = false, ticking = false, idle = false, muted = false, tickingWhileMuted = false;
      bool pendingWhileMuted = false, ringerOff = false;
    } seen;
    auto ticksGoOn = [] {
      const int reads = fake::device().volumeReads;
      return PumpUntil([reads] { return fake::device().volumeReads >= reads + 2; }, kWaitMs);
    };
    AfterDelay(50, [&] {
      seen.ran = true;
      seen.ticking = ticksGoOn();
      seen.idle = fake::CurrentIconId() == IDI_IDLE;
      fake::device().waveVolume = 0;  // the owner turns the sound off
      seen.muted = PumpUntil(
          [] {
            const int icon = fake::CurrentIconId();
            return icon == IDI_MUTED || icon == IDI_MUTED_USER_RESTORE;
          },
          kWaitMs);
      seen.tickingWhileMuted = ticksGoOn();
      seen.pendingWhileMuted = TaskBarVolumeState.SoundRefreshPending;
      shell.Recover();
      seen.ringerOff =
          PumpUntil([this] { return !TaskBarVolumeState.SoundRefreshPending && Mode() == kModeOff; }, kWaitMs);
      PostMessageW(Program.MainWindow, WM_CLOSE, 1, 0);
    });
    EXPECT_EQ(0, QuietMinderMain(self, L"STARTUP"));
    DestroyTestMainWindow();
    shell.Close();

    ASSERT_TRUE(seen.ran);
    EXPECT_TRUE(seen.ticking);
    EXPECT_TRUE(seen.idle);
    EXPECT_TRUE(seen.muted);
    EXPECT_TRUE(seen.tickingWhileMuted);
    EXPECT_EQ(row.shellHang.kind != HangPoint::Never, seen.pendingWhileMuted);
    EXPECT_TRUE(seen.ringerOff);
    const fake::Device& device = fake::device();
    EXPECT_TRUE(device.messageBoxes.empty());
    EXPECT_EQ(device.driverRegistrations, device.driverDeregistrations);
    EXPECT_EQ(0, device.driverOpenFiles);
    EXPECT_EQ(row.driverOpens ? 2u : 0u, device.ioctls.size());
  }
}

}  // namespace
