#include "ui/page_env.h"

#include "common/program.h"
#include "device/device_kinds.h"
#include "platform/device_profile.h"
#include "settings/settings.h"
#include "support/fake_device.h"
#include "support/program_state.h"
#include "ui/page_controls.h"
#include "ui/settings_window.h"

void PageTest::SetUp() {
  fake::ResetDevice();
  ResetTestProgramState();
  PopulateSoundKeys(hkcu_.root(), DeviceKind::PocketPc2003);
  DetectDeviceProfile(Program.Instance);
  parent_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 240, 320, nullptr, nullptr, nullptr,
                            nullptr);
  ASSERT_NE(nullptr, parent_);
}

void PageTest::TearDown() {
  if (page_) DestroyWindow(page_);
  DestroyWindow(parent_);
}

void PageTest::Open(int templateId, DLGPROC procedure) {
  page_ = CreateDialogParamW(Program.Instance, MAKEINTRESOURCEW(templateId), parent_, procedure, 0);
  ASSERT_NE(nullptr, page_);
}

bool PageTest::Checked(int id) const {
  return SendMessageW(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool PageTest::Enabled(int id) const { return IsWindowEnabled(Control(id)) != FALSE; }

std::wstring PageTest::Text(int id) const {
  wchar_t text[256] = {};
  GetWindowTextW(Control(id), text, 256);
  return text;
}

void PageTest::Tap(int id) {
  ASSERT_TRUE(Enabled(id)) << "control " << id << " is disabled";
  SendMessageW(Control(id), BM_CLICK, 0, 0);
}

void PageTest::Commit() { SendMessageW(page_, WM_PAGE_COMMIT, 0, 0); }

void PageTest::Select(int listId, const std::wstring& entry, bool selected) {
  const HWND list = Control(listId);
  for (int i = 0; i < ListEntryCount(list); ++i) {
    if (ListEntryText(list, i) != entry) continue;
    SendMessageW(list, LB_SETSEL, selected, i);
    SendMessageW(page_, WM_COMMAND, MAKEWPARAM(listId, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
    return;
  }
  ADD_FAILURE() << "no such entry";
}

std::vector<std::wstring> PageTest::Entries(int listId) const {
  const HWND list = Control(listId);
  std::vector<std::wstring> entries;
  for (int i = 0; i < ListEntryCount(list); ++i) {
    const bool selected = SendMessageW(list, LB_GETSEL, i, 0) > 0;
    entries.push_back((selected ? L"*" : L"") + ListEntryText(list, i));
  }
  return entries;
}

DWORD PageTest::StoredDword(const wchar_t* name) const {
  return RegDword(hkcu_.root(), kSettingsKeyPath, name);
}

std::wstring PageTest::StoredText(const wchar_t* name) const {
  return RegText(hkcu_.root(), kSettingsKeyPath, name);
}
