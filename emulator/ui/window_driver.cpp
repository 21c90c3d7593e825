#include "ui/window_driver.h"

#include <commctrl.h>

#include <initializer_list>
#include <vector>

#include "common/scoped.h"
#include "platform/control_ids.h"
#include "platform/program_names.h"

namespace {

struct Search {
  int id;
  HWND found;
};

BOOL CALLBACK MatchShownControl(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  if (GetDlgCtrlID(window) != search->id || !IsWindowVisible(window)) return TRUE;
  search->found = window;
  return FALSE;
}

struct DcOwner {
  explicit DcOwner(HDC owned) : dc(owned) {}
  DcOwner(const DcOwner&) = delete;
  DcOwner& operator=(const DcOwner&) = delete;
  ~DcOwner() { ReleaseDC(nullptr, dc); }
  HDC dc;
};

}  // namespace

HWND FindSettingsWindow() {
  HWND candidate = nullptr;
  while ((candidate = FindWindowExW(nullptr, candidate, nullptr, kSettingsWindowTitle)) !=
         nullptr) {
    if (GetDlgItem(candidate, IDC_TABS)) return candidate;
  }
  return nullptr;
}

HWND FindShownControl(HWND settings, int id) {
  if (!settings) return nullptr;
  Search search{id, nullptr};
  EnumChildWindows(settings, MatchShownControl, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND WaitForEnabledControl(HWND settings, int id, DWORD ms) {
  for (DWORD waited = 0;; waited += 20) {
    const HWND control = FindShownControl(settings, id);
    if (control && IsWindowEnabled(control)) return control;
    if (waited >= ms) return nullptr;
    Sleep(20);
  }
}

int SelectedTab(HWND settings) {
  const HWND tabs = settings ? GetDlgItem(settings, IDC_TABS) : nullptr;
  return tabs ? static_cast<int>(SendMessageW(tabs, TCM_GETCURSEL, 0, 0)) : -1;
}

bool ChooseTab(HWND settings, int index) {
  const HWND tabs = settings ? GetDlgItem(settings, IDC_TABS) : nullptr;
  if (!tabs) return false;
  // The tab control moves its selection itself and tells its parent, as for a tap.
  for (int step = 0; step < 12 && SelectedTab(settings) != index; ++step) {
    const WPARAM key = SelectedTab(settings) < index ? VK_RIGHT : VK_LEFT;
    SendMessageW(tabs, WM_KEYDOWN, key, 0);
    SendMessageW(tabs, WM_KEYUP, key, 0);
  }
  return SelectedTab(settings) == index;
}

bool FocusControl(HWND settings, int id) {
  const HWND control = FindShownControl(settings, id);
  if (!control || !IsWindowEnabled(control)) return false;
  // The page the control is on moves the focus, in the thread that owns them.
  SendMessageW(GetParent(control), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
  GUITHREADINFO gui{};
  gui.cbSize = sizeof gui;
  return GetGUIThreadInfo(GetWindowThreadProcessId(control, nullptr), &gui) &&
         gui.hwndFocus == control;
}

bool TapControl(HWND settings, int id) {
  const HWND control = FindShownControl(settings, id);
  if (!control || !IsWindowEnabled(control)) return false;
  SendMessageW(control, BM_CLICK, 0, 0);
  return true;
}

bool ChooseListRow(HWND settings, int id, int row) {
  const HWND list = FindShownControl(settings, id);
  if (!list || !IsWindowEnabled(list)) return false;
  if (SendMessageW(list, CB_SETCURSEL, row, 0) == CB_ERR) return false;
  SendMessageW(GetParent(list), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(list));
  return true;
}

bool SelectListEntry(HWND settings, int id, const std::wstring& text, bool selected) {
  const HWND list = FindShownControl(settings, id);
  if (!list || !IsWindowEnabled(list)) return false;
  const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  for (LRESULT index = 0; index < count; ++index) {
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, index, 0);
    if (length != static_cast<LRESULT>(text.size())) continue;
    std::vector<wchar_t> entry(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(entry.data()));
    if (text != entry.data()) continue;
    if (SendMessageW(list, LB_SETSEL, selected, index) == LB_ERR) return false;
    SendMessageW(GetParent(list), WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
    return true;
  }
  return false;
}

bool DragSlider(HWND settings, int id, int position) {
  const HWND slider = FindShownControl(settings, id);
  if (!slider || !IsWindowEnabled(slider)) return false;
  const bool vertical = (GetWindowLongW(slider, GWL_STYLE) & TBS_VERT) != 0;
  const UINT scroll = vertical ? WM_VSCROLL : WM_HSCROLL;
  const HWND page = GetParent(slider);
  const auto tell = [&](WORD code) {
    SendMessageW(page, scroll, MAKEWPARAM(code, position), reinterpret_cast<LPARAM>(slider));
  };
  SendMessageW(slider, TBM_SETPOS, TRUE, position);
  tell(TB_THUMBTRACK);
  tell(TB_THUMBPOSITION);
  tell(TB_ENDTRACK);
  return true;
}

bool TypeText(HWND settings, int id, const std::wstring& text) {
  const HWND edit = FindShownControl(settings, id);
  if (!edit || !IsWindowEnabled(edit)) return false;
  return SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) != FALSE;
}

bool SetTimePicker(HWND settings, int id, int hour, int minute) {
  const HWND picker = FindShownControl(settings, id);
  if (!picker || !IsWindowEnabled(picker) || hour < 0 || hour > 23 || minute < 0 || minute > 59) {
    return false;
  }
  // The picker places its fields as it paints. A tap past them (left of its arrows) focuses it
  // and selects its last field; the right arrow key wraps to the first, the hour.
  RedrawWindow(picker, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  RECT client{};
  GetClientRect(picker, &client);
  const LPARAM past = MAKELPARAM(client.right - 18, client.bottom / 2);
  SendMessageW(picker, WM_LBUTTONDOWN, MK_LBUTTON, past);
  SendMessageW(picker, WM_LBUTTONUP, 0, past);
  const auto key = [&](WPARAM code) {
    SendMessageW(picker, WM_KEYDOWN, code, 0);
    SendMessageW(picker, WM_KEYUP, code, 0);
  };
  // Home takes a field to its last value (23, 59), from which the up arrow wraps round to 0.
  const auto setField = [&](int value) {
    key(VK_HOME);
    for (int step = 0; step <= value; ++step) key(VK_UP);
  };
  key(VK_RIGHT);
  setField(hour);
  key(VK_RIGHT);
  setField(minute);
  return true;
}

bool CloseSettingsWindow(HWND settings, bool ok) {
  return settings && PostMessageW(settings, WM_COMMAND, ok ? IDOK : IDCANCEL, 0);
}

bool TapControlThatOpens(HWND settings, int id) {
  const HWND control = FindShownControl(settings, id);
  if (!control || !IsWindowEnabled(control)) return false;
  return PostMessageW(control, BM_CLICK, 0, 0) != FALSE;
}

namespace {

HWND FindView(const wchar_t* title, int listId) {
  HWND candidate = nullptr;
  while ((candidate = FindWindowExW(nullptr, candidate, nullptr, title)) != nullptr) {
    if (GetDlgItem(candidate, listId)) return candidate;
  }
  return nullptr;
}

std::vector<std::wstring> ListLines(HWND list) {
  std::vector<std::wstring> lines;
  if (!list) return lines;
  const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  for (LRESULT index = 0; index < count; ++index) {
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, index, 0);
    if (length < 0) break;
    std::vector<wchar_t> entry(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(entry.data()));
    lines.emplace_back(entry.data());
  }
  return lines;
}

}  // namespace

HWND FindHistoryView() { return FindView(kHistoryViewTitle, IDC_HISTORY_LIST); }

std::vector<std::wstring> HistoryViewLines(HWND view) {
  return ListLines(view ? GetDlgItem(view, IDC_HISTORY_LIST) : nullptr);
}

HWND FindTodayView() { return FindView(kTodayViewTitle, IDC_TODAY_LIST); }

std::vector<std::wstring> TodayViewLines(HWND view) {
  std::vector<std::wstring> lines = ListLines(view ? GetDlgItem(view, IDC_TODAY_LIST) : nullptr);
  if (lines.empty()) return lines;
  for (std::wstring& line : lines) {
    for (size_t at; (at = line.find(L'\n')) != std::wstring::npos;) line.replace(at, 1, L"  ");
  }
  const auto text = [&](int id) {
    wchar_t buffer[256] = {};
    GetDlgItemTextW(view, id, buffer, 256);
    return std::wstring(buffer);
  };
  std::vector<std::wstring> top = {text(IDC_TODAY_DAY), text(IDC_TODAY_BAND)};
  if (std::wstring state = text(IDC_TODAY_STATE); !state.empty()) top.push_back(state);
  lines.insert(lines.begin(), top.begin(), top.end());
  return lines;
}

HWND FindRulesView() {
  HWND candidate = nullptr;
  while ((candidate = FindWindowExW(nullptr, candidate, nullptr, nullptr)) != nullptr) {
    if (GetDlgItem(candidate, IDC_RULES_EARLY) && GetDlgItem(candidate, IDC_RULES_SATURDAY)) {
      return candidate;
    }
  }
  return nullptr;
}

HWND FindFrontWindow() {
  for (HWND (*find)() : {FindRulesView, FindTodayView, FindHistoryView, FindSettingsWindow}) {
    if (const HWND window = find()) return window;
  }
  return nullptr;
}

bool CloseFrontWindow(bool ok) {
  const HWND front = FindFrontWindow();
  return front && PostMessageW(front, WM_COMMAND, ok ? IDOK : IDCANCEL, 0) != FALSE;
}

bool SaveScreenPicture(const std::wstring& path) {
  const DcOwner screen{GetDC(nullptr)};
  if (!screen.dc) return false;
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up, as the file keeps it
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const HBITMAP bitmap = CreateDIBSection(screen.dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) return false;
  const HDC memory = CreateCompatibleDC(screen.dc);
  const HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen.dc, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);

  const DWORD rowBytes = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  const DWORD pixelBytes = rowBytes * static_cast<DWORD>(height);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof info.bmiHeader;
  file.bfSize = file.bfOffBits + pixelBytes;
  info.bmiHeader.biSizeImage = pixelBytes;
  bool ok = false;
  UniqueFile out(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
  if (out) {
    DWORD written = 0;
    ok = WriteFile(out.get(), &file, sizeof file, &written, nullptr) &&
         WriteFile(out.get(), &info.bmiHeader, sizeof info.bmiHeader, &written, nullptr) &&
         WriteFile(out.get(), bits, pixelBytes, &written, nullptr);
  }
  DeleteObject(bitmap);
  return ok;
}
