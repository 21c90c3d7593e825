// The application filter against real top-level windows: whole-name matching, the hold rules,
// the title table's limits and the saved settings.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "appfilter/app_filter.h"
#include "settings/settings.h"
#include "support/program_state.h"
#include "support/scratch_registry.h"

namespace {

struct WindowCloser {
  void operator()(HWND window) const { DestroyWindow(window); }
};
using Window = std::unique_ptr<std::remove_pointer_t<HWND>, WindowCloser>;

Window OpenWindow(const std::wstring& title, bool visible = true) {
  return Window(CreateWindowExW(0, L"STATIC", title.c_str(),
                                WS_OVERLAPPED | (visible ? WS_VISIBLE : 0), 0, 0, 10, 10, nullptr,
                                nullptr, nullptr, nullptr));
}

bool TableHolds(const std::wstring& title) {
  for (size_t i = 0; i < FilterState.WindowTitleTable.Count; ++i) {
    if (title == FilterState.WindowTitleTable.Titles[i]) return true;
  }
  return false;
}

class AppFilter : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetTestProgramState();
    EditSettings([&](SettingsRecord& s) { s.EnableAppFilter = true; });
  }
};

TEST(AppListNames, WholeNamesOnly) {
  struct Row {
    const wchar_t* list;
    const wchar_t* name;
    bool listed;
  };
  const Row rows[] = {
      {L"Notes|Solitaire", L"Notes", true},     {L"Notes|Solitaire", L"Solitaire", true},
      {L"Notes|Solitaire", L"otes", false},     {L"Notes|Solitaire", L"Note", false},
      {L"Notes|Solitaire", L"notes", false},    {L"Notes|Solitaire", L"Notes|Solitaire", false},
      {L"Notes|Solitaire", L"", false},         {L"|Notes|", L"Notes", true},
      {L"Notes||Games", L"", false},            {L"Notes", L"Notes ", false},
      {L"", L"Notes", false},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(row.listed, AppListContains(row.list, row.name)) << row.list << " / " << row.name;
  }
}

TEST(AppListNames, FormatAppNameCutsTo32Characters) {
  const std::wstring title = L"0123456789abcdefghijklmnopqrstuvwxyz";
  EXPECT_EQ(title.substr(0, 32), FormatAppName(title));
  EXPECT_EQ(L"Short", FormatAppName(L"Short"));
  EXPECT_EQ(L"", FormatAppName(L""));
}

TEST_F(AppFilter, AListedApplicationRaisesTheHoldOnceWhenFirstSeen) {
  EditSettings([&](SettingsRecord& s) { s.AppsToFilter = L"QMFilter Notes|QMFilter Games"; });
  EXPECT_FALSE(UpdateAppFilter());
  EXPECT_FALSE(FilterState.FilterHold);

  Window notes = OpenWindow(L"QMFilter Notes");
  EXPECT_TRUE(UpdateAppFilter());
  EXPECT_TRUE(FilterState.FilteredAppRunning);
  EXPECT_TRUE(FilterState.FilterHold);

  // The settings window closes with a mute choice: the hold stays down while it keeps running.
  FilterState.FilterHold = false;
  EXPECT_TRUE(UpdateAppFilter());
  EXPECT_FALSE(FilterState.FilterHold);

  notes.reset();
  EXPECT_FALSE(UpdateAppFilter());
  EXPECT_FALSE(FilterState.FilteredAppRunning);
  Window again = OpenWindow(L"QMFilter Games");
  EXPECT_TRUE(UpdateAppFilter());
  EXPECT_TRUE(FilterState.FilterHold) << "seen gone, then seen again";

  // The restore clears FilterState.FilteredAppRunning: the next sighting raises the hold again.
  FilterState.FilterHold = false;
  FilterState.FilteredAppRunning = false;
  UpdateAppFilter();
  EXPECT_TRUE(FilterState.FilterHold);
}

TEST_F(AppFilter, TitlesThatOnlyEndOrStartAListedNameDoNotCount) {
  EditSettings([&](SettingsRecord& s) { s.AppsToFilter = L"QMFilter Notes|QMFilter Solitaire"; });
  for (const wchar_t* title : {L"Filter Notes", L"QMFilter Note", L"qmfilter notes",
                               L"QMFilter Notes|QMFilter Solitaire", L"es"}) {
    Window w = OpenWindow(title);
    EXPECT_FALSE(UpdateAppFilter()) << title;
    EXPECT_FALSE(FilterState.FilterHold) << title;
  }
}

TEST_F(AppFilter, HiddenWindowsDoNotCount) {
  EditSettings([&](SettingsRecord& s) { s.AppsToFilter = L"QMFilter Hidden"; });
  Window hidden = OpenWindow(L"QMFilter Hidden", false);
  EXPECT_FALSE(UpdateAppFilter());
  EXPECT_FALSE(TableHolds(L"QMFilter Hidden"));
}

