// The shell's dialog helpers as the program's windows see them, with and without the emulated
// shell's task bar.
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/aygshell.h"
#include "shell/shell_windows.h"

namespace {

HWND MakePopup() {
  return CreateWindowExW(0, L"Static", L"dialog", WS_POPUP | WS_VISIBLE, 10, 10, 50, 50, nullptr,
                         nullptr, nullptr, nullptr);
}

RECT RectOf(HWND window) {
  RECT rc{};
  GetWindowRect(window, &rc);
  return rc;
}

TEST(ShellHelpers, FullScreenSizingLeavesTheShownTaskBarFree) {
  const int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
  const HWND dialog = MakePopup();
  SHINITDLGINFO info{SHIDIM_FLAGS, dialog, SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_DONEBUTTON};

  ASSERT_TRUE(SHInitDialog(&info));
  EXPECT_EQ(cy, RectOf(dialog).bottom);
  EXPECT_EQ(0, RectOf(dialog).top) << "no task bar: the whole screen";
  EXPECT_NE(nullptr, GetPropW(dialog, kDoneButtonProp));

  ASSERT_NE(nullptr, CreateShell(GetModuleHandleW(nullptr), ShellOptions{}));
  ASSERT_TRUE(SHInitDialog(&info));
  EXPECT_EQ(kTaskBarHeight, RectOf(dialog).top);
  EXPECT_EQ(cx, RectOf(dialog).right - RectOf(dialog).left);

  SHFullScreen(dialog, SHFS_HIDETASKBAR);
  ASSERT_TRUE(SHInitDialog(&info));
  EXPECT_EQ(0, RectOf(dialog).top) << "a hidden task bar takes no room";
  DestroyShell();
  DestroyWindow(dialog);
}

TEST(ShellHelpers, InitDialogRefusesWhatIsNotADialogRecord) {
  const HWND dialog = MakePopup();
  const RECT before = RectOf(dialog);
  SHINITDLGINFO noMask{0, dialog, SHIDIF_SIZEDLGFULLSCREEN};
  SHINITDLGINFO noWindow{SHIDIM_FLAGS, reinterpret_cast<HWND>(0x1234), SHIDIF_SIZEDLG};
  EXPECT_FALSE(SHInitDialog(nullptr));
  EXPECT_FALSE(SHInitDialog(&noMask));
  EXPECT_FALSE(SHInitDialog(&noWindow));
  EXPECT_EQ(before.top, RectOf(dialog).top);
  EXPECT_EQ(before.right, RectOf(dialog).right);
  DestroyWindow(dialog);
}

TEST(ShellHelpers, FullScreenHidesAndShowsTheTaskBarAndItsStartIcon) {
  const HWND dialog = MakePopup();
  EXPECT_TRUE(SHFullScreen(dialog, SHFS_HIDETASKBAR)) << "no task bar is no failure";
  EXPECT_FALSE(SHFullScreen(reinterpret_cast<HWND>(0x1234), SHFS_HIDETASKBAR));

  const HWND bar = CreateShell(GetModuleHandleW(nullptr), ShellOptions{});
  ASSERT_NE(nullptr, bar);
  EXPECT_TRUE(SHFullScreen(dialog, SHFS_HIDETASKBAR | SHFS_HIDESTARTICON));
  EXPECT_FALSE(IsWindowVisible(bar));
  EXPECT_NE(nullptr, GetPropW(bar, kStartIconHiddenProp));
  EXPECT_TRUE(SHFullScreen(dialog, SHFS_SHOWTASKBAR | SHFS_SHOWSTARTICON));
  EXPECT_TRUE(IsWindowVisible(bar));
  EXPECT_EQ(nullptr, GetPropW(bar, kStartIconHiddenProp));
  DestroyShell();
  DestroyWindow(dialog);
}

TEST(ShellHelpers, AnEmptyMenuBarLivesAlongTheBottomAndDiesWithItsParent) {
  const HWND parent = MakePopup();
  SHMENUBARINFO info{};
  info.cbSize = sizeof info;
  info.hwndParent = parent;
  info.dwFlags = SHCMBF_EMPTYBAR;
  ASSERT_TRUE(SHCreateMenuBar(&info));
  const HWND bar = info.hwndMB;
  ASSERT_TRUE(IsWindow(bar));
  EXPECT_EQ(parent, GetWindow(bar, GW_OWNER));
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), RectOf(bar).bottom);
  EXPECT_TRUE(IsWindowVisible(bar));
  DestroyWindow(parent);
  EXPECT_FALSE(IsWindow(bar));
}

TEST(ShellHelpers, MenuBarRequestsItCannotServeFailWithoutABar) {
  const HWND parent = MakePopup();
  struct Row {
    const char* name;
    DWORD size;
    HWND parent;
    DWORD flags;
    DWORD error;
  } rows[] = {
      {"short record", sizeof(SHMENUBARINFO) - 4, parent, SHCMBF_EMPTYBAR,
       ERROR_INVALID_PARAMETER},
      {"no parent", sizeof(SHMENUBARINFO), nullptr, SHCMBF_EMPTYBAR, ERROR_INVALID_PARAMETER},
      {"tool-bar resource", sizeof(SHMENUBARINFO), parent, 0, ERROR_NOT_SUPPORTED},
  };
  for (const auto& row : rows) {
    SHMENUBARINFO info{};
    info.cbSize = row.size;
    info.hwndParent = row.parent;
    info.dwFlags = row.flags;
    info.hwndMB = reinterpret_cast<HWND>(0x77);
    EXPECT_FALSE(SHCreateMenuBar(&info)) << row.name;
    EXPECT_EQ(row.error, GetLastError()) << row.name;
  }
  EXPECT_FALSE(SHCreateMenuBar(nullptr));
  DestroyWindow(parent);
}

}  // namespace
