// The locate dialog, run modally from template 139 against the in-process shell's task bar. The
// test drives it from the owner's idle messages, so it never waits for a person.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <optional>
#include <vector>

#include "common/program.h"
#include "platform/aygshell.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "shell/shell_windows.h"
#include "sound/taskbar_volume.h"
#include "support/fake_device.h"
#include "support/program_state.h"
#include "support/scratch_registry.h"

namespace {

using Step = std::function<void(HWND dialog)>;

// No task bar is on the device (waiting a while for one that is going away).
bool NoOtherTaskBar() {
  const DWORD end = GetTickCount() + 30000;
  while (FindWindowW(kTaskBarClass, L"")) {
    if (static_cast<LONG>(end - GetTickCount()) <= 0) return false;
    Sleep(20);
  }
  return true;
}

constexpr UINT_PTR kPulseTimer = 1;
constexpr int kGiveUpAfterIdles = 400;
constexpr INT_PTR kGaveUp = 99;

constexpr DWORD Packed(int x, int y) {
  return (static_cast<DWORD>(static_cast<WORD>(y)) << 16) | static_cast<WORD>(x);
}

std::vector<Step> g_steps;
size_t g_nextStep = 0;
int g_idles = 0;

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ENTERIDLE && wParam == MSGF_DIALOGBOX) {
    const HWND dialog = reinterpret_cast<HWND>(lParam);
    if (++g_idles > kGiveUpAfterIdles) {
      EndDialog(dialog, kGaveUp);
    } else if (g_nextStep < g_steps.size()) {
      g_steps[g_nextStep++](dialog);
    }
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

HWND MakeWindow(const wchar_t* title) {
  static const ATOM cls = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = OwnerProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"LocateTestOwner";
    return RegisterClassW(&wc);
  }();
  (void)cls;
  return CreateWindowExW(0, L"LocateTestOwner", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                         200, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

class LocateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::ResetDevice();
    UseSettings(SettingsRecord{});
    Program.Instance = GetModuleHandleW(nullptr);
    // The shell's full-screen calls act on the first task bar they find: a shell process that
    // an earlier test started must be gone.
    ASSERT_TRUE(NoOtherTaskBar());
    ASSERT_NE(nullptr, CreateShell(GetModuleHandleW(nullptr), ShellOptions{}));
    owner_ = MakeWindow(L"owner");
    other_ = MakeWindow(L"other program");
    SetForegroundWindow(owner_);
    SetTimer(owner_, kPulseTimer, 20, nullptr);
  }
  void TearDown() override {
    DestroyWindow(owner_);
    DestroyWindow(other_);
    DestroyShell();
  }

  std::optional<DWORD> Run(std::vector<Step> steps) {
    g_steps = std::move(steps);
    g_nextStep = 0;
    g_idles = 0;
    return LocateTaskBarIcon(owner_);
  }

  // While the dialog is up: the task bar and the Start icon are hidden and the dialog has the
  // mouse.
  Step ExpectFullScreen() {
    return [this](HWND dialog) {
      EXPECT_FALSE(IsWindowVisible(ShellTaskBar()));
      EXPECT_NE(nullptr, GetPropW(ShellTaskBar(), kStartIconHiddenProp));
      EXPECT_EQ(dialog, GetCapture());
      RECT rc{};
      GetWindowRect(dialog, &rc);
      EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), rc.right - rc.left);
      EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), rc.bottom);
      dialogRect_ = rc;
    };
  }

  void ExpectShellBack() {
    EXPECT_TRUE(IsWindowVisible(ShellTaskBar()));
    EXPECT_EQ(nullptr, GetPropW(ShellTaskBar(), kStartIconHiddenProp));
  }

  ScratchHkcu scratch_;
  HWND owner_{};
  HWND other_{};
  RECT dialogRect_{};
};

Step TapAt(int x, int y) {
  return [x, y](HWND dialog) {
    PostMessageW(dialog, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  };
}

TEST_F(LocateTest, ATapIsStoredAsTheScreenPointItLandedOn) {
  // The dialog sits below the task bar; the tap on the task bar's icon reaches it through the
  // capture, above its client area.
  const int below = kTaskBarHeight;
  struct Row {
    int clientX, clientY;
    DWORD stored;
  } rows[] = {
      {165, 11 - below, Packed(165, 11)},
      {30, 40, Packed(30, 40 + below)},
      {-5, -40, Packed(-5, -40 + below)},
  };
  for (const auto& row : rows) {
    const std::optional<DWORD> point = Run({ExpectFullScreen(), TapAt(row.clientX, row.clientY)});
    EXPECT_EQ(row.stored, point) << "client " << row.clientX << "," << row.clientY;
    EXPECT_EQ(below, dialogRect_.top);
    ExpectShellBack();
    EXPECT_EQ(nullptr, GetCapture());
  }
}

TEST_F(LocateTest, TheLocatedPointDrivesThePopup) {
  MoveVolumeIcon(MAKELONG(120, 9));
  const std::optional<DWORD> point = Run({TapAt(120, 9 - kTaskBarHeight)});
  ASSERT_TRUE(point);
  EditSettings([&](SettingsRecord& s) { s.TBIconLocation = *point; });
  TapTaskBarVolumeIcon();
  EXPECT_NE(nullptr, ShellVolumePopup());
}

TEST_F(LocateTest, SwitchingToAnotherProgramStoresNothing) {
  EXPECT_EQ(std::nullopt, Run({ExpectFullScreen(), [this](HWND) { SetActiveWindow(other_); }}));
  ExpectShellBack();
}

TEST_F(LocateTest, ACancelModeMessageStoresNothing) {
  EXPECT_EQ(std::nullopt, Run({ExpectFullScreen(),
                               [](HWND dialog) { SendMessageW(dialog, WM_CANCELMODE, 0, 0); }}));
  ExpectShellBack();
  EXPECT_EQ(nullptr, GetCapture());
}

TEST_F(LocateTest, LosingTheMouseToAnotherWindowStoresNothing) {
  EXPECT_EQ(std::nullopt, Run({ExpectFullScreen(), [this](HWND) { SetCapture(other_); }}));
  ExpectShellBack();
  ReleaseCapture();
}

TEST_F(LocateTest, CaptureReleasedToNobodyKeepsTheDialogWaitingForTheTap) {
  EXPECT_EQ(Packed(10, 20 + kTaskBarHeight), Run({[](HWND) { ReleaseCapture(); }, TapAt(10, 20)}));
}

}  // namespace
