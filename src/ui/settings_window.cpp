#include "ui/settings_window.h"

#include <commctrl.h>

#include <cstdlib>

#include "common/program.h"
#include "platform/aygshell.h"
#include "platform/handheld.h"
#include "resources/resource.h"
#include "sound/mute_engine.h"
#include "ui/about_page.h"
#include "ui/apps_page.h"
#include "ui/context_help.h"
#include "ui/meetings_page.h"
#include "ui/mute_page.h"
#include "ui/settings_page.h"
#include "ui/sound_page.h"

SettingsWindowStateRecord SettingsWindowState;

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

// Valid while the window is open.
struct HostState {
  HWND host = nullptr;
  HWND menuBar = nullptr;
  HWND tabs = nullptr;
  HWND pages[kPageCount] = {};
  int pageWidth = 0;
  int pageHeight = 0;
};
HostState g_host;

void InsertTab(int index, const wchar_t* label) {
  TCITEMW item{};
  item.mask = TCIF_TEXT | TCIF_IMAGE;
  item.pszText = const_cast<wchar_t*>(label);
  item.iImage = -1;
  SendMessageW(g_host.tabs, TCM_INSERTITEMW, index, reinterpret_cast<LPARAM>(&item));
}

// The tab control's client area less the tab row.
RECT DisplayArea() {
  RECT display{};
  GetClientRect(g_host.tabs, &display);
  SendMessageW(g_host.tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
  return display;
}

// Shifts the tab control left and widens it by its display area's left margin, so that pages
// start at the window's left edge.
void FitTabs() {
  RECT host{};
  GetClientRect(g_host.host, &host);
  const RECT display = DisplayArea();
  MoveWindow(g_host.tabs, host.left - display.left, host.top,
             std::abs(host.right - host.left) + display.left, std::abs(host.bottom - host.top),
             TRUE);
}

// Creates the page of a tab from its template; null when it cannot be made (a later choice of
// the tab tries again).
HWND CreatePage(int index, UINT placement) {
  const PageEntry& entry = kPages[index];
  const HWND page = CreateDialogParamW(Program.Instance, MAKEINTRESOURCEW(entry.templateId),
                                       g_host.tabs, entry.procedure, 0);
  if (!page) return nullptr;
  g_host.pages[index] = page;
  SetWindowPos(page, HWND_TOP, 0, 0, g_host.pageWidth, g_host.pageHeight, placement);
  return page;
}

void CreateMenuBar() {
  SHMENUBARINFO info{};
  info.cbSize = sizeof info;
  info.hwndParent = g_host.host;
  info.dwFlags = SHCMBF_EMPTYBAR;
  if (SHCreateMenuBar(&info)) {
    g_host.menuBar = info.hwndMB;
    return;
  }
  ShowMessageBox(Program.MainWindow, L"SHCreateMenuBar Failed", L"Error", MB_OK);
}

void DestroyMenuBar() {
  if (g_host.menuBar) DestroyWindow(g_host.menuBar);
  g_host.menuBar = nullptr;
}

// Sends one message to every page that exists, in the forwarding order.
void ForwardToPages(UINT message, WPARAM wParam, LPARAM lParam) {
  for (int index : kForwardOrder) {
    if (const HWND page = g_host.pages[index]) SendMessageW(page, message, wParam, lParam);
  }
}

void EndWindow(INT_PTR result) {
  EndDialog(g_host.host, result);
  DestroyMenuBar();
}

BOOL OnInitDialog(HWND dialog) {
  const bool mutedBefore = MuteState.Muted;  // the Mute page mutes when it is created
  SHINITDLGINFO info{SHIDIM_FLAGS, dialog,
                     SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN};
  SHInitDialog(&info);
  g_host = HostState{};
  g_host.host = dialog;
  CreateMenuBar();
  g_host.tabs = GetDlgItem(dialog, IDC_TABS);
  SendMessageW(g_host.tabs, CCM_SETVERSION, 0x020C, 0);
  // Six tabs share the handheld's 240 pixels: each as wide as its text.
  SendMessageW(g_host.tabs, TCM_SETPADDING, 0, MAKELPARAM(kTabPadding, 3));
  SendMessageW(g_host.tabs, TCM_SETMINTABWIDTH, 0, 0);
  FitTabs();
  InsertTab(kMutePage, kPages[kMutePage].label);

  const RECT display = DisplayArea();
  g_host.pageWidth = std::abs(display.right + display.left);
  g_host.pageHeight = std::abs(display.bottom);
  CreatePage(kMutePage, 0);

  ShowWindow(dialog, SW_SHOW);
  SetForegroundWindow(dialog);
  SetActiveWindow(dialog);
  for (int i = kMutePage + 1; i < kPageCount; ++i) InsertTab(i, kPages[i].label);
  SendMessageW(g_host.tabs, TCM_SETCURSEL, kMutePage, 0);
  if (const HWND mutePage = g_host.pages[kMutePage]) {
    PostMessageW(mutePage, WM_PAGE_REFRESH, mutedBefore ? 1 : 0, 1);
  }
  return TRUE;
}

// Focus goes to the first control of the shown page that takes it.
void FocusFirstControl() {
  const HWND first = GetNextDlgTabItem(g_host.tabs, g_host.tabs, FALSE);
  if (!first) return;
  SetFocus(first);
  if (SendMessageW(first, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) {
    SendMessageW(first, EM_SETSEL, 0, -1);
  }
}

// Shows the selected page, made now if it does not exist yet. The Mute page checks for a meeting
// again; when it is made here (it could not be made at the start) it gets the start's refresh,
// which also shows the mute state and enables its options.
void ShowPage(int selected) {
  for (int i = 0; i < kPageCount; ++i) {
    const HWND page = g_host.pages[i];
    if (i == selected || !page) continue;
    // Leaving a page with settings stores them, changed or not.
    if (kPages[i].commitsOnLeave) SendMessageW(page, WM_PAGE_COMMIT, 0, 0);
    ShowWindow(page, SW_HIDE);
  }
  if (const HWND page = g_host.pages[selected]) {
    ShowWindow(page, SW_SHOW);
    if (selected == kMutePage) SendMessageW(page, WM_PAGE_REFRESH, 0, 0);
    return;
  }
  const bool mutedBefore = MuteState.Muted;  // the Mute page mutes when it is made
  const HWND page = CreatePage(selected, SWP_FRAMECHANGED | SWP_SHOWWINDOW);
  if (page && selected == kMutePage) SendMessageW(page, WM_PAGE_REFRESH, mutedBefore ? 1 : 0, 1);
}

// A selection outside the tabs changes no page, but the focus still goes back to a control.
void OnTabChange() {
  const int selected = static_cast<int>(SendMessageW(g_host.tabs, TCM_GETCURSEL, 0, 0));
  if (selected >= 0 && selected < kPageCount) ShowPage(selected);
  FocusFirstControl();
}

BOOL OnNotify(const NMHDR* header) {
  if (header->idFrom == IDC_TABS && header->code == static_cast<UINT>(TCN_SELCHANGE)) {
    OnTabChange();
  }
  return FALSE;
}

BOOL OnCommand(WPARAM wParam, LPARAM lParam) {
  switch (LOWORD(wParam)) {
    case IDOK:
    case IDCANCEL:
      ForwardToPages(WM_COMMAND, wParam, lParam);
      EndWindow(SettingsWindowState.MuteChoice);
      break;
    case kExitCommand:
      PostMessageW(Program.MainWindow, WM_CLOSE, 1, 0);
      EndWindow(0);
      break;
    default:
      ForwardToPages(WM_COMMAND, wParam, lParam);
      break;
  }
  return TRUE;
}

BOOL OnHelp() {
  const int page = static_cast<int>(SendMessageW(g_host.tabs, TCM_GETCURSEL, 0, 0));
  const HWND focus = GetFocus();
  ShowHelp(HelpAddress(page, focus ? GetDlgCtrlID(focus) : -1));
  return TRUE;
}

}  // namespace

INT_PTR CALLBACK SettingsWindowProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(dialog);
    case WM_NOTIFY:
      return OnNotify(reinterpret_cast<const NMHDR*>(lParam));
    case WM_COMMAND:
      return OnCommand(wParam, lParam);
    case WM_HELP:
      return OnHelp();
    case WM_DESTROY:
      DestroyMenuBar();
      g_host = HostState{};
      return FALSE;
    default:
      return FALSE;
  }
}

INT_PTR RunSettingsWindow(HWND owner) {
  SettingsWindowState.MuteChoice = kChoiceRestore;
  return DialogBoxParamW(Program.Instance, MAKEINTRESOURCEW(IDD_SETTINGS), owner,
                         SettingsWindowProc, 0);
}

HWND SettingsWindowPage(int index) {
  if (index < 0 || index >= kPageCount) return nullptr;
  return g_host.pages[index];
}
