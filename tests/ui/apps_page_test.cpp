// The Apps page: the chosen applications and the running ones in one list, what is never
// offered, and what a commit stores.
#include "appfilter/app_filter.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "ui/apps_page.h"
#include "ui/page_env.h"

namespace {

using Names = std::vector<std::wstring>;

const std::wstring kLongTitle = L"Spreadsheet " + std::wstring(188, L's');

class AppsPage : public PageTest {
 protected:
  void SetUp() override {
    PageTest::SetUp();
    for (const std::wstring& title :
         {std::wstring(L"Notes"), std::wstring(L"Note"), std::wstring(L"Notes"),
          std::wstring(L"QuietMinder Error"), std::wstring(L"Desktop"),
          std::wstring(L"MS_SIPBUTTON"), std::wstring(L"Remote Desktop"), std::wstring(L"A|B"),
          kLongTitle}) {
      running_.push_back(CreateWindowExW(0, L"STATIC", title.c_str(), WS_POPUP | WS_VISIBLE, 0, 0,
                                         10, 10, nullptr, nullptr, nullptr, nullptr));
    }
    Settings.EnableAppFilter = true;
  }
  void TearDown() override {
    for (HWND window : running_) DestroyWindow(window);
    PageTest::TearDown();
  }
  void OpenAppsPage() { Open(IDD_APPS_PAGE, AppsPageProc); }
  // The entries this test's windows and settings account for.
  Names Listed() const {
    Names ours;
    for (const std::wstring& entry : Entries(IDC_APPS_LIST)) {
      const std::wstring name = entry[0] == L'*' ? entry.substr(1) : entry;
      if (name.starts_with(L"Not") || name.starts_with(L"Sol") || name.starts_with(L"Spr") ||
          name.find(L"Desktop") != std::wstring::npos || name.find(L'|') != std::wstring::npos ||
          name.find(L"QuietMinder") != std::wstring::npos || name == L"MS_SIPBUTTON" ||
          name == L"X") {
        ours.push_back(entry);
      }
    }
    return ours;
  }

  std::vector<HWND> running_;
};

TEST_F(AppsPage, ChosenAppsAreSelectedAndRunningOnesOfferedOnceByWholeName) {
  Settings.AppsToFilter = L"Notes|Solitaire";
  OpenAppsPage();
  // "Note" is offered although "Notes" is chosen; a long title is offered as the first 32
  // characters the filter compares.
  EXPECT_EQ((Names{L"Note", L"*Notes", L"Remote Desktop", L"*Solitaire", kLongTitle.substr(0, 32)}),
            Listed());
  EXPECT_EQ(L"2 Applications selected", Text(IDC_APPS_COUNT));
  Select(IDC_APPS_LIST, L"Note");
  Select(IDC_APPS_LIST, kLongTitle.substr(0, 32));
  EXPECT_EQ(L"4 Applications selected", Text(IDC_APPS_COUNT));
  Commit();
  EXPECT_EQ(L"Note|Notes|Solitaire|" + kLongTitle.substr(0, 32), StoredText(L"AppsToFilter"));

  // Refresh shows the stored choice again.
  Select(IDC_APPS_LIST, L"Remote Desktop");
  Tap(IDC_APPS_REFRESH);
  EXPECT_EQ((Names{L"*Note", L"*Notes", L"Remote Desktop", L"*Solitaire",
                   L"*" + kLongTitle.substr(0, 32)}),
            Listed());
}

TEST_F(AppsPage, ASingleCharacterChoiceIsKeptAndClearEmptiesTheChoice) {
  Settings.AppsToFilter = L"X";
  OpenAppsPage();
  EXPECT_EQ(L"1 Application selected", Text(IDC_APPS_COUNT));
  Commit();
  EXPECT_EQ(L"X", StoredText(L"AppsToFilter"));
  Tap(IDC_APPS_CLEAR);
  EXPECT_EQ(L"0 Applications selected", Text(IDC_APPS_COUNT));
  Commit();
  EXPECT_EQ(std::nullopt, Settings.AppsToFilter);
  EXPECT_EQ(L"", StoredText(L"AppsToFilter"));
}

TEST_F(AppsPage, FilteringSwitchedOffKeepsTheChoiceAndForgetsTheRunningApp) {
  Settings.AppsToFilter = L"Notes";
  FilterState.FilteredAppRunning = true;
  OpenAppsPage();
  const int group[] = {IDC_APPS_GROUP, IDC_APPS_EXPLANATION, IDC_APPS_LIST_LABEL, IDC_APPS_LIST,
                       IDC_APPS_COUNT, IDC_APPS_CLEAR,       IDC_APPS_REFRESH};
  for (int id : group) EXPECT_TRUE(Enabled(id)) << id;
  Tap(IDC_APPS_CLEAR);
  Tap(IDC_APPS_ENABLE);
  for (int id : group) EXPECT_FALSE(Enabled(id)) << id;
  Commit();
  EXPECT_EQ(0u, StoredDword(L"EnableAppFilter"));
  EXPECT_EQ(L"Notes", StoredText(L"AppsToFilter"));
  EXPECT_FALSE(FilterState.FilteredAppRunning);
}

}  // namespace
