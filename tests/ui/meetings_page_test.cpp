// The Meetings page: the category picker over the device's categories database, the check
// interval, the link switch and what a commit stores.
#include <optional>

#include "meetings/meeting_state.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "support/fake_device.h"
#include "support/program_state.h"
#include "ui/meetings_page.h"
#include "ui/page_env.h"

namespace {

using Names = std::vector<std::wstring>;

const std::wstring kLongName = L"Long" + std::wstring(296, L'n');

class MeetingsPage : public PageTest {
 protected:
  void SetUp() override {
    PageTest::SetUp();
    fake::device().categoryRecords = {L"Work",      L"Business",    L"Personal",
                                      L"Team Work", L"Sales, EMEA", std::nullopt,
                                      L"   ",       L"Say \"hi\"",  kLongName};
    EditSettings([&](SettingsRecord& s) { s.EnablePOLink = true; });
  }
  void OpenMeetingsPage() { Open(IDD_MEETINGS_PAGE, MeetingsPageProc); }
};

TEST_F(MeetingsPage, TheDatabasesCategoriesAreOfferedWhenTheStoredListCanHoldThem) {
  OpenMeetingsPage();
  // Sorted; not the name with a comma, the blank one, nor the record without a name.
  EXPECT_EQ((Names{L"Business", kLongName, L"Personal", L"Say \"hi\"", L"Team Work", L"Work"}),
            Entries(IDC_MEET_CATEGORIES));
  EXPECT_EQ(0, fake::device().openDatabases);
  Select(IDC_MEET_CATEGORIES, kLongName);
  Select(IDC_MEET_CATEGORIES, L"Say \"hi\"");
  Commit();
  EXPECT_EQ(kLongName + L",Say \"hi\"", StoredText(L"POCategory"));
}

TEST_F(MeetingsPage, StoredCategoriesAreSelectedByWholeNameAndCollectedBack) {
  const struct {
    std::optional<std::wstring> stored;
    Names selected;
    const wchar_t* label;
    std::optional<std::wstring> collected;
  } rows[] = {
      {L"Business,Work", {L"Business", L"Work"}, L"2 Categories selected", L"Business,Work"},
      {L"Team Work", {L"Team Work"}, L"1 Category selected", L"Team Work"},
      // Case counts; a stored name the database lacks stays, selected, as its own entry.
      {L"work", {L"work"}, L"1 Category selected", L"work"},
      {L" Gone , Work,Gone", {L"Gone", L"Work"}, L"2 Categories selected", L"Gone,Work"},
      {std::nullopt, {}, L"0 Categories selected", std::nullopt},
  };
  for (const auto& row : rows) {
    EditSettings([&](SettingsRecord& s) { s.POCategory = row.stored; });
    OpenMeetingsPage();
    Names selected;
    for (const std::wstring& entry : Entries(IDC_MEET_CATEGORIES)) {
      if (entry[0] == L'*') selected.push_back(entry.substr(1));
    }
    EXPECT_EQ(row.selected, selected);
    EXPECT_EQ(row.label, Text(IDC_MEET_COUNT));
    Commit();
    EXPECT_EQ(row.collected, Settings.POCategory);
    DestroyWindow(page());
  }
}

TEST_F(MeetingsPage, WithoutTheDatabaseTheStoredCategoriesStay) {
  fake::device().categoriesDatabase = false;
  EditSettings([&](SettingsRecord& s) { s.POCategory = L"Business,Work"; });
  OpenMeetingsPage();
  EXPECT_EQ((Names{L"*Business", L"*Work"}), Entries(IDC_MEET_CATEGORIES));
  Commit();
  EXPECT_EQ(L"Business,Work", StoredText(L"POCategory"));
}

TEST_F(MeetingsPage, TheLinkSwitchesTheGroupAndOffKeepsTheRulesAndEndsTheMeeting) {
  EditSettings([&](SettingsRecord& s) {
    s.POCategory = L"Work";
    s.POCheckInterval = 45;  // no row of the list
  });
  OpenMeetingsPage();
  const int group[] = {
      IDC_MEET_GROUP,       IDC_MEET_INTERVAL_LABEL, IDC_MEET_INTERVAL, IDC_MEET_CATEGORIES_LABEL,
      IDC_MEET_CATEGORIES,  IDC_MEET_COUNT,          IDC_MEET_CLEAR,    IDC_MEET_ALL_DAY,
      IDC_MEET_EXCLUDE_FREE};
  EXPECT_EQ(L"30 Sec.", Text(IDC_MEET_INTERVAL));
  Tap(IDC_MEET_ALL_DAY);
  Tap(IDC_MEET_CLEAR);
  EXPECT_EQ(L"0 Categories selected", Text(IDC_MEET_COUNT));
  Tap(IDC_MEET_LINK);
  for (int id : group) EXPECT_FALSE(Enabled(id)) << id;
  EditMeetingState([&](MeetingStateRecord& m) { m.InMeeting = true; });
  Commit();
  EXPECT_FALSE(MeetingState.InMeeting);
  EXPECT_EQ(0u, StoredDword(L"EnablePOLink"));
  EXPECT_EQ(L"Work", StoredText(L"POCategory"));
  EXPECT_EQ(45u, StoredDword(L"POCheckInterval"));
  EXPECT_EQ(0u, StoredDword(L"POAllDay"));

  Tap(IDC_MEET_LINK);
  for (int id : group) EXPECT_TRUE(Enabled(id)) << id;
  Commit();
  EXPECT_EQ(L"", StoredText(L"POCategory"));  // absent, stored empty
  EXPECT_EQ(30u, StoredDword(L"POCheckInterval"));
  EXPECT_EQ(1u, StoredDword(L"POAllDay"));
}

}  // namespace
