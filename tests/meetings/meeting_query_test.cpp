// The meeting query against the device's calendar served in this process, on Monday
// 2026-12-07 in New York (device-local floating times in the calendars below).
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "calendar/calendar_env.h"
#include "calendar/calendar_faults.h"
#include "calendar/calendar_server.h"
#include "calendar/calendar_store.h"
#include "common/scoped.h"
#include "meetings/meeting_query.h"
#include "meetings/meeting_state.h"
#include "platform/poom.h"
#include "settings/settings.h"
#include "support/fake_device.h"
#include "support/program_state.h"

namespace {

constexpr ULONGLONG kSecond = 10'000'000ULL;
constexpr wchar_t kNoOther[] = L"No other QuietMinder meeting found for today.";
constexpr wchar_t kUnchanged[] = L"(earlier description)";

void SetLocalClock(int hour, int minute, int second = 0, int day = 7) {
  fake::device().utcNow = LocalToUtc(2026, 12, day, hour, minute, second);
}

class MeetingQuery : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::ResetDevice();
    UseSettings(SettingsRecord{});
    EditSettings([&](SettingsRecord& s) { s.EnablePOLink = true; });
    ResetMeetingState();
    EditMeetingState([&](MeetingStateRecord& m) { wcscpy(m.MeetingText, kUnchanged); });
  }
  void TearDown() override {
    EXPECT_EQ(0, CalendarLiveObjects()) << "an object of the calendar was not released";
  }
  DeviceCalendar calendar_;
};

// ---- The rules, as a table of calendars and times --------------------------------------------

struct RuleCase {
  const char* name;
  std::vector<std::string> events;
  int hour, minute;
  bool allDayRule = false;
  bool excludeFree = false;
  std::optional<std::wstring> category;
  bool verdict;
  const wchar_t* meetingText;  // kUnchanged when no meeting is described
  const wchar_t* statusText;
};

const std::string kReview = Event("20261207T100000", "20261207T110000", "Weekly review");

