#include "e2e/device_session.h"

#include <tlhelp32.h>

#include <cwchar>

#include "common/scoped.h"
#include "device/device_state.h"
#include "platform/journal_file.h"
#include "platform/program_names.h"

namespace e2e {
namespace {

constexpr wchar_t kProgram[] = L"C:\\Program Files\\QuietMinder\\QuietMinder.exe";
constexpr wchar_t kTool[] = L"C:\\windows\\qmdevice.exe";

PROCESS_INFORMATION StartOnce(const std::wstring& module, const std::wstring& arguments,
                              DWORD flags) {
  std::wstring line = L"\"" + module + L"\"";
  if (!arguments.empty()) line += L" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(module.c_str(), line.data(), nullptr, nullptr, FALSE, flags, nullptr, L"C:\\",
                      &startup, &process)) {
    process = PROCESS_INFORMATION{};
  }
  return process;
}

// A start refused on a busy machine has run nothing, so it is safe to ask again.
PROCESS_INFORMATION Start(const std::wstring& module, const std::wstring& arguments,
                          DWORD flags = 0) {
  PROCESS_INFORMATION p{};
  for (int attempt = 0; attempt < 3 && !p.hProcess; ++attempt) {
    p = StartOnce(module, arguments, flags);
  }
  return p;
}

void KillLeftovers() {
  for (const DWORD id : ProgramProcessIds()) {
    if (HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id)) {
      TerminateProcess(p, 9);
      WaitForSingleObject(p, 5000);
      CloseHandle(p);
    }
  }
}

}  // namespace

void ResetDevice(DeviceKind kind) {
  KillLeftovers();
  WriteDeviceKind(kind);
  WriteDeviceWaveVolume(kFreshWaveVolume);
  WriteDeviceDword(L"ClockRate", 1);
  WriteDeviceQword(L"ClockBaseHost", 0);
  WriteDeviceDword(L"TrayIconShown", 0);
  PopulateSoundKeys(HKEY_CURRENT_USER, kind);
  RegDeleteTreeW(HKEY_CURRENT_USER, kMakerKeyPath);
  DeleteFileW((std::wstring(L"C:") + kJournalFilePath).c_str());
  Tool(L"calendar clear");
}

int Tool(const std::wstring& arguments) {
  PROCESS_INFORMATION p = Start(kTool, arguments);
  if (!p.hProcess) {
    fwprintf(stderr, L"the device tool did not start (error %lu)\n", GetLastError());
    return -1;
  }
  DWORD code = 0;
  if (WaitForSingleObject(p.hProcess, 60000) == WAIT_OBJECT_0) {
    GetExitCodeProcess(p.hProcess, &code);
  } else {
    // One that never ends must not act later, nor keep this program's output open.
    fwprintf(stderr, L"the device tool did not end: %ls\n", arguments.c_str());
    TerminateProcess(p.hProcess, 9);
    WaitForSingleObject(p.hProcess, 5000);
    code = static_cast<DWORD>(-1);
  }
  CloseHandle(p.hThread);
  CloseHandle(p.hProcess);
  return static_cast<int>(code);
}

std::vector<std::string> ToolLines(const std::wstring& arguments) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  UniqueKernelHandle read, write;
  if (!CreatePipe(read.put(), write.put(), &inherit, 0)) return {};
  SetHandleInformation(read.get(), HANDLE_FLAG_INHERIT, 0);
  std::wstring line = std::wstring(L"\"") + kTool + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = write.get();
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION p{};
  if (!CreateProcessW(kTool, line.data(), nullptr, nullptr, TRUE, 0, nullptr, L"C:\\", &startup,
                      &p)) {
    return {};
  }
  const UniqueKernelHandle process(p.hProcess), thread(p.hThread);
  write.reset();  // the tool's end only: the read ends when the tool does
  std::string text;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(read.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
    text.append(buffer, got);
  }
  WaitForSingleObject(process.get(), 30000);
  std::vector<std::string> lines;
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string one = text.substr(at, end - at);
    if (!one.empty() && one.back() == '\r') one.pop_back();
    lines.push_back(one);
    at = end + 1;
  }
  return lines;
}

