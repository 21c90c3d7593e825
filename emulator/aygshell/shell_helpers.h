// The device's shell library: the dialog helpers it exports under the handheld's names
// (SHInitDialog, SHFullScreen, SHCreateMenuBar). A library, so that tests can use the same
// behaviour in-process.
#pragma once
#include <windows.h>

#include "platform/aygshell.h"

namespace devshell {

BOOL InitDialog(PSHINITDLGINFO info);
BOOL FullScreen(HWND requester, DWORD state);
// Only empty bars exist here: a request for a bar built from a tool-bar resource fails with
// ERROR_NOT_SUPPORTED, as do a record whose cbSize is not sizeof(SHMENUBARINFO) or a parent that
// is not a window (ERROR_INVALID_PARAMETER).
BOOL CreateMenuBar(PSHMENUBARINFO info);

}  // namespace devshell
