// The handheld layer as the device provides it: the calls that only the handheld's core library
// offers are bound from "coredll.dll" at first use. Where the library or a call is missing (a
// desktop system), the nearest desktop call stands in, or the call fails as it would on a device
// without the feature.
#include <windows.h>
#include <mmsystem.h>
#include <shellapi.h>

#include <string>

#include "platform/aygshell.h"
#include "platform/handheld.h"

namespace {

using OpenDatabaseFn = HANDLE(WINAPI*)(CEGUID*, CEOID*, const wchar_t*, CEPROPID, DWORD,
                                       CENOTIFYREQUEST*);

struct CoreLibrary {
  HMODULE module = nullptr;
  BOOL(WINAPI* getVersionEx)(OSVERSIONINFOW*) = nullptr;
  BOOL(WINAPI* systemParametersInfo)(UINT, UINT, void*, UINT) = nullptr;
  MMRESULT(WINAPI* waveOutGetVolume)(HWAVEOUT, DWORD*) = nullptr;
  MMRESULT(WINAPI* waveOutSetVolume)(HWAVEOUT, DWORD) = nullptr;
  void(WINAPI* refreshSoundSettings)(int, int, int, int) = nullptr;
  BOOL(WINAPI* sndPlaySound)(const wchar_t*, UINT) = nullptr;
  void(WINAPI* getSystemTime)(SYSTEMTIME*) = nullptr;
  void(WINAPI* getLocalTime)(SYSTEMTIME*) = nullptr;
  HANDLE(WINAPI* registerDevice)(const wchar_t*, DWORD, const wchar_t*, DWORD) = nullptr;
  BOOL(WINAPI* deregisterDevice)(HANDLE) = nullptr;
  HANDLE(WINAPI* createFile)(const wchar_t*, DWORD, DWORD, SECURITY_ATTRIBUTES*, DWORD, DWORD,
                             HANDLE) = nullptr;
  BOOL(WINAPI* deviceIoControl)(HANDLE, DWORD, void*, DWORD, void*, DWORD, DWORD*,
                                OVERLAPPED*) = nullptr;
  BOOL(WINAPI* closeHandle)(HANDLE) = nullptr;
  BOOL(WINAPI* shellNotifyIcon)(DWORD, NOTIFYICONDATAW*) = nullptr;
  OpenDatabaseFn openDatabase = nullptr;
  CEOID(WINAPI* readRecord)(HANDLE, DWORD, WORD*, CEPROPID*, BYTE**, DWORD*, HANDLE) = nullptr;
};

template <typename F>
void Bind(HMODULE module, const char* name, F& fn) {
  fn = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// What `Make` makes, made once, by whichever thread comes first. (The system's one-time
// initialisation: a static guarded by the compiler would bring the threads library along.)
template <typename T, T (*Make)()>
const T& Once() {
  static INIT_ONCE once = INIT_ONCE_STATIC_INIT;
  static T value;
  InitOnceExecuteOnce(
      &once,
      [](PINIT_ONCE, PVOID, PVOID*) -> BOOL {
        value = Make();
        return TRUE;
      },
      nullptr, nullptr);
  return value;
}

CoreLibrary LoadCore() {
  CoreLibrary c;
  c.module = LoadLibraryW(L"coredll.dll");
  if (!c.module) return c;
  Bind(c.module, "GetVersionExW", c.getVersionEx);
  Bind(c.module, "SystemParametersInfoW", c.systemParametersInfo);
  Bind(c.module, "waveOutGetVolume", c.waveOutGetVolume);
  Bind(c.module, "waveOutSetVolume", c.waveOutSetVolume);
  Bind(c.module, "RefreshSoundSettings", c.refreshSoundSettings);
  Bind(c.module, "sndPlaySoundW", c.sndPlaySound);
  Bind(c.module, "GetSystemTime", c.getSystemTime);
  Bind(c.module, "GetLocalTime", c.getLocalTime);
  Bind(c.module, "RegisterDevice", c.registerDevice);
  Bind(c.module, "DeregisterDevice", c.deregisterDevice);
  Bind(c.module, "CreateFileW", c.createFile);
  Bind(c.module, "DeviceIoControl", c.deviceIoControl);
  Bind(c.module, "CloseHandle", c.closeHandle);
  Bind(c.module, "Shell_NotifyIcon", c.shellNotifyIcon);
  Bind(c.module, "CeOpenDatabaseEx", c.openDatabase);
  Bind(c.module, "CeReadRecordPropsEx", c.readRecord);
  return c;
}

const CoreLibrary& Core() { return Once<CoreLibrary, LoadCore>(); }

// The shell's dialog helpers live in the shell's own library.
struct ShellLibrary {
  HMODULE module = nullptr;
  BOOL(WINAPI* initDialog)(PSHINITDLGINFO) = nullptr;
  BOOL(WINAPI* fullScreen)(HWND, DWORD) = nullptr;
  BOOL(WINAPI* createMenuBar)(PSHMENUBARINFO) = nullptr;
};

ShellLibrary LoadShell() {
  ShellLibrary s;
  s.module = LoadLibraryW(L"aygshell.dll");
  if (!s.module) return s;
  Bind(s.module, "SHInitDialog", s.initDialog);
  Bind(s.module, "SHFullScreen", s.fullScreen);
  Bind(s.module, "SHCreateMenuBar", s.createMenuBar);
  return s;
}

const ShellLibrary& Shell() { return Once<ShellLibrary, LoadShell>(); }

// A call the device does not have.
BOOL Missing() {
  SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
  return FALSE;
}

constexpr UINT kSpiGetPlatformType = 257;

}  // namespace

bool GetOsMajorVersion(DWORD* major) {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  const auto getVersion = Core().getVersionEx;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  const BOOL ok = getVersion ? getVersion(&info) : GetVersionExW(&info);
#pragma GCC diagnostic pop
  if (!ok) return false;
  *major = info.dwMajorVersion;
  return true;
}

bool GetPlatformType(wchar_t* buffer, size_t chars) {
  if (chars == 0) return false;
  buffer[0] = L'\0';
  const auto spi = Core().systemParametersInfo;
  if (!spi) return false;  // a desktop system has no platform type
  if (!spi(kSpiGetPlatformType, static_cast<UINT>(chars * sizeof(wchar_t)), buffer, 0)) {
    buffer[0] = L'\0';
    return false;
  }
  buffer[chars - 1] = L'\0';
  return true;
}

bool GetWaveVolume(DWORD* volume) {
  DWORD value = 0;
  const auto get = Core().waveOutGetVolume;
  const MMRESULT status = get ? get(reinterpret_cast<HWAVEOUT>(0), &value)
                              : ::waveOutGetVolume(reinterpret_cast<HWAVEOUT>(0), &value);
  if (status != MMSYSERR_NOERROR) return false;
  *volume = value;
  return true;
}

bool SetWaveVolume(DWORD volume) {
  const auto set = Core().waveOutSetVolume;
  const MMRESULT status = set ? set(reinterpret_cast<HWAVEOUT>(0), volume)
                              : ::waveOutSetVolume(reinterpret_cast<HWAVEOUT>(0), volume);
  return status == MMSYSERR_NOERROR;
}

void RefreshSoundSettings() {
  if (const auto refresh = Core().refreshSoundSettings) refresh(-2, 1, 0, 0);
}

bool PlaySystemSound(const wchar_t* name, UINT flags) {
  if (const auto play = Core().sndPlaySound) return play(name, flags) != FALSE;
  return ::sndPlaySoundW(name, flags) != FALSE;
}

void GetDeviceSystemTime(SYSTEMTIME* utc) {
  if (const auto get = Core().getSystemTime) return get(utc);
  ::GetSystemTime(utc);
}

void GetDeviceLocalTime(SYSTEMTIME* local) {
  if (const auto get = Core().getLocalTime) return get(local);
  ::GetLocalTime(local);
}

HANDLE RegisterDevice(const wchar_t* prefix, DWORD index, const wchar_t* library, DWORD context) {
  const auto reg = Core().registerDevice;
  return reg ? reg(prefix, index, library, context) : nullptr;
}

BOOL DeregisterDevice(HANDLE device) {
  const auto dereg = Core().deregisterDevice;
  return dereg ? dereg(device) : FALSE;
}

HANDLE OpenStreamDevice(const wchar_t* name) {
  const auto open = Core().createFile;
  if (!open) return INVALID_HANDLE_VALUE;
  return open(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

BOOL StreamDeviceIoControl(HANDLE file, DWORD code, const void* in, DWORD inSize) {
  const auto ioctl = Core().deviceIoControl;
  if (!ioctl) return FALSE;
  DWORD returned = 0;
  return ioctl(file, code, const_cast<void*>(in), inSize, nullptr, 0, &returned, nullptr);
}

void CloseStreamDevice(HANDLE file) {
  if (const auto close = Core().closeHandle) close(file);
}

// A desktop system has no property databases.
HANDLE CeOpenDatabaseEx(CEGUID* volume, CEOID* oid, const wchar_t* name, CEPROPID sortProperty,
                        DWORD flags, CENOTIFYREQUEST* notify) {
  if (const auto open = Core().openDatabase) {
    return open(volume, oid, name, sortProperty, flags, notify);
  }
  Missing();
  return INVALID_HANDLE_VALUE;
}

CEOID CeReadRecordPropsEx(HANDLE database, DWORD flags, WORD* propCount, CEPROPID* propIds,
                          BYTE** buffer, DWORD* bufferBytes, HANDLE heap) {
  if (const auto read = Core().readRecord) {
    return read(database, flags, propCount, propIds, buffer, bufferBytes, heap);
  }
  Missing();
  return 0;
}

BOOL CloseDatabase(HANDLE database) {
  const auto close = Core().closeHandle;
  return close ? close(database) : Missing();
}

HMODULE LoadToolhelp() {
  if (HMODULE toolhelp = LoadLibraryW(L"toolhelp.dll")) return toolhelp;
  // A desktop system keeps the tool-help calls in its kernel.
  return Core().module ? nullptr : LoadLibraryW(L"kernel32.dll");
}

int ShowMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
  return MessageBoxW(owner, text, caption, type);
}

BOOL NotifyIcon(DWORD message, NOTIFYICONDATAW* data) {
  if (const auto notify = Core().shellNotifyIcon) return notify(message, data);
  return Shell_NotifyIconW(message, data);
}

const wchar_t* DialogClassName() { return L"#32770"; }

BOOL LaunchProgram(const wchar_t* module, const wchar_t* commandLine) {
  // The handheld finds a program named without a folder in \Windows.
  std::wstring path = module ? module : L"";
  if (!path.empty() && path.find_first_of(L"\\/:") == std::wstring::npos) {
    wchar_t windows[MAX_PATH] = {};
    if (GetWindowsDirectoryW(windows, MAX_PATH) != 0) path = std::wstring(windows) + L"\\" + path;
  }
  module = path.empty() ? nullptr : path.c_str();
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  // CreateProcessW may write into the command line.
  std::wstring line = commandLine ? commandLine : L"";
  const BOOL ok = CreateProcessW(module, line.empty() ? nullptr : line.data(), nullptr, nullptr,
                                 FALSE, 0, nullptr, nullptr, &startup, &process);
  if (ok) {
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  return ok;
}

BOOL ShellExecuteProgram(const wchar_t* file, const wchar_t* verb, const wchar_t* parameters) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_FLAG_NO_UI;
  info.lpVerb = verb;
  info.lpFile = file;
  info.lpParameters = parameters;
  info.nShow = SW_SHOWNORMAL;
  return ShellExecuteExW(&info);
}

BOOL SHInitDialog(PSHINITDLGINFO info) {
  const auto call = Shell().initDialog;
  return call ? call(info) : Missing();
}

BOOL SHFullScreen(HWND requester, DWORD state) {
  const auto call = Shell().fullScreen;
  return call ? call(requester, state) : Missing();
}

BOOL SHCreateMenuBar(PSHMENUBARINFO info) {
  const auto call = Shell().createMenuBar;
  return call ? call(info) : Missing();
}
