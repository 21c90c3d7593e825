#include "ui/about_page.h"

#include "resources/resource.h"
#include "ui/history_view.h"

namespace {

BOOL OnCommand(HWND page, WPARAM wParam) {
  switch (LOWORD(wParam)) {
    case IDOK:
    case IDCANCEL:
      EndDialog(page, 0);
      return TRUE;
    case IDC_ABOUT_HISTORY:
      // Over the whole settings window, not inside the page.
      if (HIWORD(wParam) == BN_CLICKED) ShowHistory(GetAncestor(page, GA_ROOT));
      return TRUE;
    default:
      return TRUE;
  }
}

}  // namespace

INT_PTR CALLBACK AboutPageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_COMMAND:
      return OnCommand(page, wParam);
    default:
      return FALSE;
  }
}
