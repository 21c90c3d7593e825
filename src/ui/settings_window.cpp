#include "ui/settings_window.h"

#include <commctrl.h>

#include <cstdlib>

#include "common/program.h"
#include "platform/aygshell.h"
#include "platform/handheld.h"
#include "resources/resource.h"
#include "sound/mute_policy.h"
#include "ui/about_page.h"
#include "ui/apps_page.h"
#include "ui/context_help.h"
#include "ui/meetings_page.h"
#include "ui/mute_page.h"
#include "ui/settings_page.h"
#include "ui/sound_page.h"

namespace {

struct PageEntry {
  const wchar_t* label;
  int templateId;
  DLGPROC procedure;
  bool commitsOnLeave;
};

const PageEntry kPages[kPageCount] = {
    {L"Mute", IDD_MUTE_PAGE, MutePageProc, false},
    {L"Settings", IDD_SETTINGS_PAGE, SettingsPageProc, true},
    {L"Meetings", IDD_MEETINGS_PAGE, MeetingsPageProc, true},
    {L"Apps", IDD_APPS_PAGE, AppsPageProc, true},
    {L"Sound", IDD_SOUND_PAGE, SoundPageProc, true},
    {L"About", IDD_ABOUT_PAGE, AboutPageProc, false},
};

// The order in which a command reaches the pages: the pages with settings store theirs before
// the Mute page's choice ends the window.
constexpr int kForwardOrder[kPageCount] = {kSettingsPage, kMeetingsPage, kAppsPage,
                                           kSoundPage,    kMutePage,     kAboutPage};

constexpr int kExitCommand = IDC_MUTE_EXIT;
constexpr int kTabPadding = 2;  // pixels beside each tab's text

}  // namespace

// The window's state, kept by RunSettingsWindow for the length of the window.
struct SettingsHost {
  HWND host = nullptr;
  HWND menuBar = nullptr;
  HWND tabs = nullptr;
  HWND pages[kPageCount] = {};
  int pageWidth = 0;
  int pageHeight = 0;
  MuteChoice choice;  // what the Mute page handed over; restore until it does
};