const RuleCase kRules[] = {
    {"start is inclusive", {kReview}, 10, 0, false, false, {}, true,
     L"Weekly review... 10:00 AM to 11:00 AM", kNoOther},
    {"end is exclusive", {kReview}, 11, 0, false, false, {}, false, kUnchanged, kNoOther},
    {"before the start names the next meeting", {kReview}, 9, 59, false, false, {}, false,
     kUnchanged, L"Today's next QuietMinder meeting starts at 10:00 AM."},
    {"all-day event with the all-day rule",
     {Event("20261207", "20261208", "Offsite")}, 3, 0, true, false, {}, true,
     L"Offsite... 12/7/2026 12:00 AM to 12/8/2026 12:00 AM (ALL DAY)", kNoOther},
    {"all-day event without the rule is ignored, also as the next meeting",
     {Event("20261207", "20261208", "Offsite")}, 3, 0, false, false, {}, false, kUnchanged,
     kNoOther},
    {"yesterday's all-day event is over",
     {Event("20261206", "20261207", "Sunday fair")}, 9, 0, true, false, {}, false, kUnchanged,
     kNoOther},
    {"free time counts without the free-time rule",
     {Event("20261207T100000", "20261207T110000", "Lunch", {"TRANSP:TRANSPARENT"})}, 10, 30,
     false, false, {}, true, L"Lunch... 10:00 AM to 11:00 AM", kNoOther},
    {"free time is ignored with the free-time rule",
     {Event("20261207T100000", "20261207T110000", "Lunch", {"TRANSP:TRANSPARENT"})}, 10, 30,
     false, true, {}, false, kUnchanged, kNoOther},
    {"tentative counts with the free-time rule",
     {Event("20261207T100000", "20261207T110000", "Maybe",
            {"X-MICROSOFT-CDO-BUSYSTATUS:TENTATIVE"})},
     10, 30, false, true, {}, true, L"Maybe... 10:00 AM to 11:00 AM", kNoOther},
    {"category among several",
     {Event("20261207T100000", "20261207T110000", "Trip", {"CATEGORIES:Work,Travel"})}, 10, 30,
     false, false, L"Work", true, L"Trip... 10:00 AM to 11:00 AM", kNoOther},
    {"a wanted name is not found inside another name",
     {Event("20261207T100000", "20261207T110000", "Team", {"CATEGORIES:Team Work"})}, 10, 30,
     false, false, L"Work", false, kUnchanged, kNoOther},
    {"a longer name does not match", 
     {Event("20261207T100000", "20261207T110000", "Shop", {"CATEGORIES:Workshop"})}, 10, 30,
     false, false, L"Work", false, kUnchanged, kNoOther},
    {"case matters",
     {Event("20261207T100000", "20261207T110000", "Lower", {"CATEGORIES:work"})}, 10, 30, false,
     false, L"Work", false, kUnchanged, kNoOther},
    {"no categories with a category wanted",
     {Event("20261207T100000", "20261207T110000", "Bare")}, 10, 30, false, false, L"Work",
     false, kUnchanged, kNoOther},
    {"one of several wanted names",
     {Event("20261207T100000", "20261207T110000", "Deal", {"CATEGORIES:Business"})}, 10, 30,
     false, false, L"Personal,Business", true, L"Deal... 10:00 AM to 11:00 AM", kNoOther},
    {"an empty category setting filters nothing",
     {Event("20261207T100000", "20261207T110000", "Any")}, 10, 30, false, false, L"", true,
     L"Any... 10:00 AM to 11:00 AM", kNoOther},
    {"a wanted name with a quote still matches exactly",
     {Event("20261207T100000", "20261207T110000", "Quoted", {"CATEGORIES:Say \"hi\""})}, 10, 30,
     false, false, L"Say \"hi\"", true, L"Quoted... 10:00 AM to 11:00 AM", kNoOther},
    {"overlapping meetings: the earlier start decides",
     {Event("20261207T103000", "20261207T120000", "Second"), kReview}, 10, 45, false, false, {},
     true, L"Weekly review... 10:00 AM to 11:00 AM", kNoOther},
    {"a meeting that runs past midnight shows both dates",
     {Event("20261207T230000", "20261208T010000", "Night shift")}, 23, 30, false, false, {},
     true, L"Night shift... 12/7/2026 11:00 PM to 12/8/2026 1:00 AM", kNoOther},
    {"no subject keeps the earlier description",
     {Event("20261207T100000", "20261207T110000", "")}, 10, 15, false, false, {}, true,
     kUnchanged, kNoOther},
    {"a long subject shows its first 25 characters",
     {Event("20261207T100000", "20261207T110000",
            "Quarterly planning with the regional sales team")},
     10, 15, false, false, {}, true, L"Quarterly planning with t... 10:00 AM to 11:00 AM",
     kNoOther},
    {"percent signs are text",
     {Event("20261207T100000", "20261207T110000", "100% %s %n %d%%")}, 10, 15, false, false, {},
     true, L"100% %s %n %d%%... 10:00 AM to 11:00 AM", kNoOther},
    {"a weekly series has today's occurrence",
     {Event("20261116T100000", "20261116T110000", "Series", {"RRULE:FREQ=WEEKLY;BYDAY=MO"})},
     10, 5, false, false, {}, true, L"Series... 10:00 AM to 11:00 AM", kNoOther},
    {"an excluded occurrence is not a meeting",
     {Event("20261116T100000", "20261116T110000", "Series",
            {"RRULE:FREQ=WEEKLY;BYDAY=MO", "EXDATE:20261207T100000"})},
     10, 5, false, false, {}, false, kUnchanged, kNoOther},
    {"tomorrow's meeting is not today's",
     {Event("20261208T100000", "20261208T110000", "Tomorrow")}, 9, 0, false, false, {}, false,
     kUnchanged, kNoOther},
};

TEST_F(MeetingQuery, RulesDecideTheVerdictAndTheTexts) {
  for (const RuleCase& c : kRules) {
    SCOPED_TRACE(c.name);
    SetUp();
    calendar_.Clear();
    calendar_.Import(Calendar(c.events));
    EditSettings([&](SettingsRecord& s) {
      s.POAllDay = c.allDayRule;
      s.POExcludeFreeTime = c.excludeFree;
      s.POCategory = c.category;
    });
    SetLocalClock(c.hour, c.minute);

    EXPECT_EQ(c.verdict, QueryMeetingInProgress());
    EXPECT_EQ(c.verdict, MeetingState.InMeeting);
    EXPECT_STREQ(c.meetingText, MeetingState.MeetingText);
    EXPECT_STREQ(c.statusText, MeetingState.MeetingStatusText);
  }
}

