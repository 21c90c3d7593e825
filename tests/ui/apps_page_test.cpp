// The Apps page: the chosen applications and the running ones in one list, what is never
// offered, and what a commit stores.
#include <algorithm>

#include "appfilter/app_filter.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "support/program_state.h"
#include "ui/apps_page.h"
#include "ui/page_env.h"

namespace {

const std::wstring kLongTitle = L"Spreadsheet " + std::wstring(188, L's');
const std::wstring kLongName = kLongTitle.substr(0, 32);  // what the filter compares

class AppsPage : public PageTest {
 protected:
  void SetUp() override {
    PageTest::SetUp();
    for (const wchar_t* title : {L"Notes", L"Note", L"Notes", L"QuietMinder Error", L"Desktop",
                                 L"MS_SIPBUTTON", L"Remote Desktop", L"A|B", kLongTitle.c_str()}) {
      running_.push_back(CreateWindowExW(0, L"STATIC", title, WS_POPUP | WS_VISIBLE, 0, 0, 10, 10,
                                         nullptr, nullptr, nullptr, nullptr));
    }
    EditSettings([&](SettingsRecord& s) { s.EnableAppFilter = true; });
  }
  void TearDown() override {
    for (HWND window : running_) DestroyWindow(window);
    PageTest::TearDown();
  }
  void OpenAppsPage() { Open(IDD_APPS_PAGE, AppsPageProc); }
  long Listed(const std::wstring& entry) const {
    const auto entries = Entries(IDC_APPS_LIST);
    return std::count(entries.begin(), entries.end(), entry);
  }

  std::vector<HWND> running_;
};

TEST_F(AppsPage, ChosenAppsAreSelectedAndRunningOnesOfferedOnceByWholeName) {
  EditSettings([&](SettingsRecord& s) { s.AppsToFilter = L"Notes|Solitaire"; });
  OpenAppsPage();
  for (const std::wstring& entry :
       {std::wstring(L"*Notes"), std::wstring(L"*Solitaire"), std::wstring(L"Note"), kLongName}) {
    EXPECT_EQ(1, Listed(entry)) << entry.c_str();
  }
  for (const wchar_t* never :
       {L"Notes", L"QuietMinder Error", L"Remote Desktop", L"MS_SIPBUTTON", L"A|B", L"A"}) {
    EXPECT_EQ(0, Listed(never)) << never;
  }
  EXPECT_EQ(L"2 Applications selected", Text(IDC_APPS_COUNT));
  Select(IDC_APPS_LIST, L"Note");
  EXPECT_EQ(L"3 Applications selected", Text(IDC_APPS_COUNT));
  Commit();
  EXPECT_EQ(L"Note|Notes|Solitaire", StoredText(L"AppsToFilter"));

  // Refresh shows what is stored; a selection not committed is dropped.
  Select(IDC_APPS_LIST, kLongName);
  Tap(IDC_APPS_REFRESH);
  EXPECT_EQ(1, Listed(kLongName));
  EXPECT_EQ(L"3 Applications selected", Text(IDC_APPS_COUNT));
}

TEST_F(AppsPage, AOneCharacterListIsNoChoiceAndClearEmptiesTheChoice) {
  EditSettings([&](SettingsRecord& s) { s.AppsToFilter = L"X"; });
  OpenAppsPage();
  Select(IDC_APPS_LIST, L"Note");
  EXPECT_EQ(L"1 Application selected", Text(IDC_APPS_COUNT));
  Tap(IDC_APPS_CLEAR);
  Commit();
  EXPECT_EQ(std::nullopt, Settings.AppsToFilter);
  EXPECT_EQ(L"", StoredText(L"AppsToFilter"));
}

TEST_F(AppsPage, FilteringSwitchedOffKeepsTheChoiceAndForgetsTheRunningApp) {
  EditSettings([&](SettingsRecord& s) { s.AppsToFilter = L"Notes"; });
  FilterState.FilteredAppRunning = true;
  OpenAppsPage();
  Tap(IDC_APPS_CLEAR);
  Tap(IDC_APPS_ENABLE);
  for (int id : {IDC_APPS_GROUP, IDC_APPS_EXPLANATION, IDC_APPS_LIST_LABEL, IDC_APPS_LIST,
                 IDC_APPS_COUNT, IDC_APPS_CLEAR, IDC_APPS_REFRESH}) {
    EXPECT_FALSE(Enabled(id)) << id;
  }
  Commit();
  EXPECT_EQ(0u, StoredDword(L"EnableAppFilter"));
  EXPECT_EQ(L"Notes", StoredText(L"AppsToFilter"));
  EXPECT_FALSE(FilterState.FilteredAppRunning);
}

}  // namespace