namespace {

SettingsHost& Host(HWND dialog) {
  return *reinterpret_cast<SettingsHost*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

void InsertTab(SettingsHost& host, int index, const wchar_t* label) {
  TCITEMW item{};
  item.mask = TCIF_TEXT | TCIF_IMAGE;
  item.pszText = const_cast<wchar_t*>(label);
  item.iImage = -1;
  SendMessageW(host.tabs, TCM_INSERTITEMW, index, reinterpret_cast<LPARAM>(&item));
}

// The tab control's client area less the tab row.
RECT DisplayArea(SettingsHost& host) {
  RECT display{};
  GetClientRect(host.tabs, &display);
  SendMessageW(host.tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
  return display;
}

// Shifts the tab control left and widens it by its display area's left margin, so that pages
// start at the window's left edge.
void FitTabs(SettingsHost& host) {
  RECT client{};
  GetClientRect(host.host, &client);
  const RECT display = DisplayArea(host);
  MoveWindow(host.tabs, client.left - display.left, client.top,
             std::abs(client.right - client.left) + display.left,
             std::abs(client.bottom - client.top), TRUE);
}

// Creates the page of a tab from its template; null when it cannot be made (a later choice of
// the tab tries again).
HWND CreatePage(SettingsHost& host, int index, UINT placement) {
  const PageEntry& entry = kPages[index];
  const HWND page = CreateDialogParamW(Program.Instance, MAKEINTRESOURCEW(entry.templateId),
                                       host.tabs, entry.procedure, 0);
  if (!page) return nullptr;
  host.pages[index] = page;
  SetWindowPos(page, HWND_TOP, 0, 0, host.pageWidth, host.pageHeight, placement);
  return page;
}

void CreateMenuBar(SettingsHost& host) {
  SHMENUBARINFO info{};
  info.cbSize = sizeof info;
  info.hwndParent = host.host;
  info.dwFlags = SHCMBF_EMPTYBAR;
  if (SHCreateMenuBar(&info)) {
    host.menuBar = info.hwndMB;
    return;
  }
  ShowMessageBox(Program.MainWindow, L"SHCreateMenuBar Failed", L"Error", MB_OK);
}

void DestroyMenuBar(SettingsHost& host) {
  if (host.menuBar) DestroyWindow(host.menuBar);
  host.menuBar = nullptr;
}

// Sends one message to every page that exists, in the forwarding order.
void ForwardToPages(SettingsHost& host, UINT message, WPARAM wParam, LPARAM lParam) {
  for (int index : kForwardOrder) {
    if (const HWND page = host.pages[index]) SendMessageW(page, message, wParam, lParam);
  }
}

void EndWindow(SettingsHost& host) {
  EndDialog(host.host, IDOK);
  DestroyMenuBar(host);
}

BOOL OnInitDialog(HWND dialog, SettingsHost& host) {
  SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&host));
  const bool mutedBefore = MuteState.Muted;  // the Mute page mutes when it is created
  SHINITDLGINFO info{SHIDIM_FLAGS, dialog,
                     SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN};
  SHInitDialog(&info);
  host.host = dialog;
  CreateMenuBar(host);
  host.tabs = GetDlgItem(dialog, IDC_TABS);
  SendMessageW(host.tabs, CCM_SETVERSION, 0x020C, 0);
  // Six tabs share the handheld's 240 pixels: each as wide as its text.
  SendMessageW(host.tabs, TCM_SETPADDING, 0, MAKELPARAM(kTabPadding, 3));
  SendMessageW(host.tabs, TCM_SETMINTABWIDTH, 0, 0);
  FitTabs(host);
  InsertTab(host, kMutePage, kPages[kMutePage].label);

  const RECT display = DisplayArea(host);
  host.pageWidth = std::abs(display.right + display.left);
  host.pageHeight = std::abs(display.bottom);
  CreatePage(host, kMutePage, 0);

  ShowWindow(dialog, SW_SHOW);
  SetForegroundWindow(dialog);
  SetActiveWindow(dialog);
  for (int i = kMutePage + 1; i < kPageCount; ++i) InsertTab(host, i, kPages[i].label);
  SendMessageW(host.tabs, TCM_SETCURSEL, kMutePage, 0);
  if (const HWND mutePage = host.pages[kMutePage]) {
    PostMessageW(mutePage, WM_PAGE_REFRESH, mutedBefore ? 1 : 0, 1);
  }
  return TRUE;
}

// Focus goes to the first control of the shown page that takes it.
void FocusFirstControl(SettingsHost& host) {
  const HWND first = GetNextDlgTabItem(host.tabs, host.tabs, FALSE);
  if (!first) return;
  SetFocus(first);
  if (SendMessageW(first, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) {
    SendMessageW(first, EM_SETSEL, 0, -1);
  }
}

// Shows the selected page, made now if it does not exist yet. The Mute page checks for a meeting
// again; when it is made here (it could not be made at the start) it gets the start's refresh,
// which also shows the mute state and enables its options.
void ShowPage(SettingsHost& host, int selected) {
  for (int i = 0; i < kPageCount; ++i) {
    const HWND page = host.pages[i];
    if (i == selected || !page) continue;
    // Leaving a page with settings stores them, changed or not.
    if (kPages[i].commitsOnLeave) SendMessageW(page, WM_PAGE_COMMIT, 0, 0);
    ShowWindow(page, SW_HIDE);
  }
  if (const HWND page = host.pages[selected]) {
    ShowWindow(page, SW_SHOW);
    if (selected == kMutePage) SendMessageW(page, WM_PAGE_REFRESH, 0, 0);
    return;
  }
  const bool mutedBefore = MuteState.Muted;  // the Mute page mutes when it is made
  const HWND page = CreatePage(host, selected, SWP_FRAMECHANGED | SWP_SHOWWINDOW);
  if (page && selected == kMutePage) SendMessageW(page, WM_PAGE_REFRESH, mutedBefore ? 1 : 0, 1);
}

// A selection outside the tabs changes no page, but the focus still goes back to a control.
void OnTabChange(SettingsHost& host) {
  const int selected = static_cast<int>(SendMessageW(host.tabs, TCM_GETCURSEL, 0, 0));
  if (selected >= 0 && selected < kPageCount) ShowPage(host, selected);
  FocusFirstControl(host);
}

BOOL OnNotify(SettingsHost& host, const NMHDR* header) {
  if (header->idFrom == IDC_TABS && header->code == static_cast<UINT>(TCN_SELCHANGE)) {
    OnTabChange(host);
  }
  return FALSE;
}

BOOL OnCommand(SettingsHost& host, WPARAM wParam, LPARAM lParam) {
  switch (LOWORD(wParam)) {
    case IDOK:
    case IDCANCEL:
      ForwardToPages(host, WM_COMMAND, wParam, lParam);
      if (LOWORD(wParam) == IDCANCEL) host.choice = MuteChoice{};
      EndWindow(host);
      break;
    case kExitCommand:
      PostMessageW(Program.MainWindow, WM_CLOSE, 1, 0);
      host.choice = MuteChoice{};
      EndWindow(host);
      break;
    default:
      ForwardToPages(host, WM_COMMAND, wParam, lParam);
      break;
  }
  return TRUE;
}

BOOL OnHelp(SettingsHost& host) {
  const int page = static_cast<int>(SendMessageW(host.tabs, TCM_GETCURSEL, 0, 0));
  const HWND focus = GetFocus();
  ShowHelp(HelpAddress(page, focus ? GetDlgCtrlID(focus) : -1));
  return TRUE;
}

}  // namespace

INT_PTR CALLBACK SettingsWindowProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    return OnInitDialog(dialog, *reinterpret_cast<SettingsHost*>(lParam));
  }
  if (!GetWindowLongPtrW(dialog, DWLP_USER)) return FALSE;
  SettingsHost& host = Host(dialog);
  switch (message) {
    case WM_NOTIFY:
      return OnNotify(host, reinterpret_cast<const NMHDR*>(lParam));
    case WM_COMMAND:
      return OnCommand(host, wParam, lParam);
    case WM_HELP:
      return OnHelp(host);
    case WM_PAGE_CHOICE:
      // Only the window's own Mute page hands over a choice.
      if (lParam && reinterpret_cast<HWND>(wParam) == host.pages[kMutePage]) {
        host.choice = *reinterpret_cast<const MuteChoice*>(lParam);
      }
      return TRUE;
    case WM_DESTROY:
      DestroyMenuBar(host);
      SetWindowLongPtrW(dialog, DWLP_USER, 0);
      return FALSE;
    default:
      return FALSE;
  }
}

std::optional<MuteChoice> RunSettingsWindow(HWND owner) {
  // The common controls are loaded when the window first needs them, not at start-up: a program
  // that sits in the notification area keeps neither their library nor their memory until then.
  INITCOMMONCONTROLSEX controls{sizeof controls,
                                ICC_DATE_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES};
  if (!InitCommonControlsEx(&controls)) {
    ShowMessageBox(owner, L"Failed to register Date Classes", Program.Name.c_str(),
                   MB_ICONEXCLAMATION);
  }
  SettingsHost host;
  const INT_PTR result = DialogBoxParamW(Program.Instance, MAKEINTRESOURCEW(IDD_SETTINGS), owner,
                                         SettingsWindowProc, reinterpret_cast<LPARAM>(&host));
  if (result < 0) return std::nullopt;
  return host.choice;
}

HWND SettingsWindowPage(HWND window, int index) {
  if (!window || index < 0 || index >= kPageCount || !GetWindowLongPtrW(window, DWLP_USER)) {
    return nullptr;
  }
  return Host(window).pages[index];
}