// During the meeting the check still looks at its interval, and at the meeting's end at last.
TEST_F(MeetingQuery, MeetingEndIsStartPlusDurationAndTheChecksGoOn) {
  calendar_.Import(Calendar({kReview}));
  SetLocalClock(10, 20);
  ASSERT_TRUE(QueryMeetingInProgress());
  EXPECT_EQ(LocalToUtc(2026, 12, 7, 11, 0), MeetingState.MeetingEnd);
  EXPECT_EQ(LocalToUtc(2026, 12, 7, 10, 20, 30), MeetingState.NextMeetingCheck);
  EditSettings([&](SettingsRecord& s) { s.POCheckInterval = 3600; });
  ASSERT_TRUE(QueryMeetingInProgress());
  EXPECT_EQ(MeetingState.MeetingEnd, MeetingState.NextMeetingCheck);
}

TEST_F(MeetingQuery, AMeetingWhoseDurationCannotBeReadEndsAtItsEndTime) {
  calendar_.Import(Calendar({kReview}));
  const CalendarFaults noDuration{0, -1, true};
  SetProcessCalendarFaults(&noDuration);
  SetLocalClock(10, 20);
  EXPECT_TRUE(QueryMeetingInProgress());
  SetProcessCalendarFaults(nullptr);
  EXPECT_EQ(LocalToUtc(2026, 12, 7, 11, 0), MeetingState.MeetingEnd);
}

TEST_F(MeetingQuery, AllDayMeetingEndsAtMidnight) {
  calendar_.Import(Calendar({Event("20261207", "20261208", "Offsite")}));
  EditSettings([&](SettingsRecord& s) { s.POAllDay = true; });
  SetLocalClock(16, 0);
  ASSERT_TRUE(QueryMeetingInProgress());
  EXPECT_EQ(LocalToUtc(2026, 12, 8, 0, 0), MeetingState.MeetingEnd);
}

TEST_F(MeetingQuery, HostileEntriesAreCutNotOverrun) {
  const std::string longSubject(10000, 'x');
  const std::string longCategory = "Work" + std::string(296, 'c');
  calendar_.Import(Calendar({Event("20261207T100000", "20261207T110000", longSubject,
                                   {"CATEGORIES:" + longCategory + ",\"quoted\",Work"})}));
  EditSettings([&](SettingsRecord& s) { s.POCategory = L"Work"; });
  SetLocalClock(10, 30);
  ASSERT_TRUE(QueryMeetingInProgress());
  EXPECT_EQ(std::wstring(25, L'x') + L"... 10:00 AM to 11:00 AM", MeetingState.MeetingText);
  // What the journal tells of the meeting: as much as its buffers hold.
  EXPECT_EQ(std::wstring(80, L'x'), MeetingState.MeetingSubject);
  EXPECT_EQ(L"Work" + std::wstring(60, L'c'), MeetingState.MeetingCategories);
  // The status text lies right after the description: an overrun would show here.
  EXPECT_STREQ(kNoOther, MeetingState.MeetingStatusText);
}

TEST_F(MeetingQuery, TextsLongerThanTheirBuffersAreCut) {
  // Long date and time formats make every part longer than its buffer and the whole
  // description longer than 99 characters.
  wchar_t savedDate[80] = {}, savedTime[80] = {};
  GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, savedDate, 80);
  GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIMEFORMAT, savedTime, 80);
  auto restore = [&] {
    SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, savedDate);
    SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIMEFORMAT, savedTime);
  };
  ScopeExit<decltype(restore)> restoreAtEnd(restore);
  calendar_.Import(Calendar({Event("20261207", "20261208", std::string(40, 'S'))}));
  EditSettings([&](SettingsRecord& s) { s.POAllDay = true; });
  SetLocalClock(9, 0);
  ASSERT_TRUE(SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE,
                             L"'Weekday' dddd', the' d'th of' MMMM yyyy"));
  ASSERT_TRUE(SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIMEFORMAT,
                             L"'at the stroke of' h:mm tt 'precisely'"));
  ASSERT_TRUE(QueryMeetingInProgress());
  const std::wstring text = MeetingState.MeetingText;
  EXPECT_EQ(99u, text.size());
  EXPECT_EQ(std::wstring(25, L'S') + L"... Weekday Monday, th at the stroke of 1", text.substr(0, 66));
  EXPECT_STREQ(kNoOther, MeetingState.MeetingStatusText);
}

