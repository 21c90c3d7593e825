#include "app/startup.h"

#include <commctrl.h>
#include <objbase.h>

#include "app/main_window.h"
#include "app/tray_icon.h"
#include "common/error_message.h"
#include "common/scoped.h"
#include "platform/handheld.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "sound/mute_engine.h"

HINSTANCE AppInstance = nullptr;
bool StartedAtStartup = false;
bool IsPocketPcV3 = false;
bool IsPocketPcV4 = false;
bool HasPhone = false;
HWND MainWindow = nullptr;
HANDLE DriverDevice = nullptr;
HANDLE DriverFile = INVALID_HANDLE_VALUE;
SoundKeyNames SoundKeys;

namespace {

const wchar_t* g_programName = nullptr;  // string 1, "QMind"
const wchar_t* g_className = nullptr;    // string 3, "QMIND"

// The string table's text in place (read-only resource memory); null when it is missing.
const wchar_t* LoadResourceString(HINSTANCE instance, UINT id) {
  const wchar_t* text = nullptr;
  const int length = LoadStringW(instance, id, reinterpret_cast<wchar_t*>(&text), 0);
  if (length <= 0 || !text) return nullptr;
  // Resource strings are not terminated; keep a terminated copy for the life of the process.
  auto* copy = new wchar_t[length + 1];
  wmemcpy(copy, text, length);
  copy[length] = L'\0';
  return copy;
}

void RegisterMainWindowClass(HINSTANCE instance) {
  WNDCLASSW wc{};
  wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  wc.lpfnWndProc = MainWindowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP));
  if (!wc.hIcon) ShowLastErrorText();
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = g_className;
  RegisterClassW(&wc);
}

bool CreateMainWindow(HINSTANCE instance) {
  MainWindow = CreateWindowExW(0, g_className, g_programName, WS_SYSMENU, 0, 0, CW_USEDEFAULT,
                               CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
  if (!MainWindow) return false;
  Muted = false;

  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_DATE_CLASSES};
  if (!InitCommonControlsEx(&controls)) {
    ShowMessageBox(MainWindow, L"Failed to register Date Classes", L"QMind", MB_ICONEXCLAMATION);
  }
  SetTrayIcon(TrayOperation::Add, IDI_IDLE);
  ShowWindow(MainWindow, SW_HIDE);
  if (!StartedAtStartup) SendMessageW(MainWindow, WM_TRAY_NOTIFY, kTrayIconId, WM_LBUTTONUP);
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

bool DriverFileOpen() { return DriverFile != INVALID_HANDLE_VALUE && DriverFile != nullptr; }

void SendDriverWindow(DWORD code, HWND window) {
  // The driver keeps a 32-bit window handle; window handles carry only 32 significant bits.
  const DWORD handle = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(window));
  StreamDeviceIoControl(DriverFile, code, &handle, sizeof handle);
}

void DetectPlatform(HINSTANCE instance) {
  DWORD major = 0;
  const bool haveVersion = GetOsMajorVersion(&major);
  wchar_t platformType[200] = {};  // 400 bytes
  GetPlatformType(platformType, 200);
  const bool pocketPc = wcscmp(platformType, L"PocketPC") == 0;
  IsPocketPcV3 = haveVersion && major == 3 && pocketPc;
  IsPocketPcV4 = haveVersion && major == 4 && pocketPc;

  HKEY ringTone{};
  HasPhone = RegOpenKeyExW(HKEY_CURRENT_USER, L"ControlPanel\\Sounds\\RingTone0", 0, KEY_READ,
                           &ringTone) == ERROR_SUCCESS;
  if (HasPhone) RegCloseKey(ringTone);

  g_programName = LoadResourceString(instance, IDS_PROGRAM_NAME);
  g_className = LoadResourceString(instance, IDS_WINDOW_CLASS);
  SoundKeys = SoundKeyNames{};
  SoundKeys.Volume = LoadResourceString(instance, IDS_KEY_VOLUME);
  if (IsOlderPlatform()) {
    SoundKeys.VolumeUnmuted = LoadResourceString(instance, IDS_KEY_VOLUME_UNMUTED);
    return;
  }
  SoundKeys.ShellOverrides = LoadResourceString(instance, IDS_KEY_SHELL_OVERRIDES);
  if (!HasPhone) return;
  SoundKeys.RingTone = LoadResourceString(instance, IDS_KEY_RING_TONE);
  if (!IsPocketPcV4) return;
  SoundKeys.RingCategory = LoadResourceString(instance, IDS_KEY_RING_CATEGORY);
  SoundKeys.EarCouple = LoadResourceString(instance, IDS_KEY_EAR_COUPLE);
}

int QuietMinderMain(HINSTANCE instance, const wchar_t* commandLine) {
  AppInstance = instance;
  StartedAtStartup = commandLine && wcscmp(commandLine, L"STARTUP") == 0;
  DetectPlatform(instance);

  UniqueKernelHandle mutex(CreateMutexW(nullptr, FALSE, g_programName));
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    if (HWND running = FindWindowW(g_className, g_programName)) {
      PostMessageW(running, WM_TRAY_NOTIFY, kTrayIconId, WM_LBUTTONUP);
    }
    return 1;
  }

  if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {
    ShowMessageBox(nullptr, L"Failed to initialize COM.  QuietMinder will now exit.",
                   L"QuietMinder Error", MB_OK);
    mutex.reset();
    CoUninitialize();
    return 0;
  }

  RegisterMainWindowClass(instance);

  UniqueModule toolhelp(LoadToolhelp());
  if (!toolhelp) {
    ShowMessageBox(nullptr, L"Toolhelp.dll not found", L"QuietMinder", MB_OK);
    return 0;
  }

  DriverDevice = RegisterDevice(L"WKD", 1, L"WAKEDRV.DLL", 0);
  DriverFile = OpenStreamDevice(L"WKD1:");

  LoadSettings();
  ExtendToPowerOn = Settings.ExtendMuteDefault;

  int exitCode = -1;
  if (CreateMainWindow(instance)) {
    if (DriverFileOpen()) SendDriverWindow(kDriverSetWindow, MainWindow);
    StartCheckTimer();
    exitCode = RunMessageLoop();
  }

  StopCheckTimer(true);
  if (DriverFileOpen()) CloseStreamDevice(DriverFile);
  DriverFile = INVALID_HANDLE_VALUE;
  if (DriverDevice) DeregisterDevice(DriverDevice);
  DriverDevice = nullptr;
  toolhelp.reset();
  FreeSettingsLists();
  return exitCode;
}
