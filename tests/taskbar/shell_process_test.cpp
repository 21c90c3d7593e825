// The shell as the device runs it: its own process, reached from this one by window messages,
// and the recorder programs that stand for the sound applet and the help viewer.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>

#include "settings/settings.h"
#include "shell/launch_record.h"
#include "shell/shell_windows.h"
#include "sound/taskbar_volume.h"
#include "support/fake_device.h"
#include "support/program_state.h"

namespace {

std::wstring BuiltProgram(const wchar_t* name) {
  wchar_t dir[MAX_PATH] = {};
  if (!GetEnvironmentVariableW(L"QM_BINARY_DIR", dir, MAX_PATH)) return L"";
  std::wstring path = std::wstring(dir) + L"\\emulator\\shell\\" + name;
  for (auto& c : path) {
    if (c == L'/') c = L'\\';
  }
  // QM_BINARY_DIR is a host path; Wine maps it through the Z: drive.
  if (!path.empty() && path[0] == L'\\') path = L"Z:" + path;
  return GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES ? L"" : path;
}

HANDLE Start(const std::wstring& program, std::wstring commandLine) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), commandLine.empty() ? nullptr : commandLine.data(),
                      nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return nullptr;
  }
  CloseHandle(process.hThread);
  return process.hProcess;
}

// Polls `condition` every 20 ms; true once it holds, false after `ms`.
bool WaitUntil(const std::function<bool()>& condition, DWORD ms) {
  const DWORD end = GetTickCount() + ms;
  for (;;) {
    if (condition()) return true;
    if (static_cast<LONG>(end - GetTickCount()) <= 0) return false;
    Sleep(20);
  }
}

// The task bar of the shell process `shell`, once that shell reads its messages: the window is
// there a while before the new process gets to its message loop, the longer on a busy machine.
HWND WaitForShell(HANDLE shell) {
  const DWORD pid = GetProcessId(shell);
  HWND bar = nullptr;
  WaitUntil(
      [&bar, pid] {
        bar = nullptr;
        for (HWND w = FindWindowW(kTaskBarClass, L""); w && !bar;
             w = FindWindowExW(nullptr, w, kTaskBarClass, L"")) {
          DWORD owner = 0;
          GetWindowThreadProcessId(w, &owner);
          if (owner == pid) bar = w;
        }
        DWORD_PTR ignored = 0;
        return bar && SendMessageTimeoutW(bar, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &ignored) != 0;
      },
      30000);
  return bar;
}

// Sets the ringer as the program's check ticks do: again while the shell has not answered it all.
void SetRinger(bool muted) {
  const DWORD end = GetTickCount() + 30000;
  do {
    SetTaskBarRinger(muted);
  } while (TaskBarVolumeState.SoundRefreshPending && static_cast<LONG>(end - GetTickCount()) > 0);
}

DWORD RealMode() {
  DWORD value = 0xDEADBEEF, size = sizeof value;
  RegGetValueW(HKEY_CURRENT_USER, kShellOverridesKeyPath, kModeValue, RRF_RT_REG_DWORD, nullptr,
               &value, &size);
  return value;
}

class ShellProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::ResetDevice();
    ResetTestProgramState();
    savedMode_ = RealMode();
    const std::wstring shell = BuiltProgram(L"devshell.exe");
    if (shell.empty()) GTEST_SKIP() << "devshell.exe is not built";
    // One shell per device: a start while another runs would leave at once.
    ASSERT_TRUE(WaitUntil([] { return !FindWindowW(kTaskBarClass, L""); }, 30000));
    process_ = Start(shell, L"devshell.exe");
    ASSERT_NE(nullptr, process_);
    taskBar_ = WaitForShell(process_);
    ASSERT_NE(nullptr, taskBar_);
  }
  void TearDown() override {
    if (taskBar_) PostMessageW(taskBar_, WM_CLOSE, 0, 0);
    if (process_) {
      EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process_, 30000)) << "the shell must end";
      CloseHandle(process_);
    }
    if (savedMode_ != 0xDEADBEEF) {
      RegSetKeyValueW(HKEY_CURRENT_USER, kShellOverridesKeyPath, kModeValue, REG_DWORD, &savedMode_,
                      sizeof savedMode_);
    }
  }

  LRESULT Request(WPARAM request, LPARAM arg = 0) {
    return SendMessageW(taskBar_, ShellRequestMessage(), request, arg);
  }

  DWORD savedMode_ = 0xDEADBEEF;
  HANDLE process_{};
  HWND taskBar_{};
};