TEST_F(MeetingQuery, LinkOffLeavesTheTextsAndTheCheckTime) {
  calendar_.Import(Calendar({kReview}));
  EditSettings([&](SettingsRecord& s) { s.EnablePOLink = false; });
  EditMeetingState([&](MeetingStateRecord& m) {
    m.InMeeting = true;
    m.NextMeetingCheck = 1234;
    wcscpy(m.MeetingStatusText, L"status before");
  });
  SetLocalClock(10, 30);
  EXPECT_FALSE(QueryMeetingInProgress());
  EXPECT_FALSE(MeetingState.InMeeting);
  EXPECT_EQ(1234u, MeetingState.NextMeetingCheck);
  EXPECT_STREQ(L"status before", MeetingState.MeetingStatusText);
  EXPECT_STREQ(kUnchanged, MeetingState.MeetingText);
}

// ---- Pacing of the checks ----------------------------------------------------------------

TEST_F(MeetingQuery, ChecksArePacedByTheInterval) {
  calendar_.Import(Calendar({Event("20261207T150000", "20261207T160000", "Later")}));
  EditSettings([&](SettingsRecord& s) { s.POCheckInterval = 30; });
  SetLocalClock(9, 0);
  EXPECT_FALSE(QueryMeetingInProgress());
  const ULONGLONG first = LocalToUtc(2026, 12, 7, 9, 0, 30);
  EXPECT_EQ(first, MeetingState.NextMeetingCheck);
  // A query before that time (the mute page asking) does not push the check further out.
  SetLocalClock(9, 0, 10);
  EXPECT_FALSE(QueryMeetingInProgress());
  EXPECT_EQ(first, MeetingState.NextMeetingCheck);
  SetLocalClock(9, 0, 30);
  EXPECT_FALSE(QueryMeetingInProgress());
  EXPECT_EQ(LocalToUtc(2026, 12, 7, 9, 1, 0), MeetingState.NextMeetingCheck);
}

TEST_F(MeetingQuery, CheckIsPulledForwardToTheNextMeeting) {
  calendar_.Import(Calendar({Event("20261207T100000", "20261207T110000", "First"),
                             Event("20261207T101000", "20261207T103000", "Second"),
                             Event("20261207", "20261208", "All day")}));
  EditSettings([&](SettingsRecord& s) { s.POCheckInterval = 900; });
  SetLocalClock(9, 50);
  EXPECT_FALSE(QueryMeetingInProgress());
  EXPECT_EQ(LocalToUtc(2026, 12, 7, 10, 0), MeetingState.NextMeetingCheck);
  EXPECT_STREQ(L"Today's next QuietMinder meeting starts at 10:00 AM.",
               MeetingState.MeetingStatusText);
}

TEST_F(MeetingQuery, TwoUpcomingMeetingsTheEarlierWins) {
  calendar_.Import(Calendar({Event("20261207T140000", "20261207T150000", "Afternoon"),
                             Event("20261207T091000", "20261207T093000", "Morning")}));
  EditSettings([&](SettingsRecord& s) { s.POCheckInterval = 900; });
  SetLocalClock(9, 0);
  EXPECT_FALSE(QueryMeetingInProgress());
  EXPECT_EQ(LocalToUtc(2026, 12, 7, 9, 10), MeetingState.NextMeetingCheck);
  EXPECT_STREQ(L"Today's next QuietMinder meeting starts at 9:10 AM.",
               MeetingState.MeetingStatusText);
}

TEST_F(MeetingQuery, AfterAMeetingTheCheckIsPulledBack) {
  calendar_.Import(Calendar({kReview}));
  SetLocalClock(10, 10);
  ASSERT_TRUE(QueryMeetingInProgress());
  // The meeting is removed while it runs; the next query finds nothing.
  calendar_.Clear();
  SetLocalClock(10, 20);
  EXPECT_FALSE(QueryMeetingInProgress());
  EXPECT_EQ(LocalToUtc(2026, 12, 7, 10, 20, 30), MeetingState.NextMeetingCheck);
}

TEST_F(MeetingQuery, AfterAMeetingOtherItemsDoNotKeepTheOldEnd) {
  calendar_.Import(Calendar({kReview, Event("20261207T070000", "20261207T080000", "Early")}));
  SetLocalClock(10, 10);
  ASSERT_TRUE(QueryMeetingInProgress());
  calendar_.Clear();
  calendar_.Import(Calendar({Event("20261207T070000", "20261207T080000", "Early")}));
  SetLocalClock(10, 20);
  EXPECT_FALSE(QueryMeetingInProgress());
  EXPECT_EQ(LocalToUtc(2026, 12, 7, 10, 20, 30), MeetingState.NextMeetingCheck);
}

