#include "common/tray_icon.h"

#include <shellapi.h>

#include "common/error_message.h"
#include "common/program.h"
#include "platform/handheld.h"
#include "platform/program_names.h"

HICON LoadProgramIcon(int iconId) {
  // Shared icons: loading the same picture again hands back the same handle, nothing leaks.
  return static_cast<HICON>(
      LoadImageW(Program.Instance, MAKEINTRESOURCEW(iconId), IMAGE_ICON, 16, 16, LR_SHARED));
}

bool SetTrayIcon(TrayOperation operation, int iconId) {
  HICON icon = LoadProgramIcon(iconId);
  if (!icon) ShowLastErrorText();

  NOTIFYICONDATAW data{};
  // The handheld's record is the original 32-bit layout; this platform's equivalent is the
  // first-version size of its own record.
  data.cbSize = NOTIFYICONDATAW_V1_SIZE;
  data.hWnd = Program.MainWindow;
  data.uID = kTrayIconId;
  data.uFlags = NIF_MESSAGE | NIF_ICON;
  data.uCallbackMessage = WM_TRAY_NOTIFY;
  data.hIcon = icon;

  DWORD message = NIM_ADD;
  const wchar_t* failure = L"Failed to Add Tray Icon";
  if (operation == TrayOperation::Modify) {
    message = NIM_MODIFY;
    failure = L"Failed to Modify Tray Icon";
  } else if (operation == TrayOperation::Delete) {
    message = NIM_DELETE;
    failure = L"Failed to delete Tray Icon";
  }
  const bool ok = NotifyIcon(message, &data) != FALSE;
  if (!ok) ShowMessageBox(Program.MainWindow, failure, kIconErrorCaption, MB_OK);
  return ok;
}