TEST_F(AppFilter, LongTitlesMatchByTheirFirst32Characters) {
  const std::wstring title = L"QMFilter " + std::wstring(191, L'L');  // 200 characters
  EditSettings([&](SettingsRecord& s) { s.AppsToFilter = L"Other|" + title.substr(0, 32); });
  Window w = OpenWindow(title);
  EXPECT_TRUE(UpdateAppFilter());
  EXPECT_TRUE(TableHolds(title.substr(0, 63))) << "the table keeps 63 characters";

  EditSettings([&](SettingsRecord& s) { s.AppsToFilter = title.substr(0, 33); });
  EXPECT_FALSE(UpdateAppFilter()) << "a name longer than 32 characters never matches";
}

TEST_F(AppFilter, SwitchedOffOrWithoutAListNothingCountsAndTheHoldDrops) {
  Window w = OpenWindow(L"QMFilter Listed");
  EditSettings([&](SettingsRecord& s) { s.AppsToFilter = L"QMFilter Listed"; });
  FilterState.FilterHold = true;
  FilterState.FilteredAppRunning = true;
  EditSettings([&](SettingsRecord& s) { s.EnableAppFilter = false; });
  EXPECT_FALSE(UpdateAppFilter());
  EXPECT_FALSE(FilterState.FilterHold);
  EXPECT_FALSE(FilterState.FilteredAppRunning);

  EditSettings([&](SettingsRecord& s) {
    s.EnableAppFilter = true;
    s.AppsToFilter.reset();
  });
  FilterState.FilterHold = true;
  EXPECT_FALSE(UpdateAppFilter());
  EXPECT_FALSE(FilterState.FilterHold);
}

TEST_F(AppFilter, AListOfAMegabyteIsSearchedWhole) {
  std::wstring list;
  while (list.size() < 512 * 1024) list += L"QMFilter Absent " + std::to_wstring(list.size()) + L"|";
  list += L"QMFilter Last";
  EditSettings([&](SettingsRecord& s) { s.AppsToFilter = list; });
  Window w = OpenWindow(L"QMFilter Last");
  EXPECT_TRUE(UpdateAppFilter());
  w.reset();
  EXPECT_FALSE(UpdateAppFilter());
}

TEST_F(AppFilter, TheTableKeeps256TitlesOfAtMost63Characters) {
  std::vector<Window> windows;
  Window first = OpenWindow(L"QMFilter First");  // enumerated last: newer windows come first
  for (int i = 0; i < 300; ++i) {
    windows.push_back(OpenWindow(L"QMFilter Crowd " + std::to_wstring(i) + std::wstring(200, L'c')));
  }
  EnumerateWindowTitles();
  EXPECT_EQ(kWindowTitleEntries, FilterState.WindowTitleTable.Count);
  for (size_t i = 0; i < FilterState.WindowTitleTable.Count; ++i) {
    EXPECT_LE(wcslen(FilterState.WindowTitleTable.Titles[i]), kWindowTitleChars - 1);
  }
  EXPECT_FALSE(TableHolds(L"QMFilter First"));
  EditSettings([&](SettingsRecord& s) { s.AppsToFilter = L"QMFilter First"; });
  EXPECT_FALSE(UpdateAppFilter()) << "a window beyond the table is not seen";

  windows.clear();
  EnumerateWindowTitles();
  EXPECT_TRUE(TableHolds(L"QMFilter First"));
  EXPECT_LT(FilterState.WindowTitleTable.Count, kWindowTitleEntries);
}

TEST_F(AppFilter, SaveWritesTheSwitchAndTheList) {
  ScratchHkcu hkcu;
  SettingsRecord edited = Settings;
  edited.EnableAppFilter = true;
  edited.AppsToFilter = L"Notes|Solitaire";
  CommitSettings(edited, SettingsGroup::AppFilter);
  EXPECT_EQ(1u, RegDword(hkcu.root(), kSettingsKeyPath, L"EnableAppFilter"));
  EXPECT_EQ(L"Notes|Solitaire", RegText(hkcu.root(), kSettingsKeyPath, L"AppsToFilter"));
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), RegType(hkcu.root(), kSettingsKeyPath, L"AppsToFilter"));
  EXPECT_EQ(32u, RegSize(hkcu.root(), kSettingsKeyPath, L"AppsToFilter"));

  edited.EnableAppFilter = false;
  edited.AppsToFilter.reset();
  CommitSettings(edited, SettingsGroup::AppFilter);
  EXPECT_EQ(0u, RegDword(hkcu.root(), kSettingsKeyPath, L"EnableAppFilter"));
  EXPECT_EQ(L"", RegText(hkcu.root(), kSettingsKeyPath, L"AppsToFilter"));
  EXPECT_EQ(2u, RegSize(hkcu.root(), kSettingsKeyPath, L"AppsToFilter"));
}

}  // namespace