TEST_F(MeetingQuery, RoadOfOneMeeting) {
  calendar_.Import(
      Calendar({Event("20261207T100000", "20261207T110000", "Work meeting", {"CATEGORIES:Work"})}));
  EditSettings([&](SettingsRecord& s) { s.POCategory = L"Work"; });
  SetLocalClock(9, 59, 45);
  EXPECT_FALSE(QueryMeetingInProgress());
  EXPECT_EQ(LocalToUtc(2026, 12, 7, 10, 0), MeetingState.NextMeetingCheck);
  SetLocalClock(10, 0, 0);
  EXPECT_TRUE(QueryMeetingInProgress());
  EXPECT_EQ(LocalToUtc(2026, 12, 7, 11, 0), MeetingState.MeetingEnd);
  EXPECT_STREQ(L"Work meeting... 10:00 AM to 11:00 AM", MeetingState.MeetingText);
  // The restore at the end clears InMeeting; the query that follows finds nothing.
  EditMeetingState([&](MeetingStateRecord& m) { m.InMeeting = false; });
  SetLocalClock(11, 0, 0);
  EXPECT_FALSE(QueryMeetingInProgress());
  EXPECT_EQ(LocalToUtc(2026, 12, 7, 11, 0, 30), MeetingState.NextMeetingCheck);
  EXPECT_STREQ(kNoOther, MeetingState.MeetingStatusText);
}

// ---- Connection --------------------------------------------------------------------------

// An application object in front of the calendar's that can refuse the logon or the logoff.
class FaultyApp final : public IPOutlookApp {
 public:
  FaultyApp(IPOutlookApp* inner, bool failLogon, bool failLogoff)
      : inner_(inner), failLogon_(failLogon), failLogoff_(failLogoff) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IPOutlookApp) return E_NOINTERFACE;
    *out = this;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs;
    if (left == 0) inner_->Release();
    return left;
  }
  HRESULT STDMETHODCALLTYPE Logon(LONG_PTR w) override {
    ++logons;
    return failLogon_ ? E_FAIL : inner_->Logon(w);
  }
  HRESULT STDMETHODCALLTYPE Logoff() override {
    ++logoffs;
    const HRESULT hr = inner_->Logoff();
    return failLogoff_ ? E_FAIL : hr;
  }
  HRESULT STDMETHODCALLTYPE GetDefaultFolder(int id, IFolder** f) override {
    return inner_->GetDefaultFolder(id, f);
  }
  HRESULT STDMETHODCALLTYPE SystemTimeToVariantTime(SYSTEMTIME* st, DATE* d) override {
    return inner_->SystemTimeToVariantTime(st, d);
  }
  HRESULT STDMETHODCALLTYPE VariantTimeToSystemTime(DATE d, SYSTEMTIME* st) override {
    return inner_->VariantTimeToSystemTime(d, st);
  }
  HRESULT STDMETHODCALLTYPE SysFreeString(BSTR s) override {
    ++freed;
    return inner_->SysFreeString(s);
  }
  ULONG refs = 1;
  int logons = 0, logoffs = 0, freed = 0;

 private:
  IPOutlookApp* inner_;
  bool failLogon_, failLogoff_;
};

class FaultyFactory final : public IClassFactory {
 public:
  FaultyFactory(bool failLogon, bool failLogoff) : failLogon_(failLogon), failLogoff_(failLogoff) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IClassFactory) return E_NOINTERFACE;
    *out = this;
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID iid, void** out) override {
    ComPtr<IClassFactory> real;
    CalendarGetClassObject(CLSID_PocketOutlookApplication, IID_IClassFactory, real.put_void());
    IPOutlookApp* inner = nullptr;
    real->CreateInstance(nullptr, IID_IPOutlookApp, reinterpret_cast<void**>(&inner));
    app = new FaultyApp(inner, failLogon_, failLogoff_);
    app->AddRef();  // the test keeps one reference to look at the counts
    const HRESULT hr = app->QueryInterface(iid, out);
    app->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
  FaultyApp* app = nullptr;

 private:
  bool failLogon_, failLogoff_;
};

