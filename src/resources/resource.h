// Resource ids of QuietMinder: icons, dialogs, strings and controls. Also read by windres.
#pragma once

// The string-table entries with the names of the device's sound keys (IDS_KEY_*).
#include "platform/sound_keys.h"

// Icons
#define IDI_APP 101
#define IDI_PAGE_HEADER 119
// The notification icon's pictures (IDI_IDLE, IDI_MUTED, IDI_MUTED_USER_RESTORE,
// IDI_FILTER_HOLD): what each tells the owner is part of how the program is known from outside.
#include "platform/program_names.h"

// Dialogs
#define IDD_SETTINGS 128
#define IDD_MUTE_PAGE 103
#define IDD_ABOUT_PAGE 126
#define IDD_SETTINGS_PAGE 127
#define IDD_MEETINGS_PAGE 130
#define IDD_SOUND_PAGE 137
#define IDD_LOCATE 139
#define IDD_APPS_PAGE 140
#define IDD_HISTORY 141
#define IDD_TODAY 143
#define IDD_RULES 144

// Bitmaps of the About page
#define IDB_LOGO 150
#define IDB_BADGE 151

// Controls (IDC_*), and the one for texts that no one addresses.
#include "platform/control_ids.h"
#define IDC_STATIC -1

// String table
#define IDS_PROGRAM_NAME 1
#define IDS_WINDOW_CLASS 3