TEST_F(ShellProcessTest, TheRingerFollowsTheMuteStateAcrossProcesses) {
  SetRinger(true);
  EXPECT_FALSE(TaskBarVolumeState.SoundRefreshPending);
  EXPECT_EQ(2u, RealMode());
  EXPECT_EQ(nullptr, FindWindowW(kShellDialogClass, kVolumePopupTitle));
  SetRinger(false);
  EXPECT_FALSE(TaskBarVolumeState.SoundRefreshPending);
  EXPECT_EQ(0u, RealMode());
  EXPECT_EQ(nullptr, FindWindowW(kShellDialogClass, kVolumePopupTitle));
}

TEST_F(ShellProcessTest, TheDeviceToolsRequestsReachTheShell) {
  EXPECT_EQ(1, Request(kRequestShowReminder));
  SetTaskBarRinger(true);
  EXPECT_TRUE(TaskBarVolumeState.SoundRefreshPending);
  EXPECT_EQ(1, Request(kRequestHideReminder));
  SetRinger(true);
  EXPECT_FALSE(TaskBarVolumeState.SoundRefreshPending);
  EXPECT_EQ(2u, RealMode());

  EXPECT_EQ(1, Request(kRequestMoveIcon, MAKELONG(90, 12)));
  SetRinger(false);
  EXPECT_EQ(2u, RealMode()) << "the icon moved away from the stored point";
  EditSettings([&](SettingsRecord& s) { s.TBIconLocation = MAKELONG(90, 12); });
  SetRinger(false);
  EXPECT_EQ(0u, RealMode());

  EXPECT_EQ(0, Request(77)) << "an unknown request is refused";
}

TEST(LaunchRecord, TheArgumentsAreTheCommandLineWithoutTheProgramsOwnName) {
  struct Row {
    const wchar_t* commandLine;
    const wchar_t* arguments;
  } rows[] = {
      {L"file:QuietMinder.htm#mute_tab", L"file:QuietMinder.htm#mute_tab"},
      {L"peghelp.exe file:QuietMinder.htm#about_tab", L"file:QuietMinder.htm#about_tab"},
      {L"\"C:\\windows\\peghelp.exe\"  file:x.htm", L"file:x.htm"},
      {L"C:\\windows\\PEGHELP file:x.htm", L"file:x.htm"},
      {L"\"C:\\Program Files\\peghelp.exe\"", L""},
      {L"peghelpers.exe x", L"peghelpers.exe x"},
      {L"\"unterminated peghelp.exe", L"\"unterminated peghelp.exe"},
      {L"", L""},
      {L"   ", L""},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(row.arguments, ArgumentsOf(row.commandLine, L"peghelp.exe"))
        << "command line: [" << testing::PrintToString(std::wstring(row.commandLine)) << "]";
  }
}

TEST(LaunchRecord, TheRecordersNoteEachLaunchInOrder) {
  const std::wstring help = BuiltProgram(L"peghelp.exe");
  const std::wstring applet = BuiltProgram(L"ctlpnl.exe");
  if (help.empty() || applet.empty()) GTEST_SKIP() << "the recorders are not built";
  ClearLaunches();

  // As the program starts them: the help viewer with the address alone as its command line,
  // the applet through the shell with its parameters.
  for (auto [program, line] : {std::pair{help, std::wstring(L"file:QuietMinder.htm#sound_tab")},
                               std::pair{applet, L"\"" + applet + L"\" \\Windows\\cplmain.cpl,9"}}) {
    HANDLE process = Start(program, line);
    ASSERT_NE(nullptr, process);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, 20000));
    DWORD code = 1;
    GetExitCodeProcess(process, &code);
    EXPECT_EQ(0u, code);
    CloseHandle(process);
  }

  const auto launches = ReadLaunches();
  ASSERT_EQ(2u, launches.size());
  EXPECT_EQ(L"peghelp.exe", launches[0].program);
  EXPECT_EQ(L"file:QuietMinder.htm#sound_tab", launches[0].arguments);
  EXPECT_EQ(L"ctlpnl.exe", launches[1].program);
  EXPECT_EQ(L"\\Windows\\cplmain.cpl,9", launches[1].arguments);
  EXPECT_NE(0u, launches[1].deviceTime);
  ClearLaunches();
}

}  // namespace