class MeetingQueryConnection : public MeetingQuery {
 protected:
  void Serve(FaultyFactory* factory) {
    calendar_.Unserve();
    ASSERT_EQ(S_OK, CoRegisterClassObject(CLSID_PocketOutlookApplication, factory,
                                          CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_));
  }
  void TearDown() override {
    if (cookie_) CoRevokeClassObject(cookie_);
    MeetingQuery::TearDown();
  }
  DWORD cookie_ = 0;
};

TEST_F(MeetingQueryConnection, NoCalendarOnTheDeviceIsAConnectionError) {
  calendar_.Unserve();
  ComPtr<IUnknown> probe;
  if (SUCCEEDED(CoCreateInstance(CLSID_PocketOutlookApplication, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_IUnknown, probe.put_void()))) {
    GTEST_SKIP() << "this prefix has a calendar registered";
  }
  EditMeetingState([&](MeetingStateRecord& m) { m.NextMeetingCheck = 77; });
  SetLocalClock(10, 30);
  EXPECT_FALSE(QueryMeetingInProgress());
  EXPECT_FALSE(MeetingState.InMeeting);
  EXPECT_STREQ(L"Error connecting to Pocket Outlook.", MeetingState.MeetingStatusText);
  EXPECT_EQ(77u, MeetingState.NextMeetingCheck);
}

TEST_F(MeetingQueryConnection, RefusedLogonKeepsTheCheckTime) {
  FaultyFactory factory(true, false);
  Serve(&factory);
  calendar_.Import(Calendar({kReview}));
  EditMeetingState([&](MeetingStateRecord& m) { m.NextMeetingCheck = 5; });
  SetLocalClock(10, 30);
  EXPECT_FALSE(QueryMeetingInProgress());
  EXPECT_STREQ(L"Error connecting to Pocket Outlook.", MeetingState.MeetingStatusText);
  EXPECT_EQ(5u, MeetingState.NextMeetingCheck);
  ASSERT_NE(nullptr, factory.app);
  EXPECT_EQ(1, factory.app->logons);
  EXPECT_EQ(0, factory.app->logoffs);
  EXPECT_EQ(1u, factory.app->refs) << "the refused object must be released";
  factory.app->Release();
}

TEST_F(MeetingQueryConnection, FailedLogoffKeepsTheVerdict) {
  FaultyFactory factory(false, true);
  Serve(&factory);
  calendar_.Import(Calendar({Event("20261207T100000", "20261207T110000", "Review",
                                   {"CATEGORIES:Work"})}));
  SetLocalClock(10, 30);
  EXPECT_TRUE(QueryMeetingInProgress());
  EXPECT_TRUE(MeetingState.InMeeting);
  EXPECT_EQ(LocalToUtc(2026, 12, 7, 11, 0), MeetingState.MeetingEnd);
  EXPECT_STREQ(L"Error Disconnecting from Pocket Outlook.", MeetingState.MeetingStatusText);
  ASSERT_NE(nullptr, factory.app);
  EXPECT_EQ(1, factory.app->logoffs);
  EXPECT_EQ(2, factory.app->freed) << "subject and categories are freed through the calendar";
  EXPECT_EQ(1u, factory.app->refs);
  factory.app->Release();
}

// ---- Category matching ---------------------------------------------------------------------

TEST(MatchCategories, WholeNamesExactlyWithCase) {
  struct Row {
    const wchar_t* wanted;
    const wchar_t* item;
    bool match;
  } rows[] = {
      {nullptr, nullptr, true},        {nullptr, L"Work", true},
      {L"Work", nullptr, false},       {L"", L"", true},
      {L"Work", L"", false},           {L"", L"Work", true},
      {L"Work", L"Work", true},        {L"Work", L"Work, Travel", true},
      {L"Work", L"Travel,  Work ", true}, {L"Work", L"Team Work", false},
      {L"Team Work", L"Work", false},  {L"Work", L"Workshop", false},
      {L"Work", L"work", false},       {L"Business,Work", L"Work", true},
      {L"Business,,Work", L"Personal, Work", true}, {L",,", L"Work", false},
      {L"Wo\"rk", L"Wo\"rk", true},    {L"Work", L",,", false},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(r.match, MatchCategories(r.wanted, r.item))
        << (r.wanted ? r.wanted : L"(absent)") << " / " << (r.item ? r.item : L"(absent)");
  }
}

}  // namespace
