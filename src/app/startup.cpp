#include "app/startup.h"

#include <commctrl.h>

#include "app/main_window.h"
#include "app/power_driver.h"
#include "app/run_journal.h"
#include "common/error_message.h"
#include "common/program.h"
#include "common/scoped.h"
#include "common/tray_icon.h"
#include "meetings/plan_window.h"
#include "platform/device_profile.h"
#include "platform/handheld.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "sound/mute_policy.h"

namespace {

// A string-table entry; empty when it is missing.
std::wstring LoadResourceString(HINSTANCE instance, UINT id) {
  const wchar_t* text = nullptr;
  // With no buffer the call hands back the resource's text in place, which is not terminated.
  const int length = LoadStringW(instance, id, reinterpret_cast<wchar_t*>(&text), 0);
  if (length <= 0 || !text) return {};
  return std::wstring(text, static_cast<size_t>(length));
}

void RegisterMainWindowClass(HINSTANCE instance) {
  WNDCLASSW wc{};
  wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  wc.lpfnWndProc = MainWindowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP));
  if (!wc.hIcon) ShowLastErrorText();
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = Program.ClassName.c_str();
  RegisterClassW(&wc);
}

bool CreateMainWindow(HINSTANCE instance) {
  Program.MainWindow =
      CreateWindowExW(0, Program.ClassName.c_str(), Program.Name.c_str(), WS_SYSMENU, 0, 0,
                      CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
  if (!Program.MainWindow) return false;
  // The run's first journal line is written once the window is there: nothing before it acts
  // on the sound, and the settings window, which holds the device silent, opens only below.
  JournalProgramStart();

  SetTrayIcon(TrayOperation::Add, StateIconId());
  ShowWindow(Program.MainWindow, SW_HIDE);
  if (!Program.StartedAtStartup) {
    SendMessageW(Program.MainWindow, WM_TRAY_NOTIFY, kTrayIconId, WM_LBUTTONUP);
  }
  return true;
}

int RunMessageLoop() {
  MSG msg{};
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

}  // namespace

void LoadProgramIdentity(HINSTANCE instance, const wchar_t* commandLine) {
  ResetProgram();
  Program.Instance = instance;
  Program.StartedAtStartup = commandLine && wcscmp(commandLine, L"STARTUP") == 0;
  DetectDeviceProfile(instance);
  Program.Name = LoadResourceString(instance, IDS_PROGRAM_NAME);
  Program.ClassName = LoadResourceString(instance, IDS_WINDOW_CLASS);
}

void LoadProgramState() {
  LoadSettings();
  OnProgramStart();
}

void StartProgramState() {
  LoadProgramState();
  JournalProgramStart();
}

int QuietMinderMain(HINSTANCE instance, const wchar_t* commandLine) {
  LoadProgramIdentity(instance, commandLine);

  UniqueKernelHandle mutex(CreateMutexW(nullptr, FALSE, Program.Name.c_str()));
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    if (HWND running = FindWindowW(Program.ClassName.c_str(), Program.Name.c_str())) {
      PostMessageW(running, WM_TRAY_NOTIFY, kTrayIconId, WM_LBUTTONUP);
    }
    return 1;
  }

  const ComApartment com(COINIT_MULTITHREADED);
  if (!com) {
    ShowMessageBox(nullptr, L"Failed to initialize COM.  QuietMinder will now exit.", kErrorCaption,
                   MB_OK);
    return 0;
  }

  RegisterMainWindowClass(instance);

  UniqueModule toolhelp(LoadToolhelp());
  if (!toolhelp) {
    ShowMessageBox(nullptr, L"Toolhelp.dll not found", kSettingsWindowTitle, MB_OK);
    return 0;
  }

  LoadProgramState();

  int exitCode = -1;
  HWND planWindow = nullptr;
  if (CreateMainWindow(instance)) {
    // The power driver is opened once there is a window to hand it: its power-ons go nowhere
    // before, and loading it (and its thread) does not hold up the window.
    OpenPowerDriver();
    planWindow = OpenPlanWindow(instance);
    HandPowerDriverWindow(Program.MainWindow);
    StartCheckTimer();
    exitCode = RunMessageLoop();
  }

  StopCheckTimer();
  ClosePlanWindow(planWindow);
  ClosePowerDriver();
  toolhelp.reset();
  FreeSettingsLists();
  return exitCode;
}
