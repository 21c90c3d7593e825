// aygshell.dll of the emulated handheld: the shell's dialog helpers under their own names
// (aygshell.def maps the exports).
#include "aygshell/shell_helpers.h"

extern "C" {

__declspec(dllexport) BOOL WINAPI DevShellInitDialog(PSHINITDLGINFO info) {
  return devshell::InitDialog(info);
}
__declspec(dllexport) BOOL WINAPI DevShellFullScreen(HWND requester, DWORD state) {
  return devshell::FullScreen(requester, state);
}
__declspec(dllexport) BOOL WINAPI DevShellCreateMenuBar(PSHMENUBARINFO info) {
  return devshell::CreateMenuBar(info);
}

}  // extern "C"