Program::Program(const std::wstring& arguments, Held held)
    : process_(Start(kProgram, arguments, held == Held::Yes ? CREATE_SUSPENDED : 0)) {}

void Program::Go() {
  if (process_.hThread) ResumeThread(process_.hThread);
}

Program::~Program() {
  Kill();
  if (process_.hThread) CloseHandle(process_.hThread);
  if (process_.hProcess) CloseHandle(process_.hProcess);
}

bool Program::Running() const { return Wait(0) == STILL_ACTIVE; }

DWORD Program::Wait(DWORD ms) const {
  if (!process_.hProcess) return 0xFFFFFFFF;
  WaitForSingleObject(process_.hProcess, ms);
  DWORD code = 0;
  GetExitCodeProcess(process_.hProcess, &code);
  return code;
}

void Program::Kill() {
  if (process_.hProcess && Running()) {
    TerminateProcess(process_.hProcess, 9);
    WaitForSingleObject(process_.hProcess, 30000);
  }
}

HWND WaitForMainWindow(DWORD ms) {
  HWND window = nullptr;
  WaitUntil([&] { return (window = FindWindowW(kWindowClass, kProgramName)) != nullptr; }, ms);
  return window;
}

HWND WaitForMainWindowOf(DWORD pid, DWORD ms) {
  HWND window = nullptr;
  WaitUntil(
      [&] { return (window = FindProcessWindow(pid, kWindowClass, kProgramName)) != nullptr; }, ms);
  return window;
}

std::vector<HWND> MainWindows() {
  std::vector<HWND> windows;
  for (HWND w = FindWindowExW(nullptr, nullptr, kWindowClass, kProgramName); w;
       w = FindWindowExW(nullptr, w, kWindowClass, kProgramName)) {
    windows.push_back(w);
  }
  return windows;
}

std::vector<DWORD> ProgramProcessIds() {
  std::vector<DWORD> ids;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return ids;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more;
       more = Process32NextW(snapshot, &entry)) {
    if (_wcsicmp(entry.szExeFile, L"QuietMinder.exe") == 0) ids.push_back(entry.th32ProcessID);
  }
  CloseHandle(snapshot);
  return ids;
}

HWND FindProcessWindow(DWORD pid, const wchar_t* className, const wchar_t* title) {
  for (HWND w = FindWindowExW(nullptr, nullptr, className, title); w;
       w = FindWindowExW(nullptr, w, className, title)) {
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (owner == pid) return w;
  }
  return nullptr;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD ms) {
  const DWORD end = GetTickCount() + ms;
  for (;;) {
    if (condition()) return true;
    if (static_cast<LONG>(end - GetTickCount()) <= 0) return false;
    Sleep(50);
  }
}

DWORD UserDword(const wchar_t* key, const wchar_t* name, DWORD fallback) {
  DWORD value = 0, size = sizeof value;
  if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_DWORD, nullptr, &value, &size) != 0) {
    return fallback;
  }
  return value;
}

void PutUserDword(const wchar_t* key, const wchar_t* name, DWORD value) {
  RegSetKeyValueW(HKEY_CURRENT_USER, key, name, REG_DWORD, &value, sizeof value);
}

std::wstring UserText(const wchar_t* key, const wchar_t* name, const std::wstring& fallback) {
  DWORD size = 0;
  if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ, nullptr, nullptr, &size) != 0) {
    return fallback;
  }
  std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
  if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ, nullptr, text.data(), &size) != 0) {
    return fallback;
  }
  text.resize(wcsnlen(text.c_str(), text.size()));
  return text;
}

DWORD TrayPicture() {
  return ReadDeviceDword(L"TrayIconShown", 0) ? ReadDeviceDword(L"TrayIconPicture", 0) : 0;
}

HWND TrayOwner() {
  // Window handles carry 32 significant bits; the device keeps them as such.
  return reinterpret_cast<HWND>(static_cast<ULONG_PTR>(ReadDeviceDword(L"TrayIconOwner", 0)));
}

bool TrayIconOf(HWND window) {
  // The device keeps the owner as the 32 significant bits of its handle.
  return window && ReadDeviceDword(L"TrayIconShown", 0) != 0 &&
         ReadDeviceDword(L"TrayIconOwner", 0) ==
             static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(window));
}

}  // namespace e2e
