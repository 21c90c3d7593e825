// The one notification icon and its pictures.
#pragma once
#include <windows.h>

#include "resources/resource.h"

enum class TrayOperation { Add, Modify, Delete };

// Adds, changes or removes the icon with the picture `iconId`. Failures are shown to the user
// and never stop the caller. Returns the platform's success flag.
bool SetTrayIcon(TrayOperation operation, int iconId);

// One of the program's icons at the notification area's size, by resource id; null when missing.
HICON LoadProgramIcon(int iconId);
