// One page of the settings window made from its template, modelessly, for a test to drive as a
// user would and to look at.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "support/scratch_registry.h"

class PageTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Creates the page (WM_INITDIALOG runs from the settings as they stand).
  void Open(int templateId, DLGPROC procedure);
  HWND page() const { return page_; }
  HWND Control(int id) const { return GetDlgItem(page_, id); }

  bool Checked(int id) const;
  bool Enabled(int id) const;
  std::wstring Text(int id) const;
  // A tap on an enabled check box, radio button or push button.
  void Tap(int id);
  // What the settings window sends when the user leaves the tab.
  void Commit();
  // Selects or deselects the list entry with exactly this text and tells the page.
  void Select(int listId, const std::wstring& entry, bool selected = true);
  // The entries of a list box in its order, a selected one marked with a leading "*".
  std::vector<std::wstring> Entries(int listId) const;

  // The settings key as stored.
  DWORD StoredDword(const wchar_t* name) const;
  std::wstring StoredText(const wchar_t* name) const;

  ScratchHkcu hkcu_;

 private:
  HWND parent_ = nullptr;
  HWND page_ = nullptr;
};
