// A program of the device that only notes that it was started and with what: the sound applet
// and the help viewer are built from this file under their own names.
#include <windows.h>

#include <string>

#include "shell/launch_record.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring program(path, length < MAX_PATH ? length : 0);
  const size_t slash = program.find_last_of(L"\\/");
  if (slash != std::wstring::npos) program.erase(0, slash + 1);
  const wchar_t* commandLine = GetCommandLineW();
  return RecordLaunch(program, commandLine ? commandLine : L"") != 0 ? 0 : 1;
}
