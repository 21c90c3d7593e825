// The day's plan against the device's calendar served in this process, on Monday 2026-12-07 in
// New York: each rule once, as the line a plan prints, and the live check agreeing with it.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "calendar/calendar_env.h"
#include "calendar/calendar_server.h"
#include "meetings/meeting_plan.h"
#include "meetings/meeting_query.h"
#include "meetings/meeting_state.h"
#include "settings/settings.h"
#include "support/fake_device.h"
#include "support/program_state.h"

namespace {

constexpr SYSTEMTIME kMonday{2026, 12, 1, 7, 0, 0, 0, 0};

struct PlanCase {
  const char* name;
  std::vector<std::string> events;
  MeetingRules rules;
  std::vector<std::wstring> lines;
};

MeetingRules Rules(std::optional<std::wstring> category, bool allDay = false,
                   bool excludeFree = false) {
  return MeetingRules{true, std::move(category), allDay, excludeFree};
}

template <typename Edit>
MeetingRules With(MeetingRules rules, Edit edit) {
  edit(rules);
  return rules;
}

// Quiet hours from 22:00 to 06:30, beginning on the days of `days`.
MeetingRules Quiet(DWORD days) {
  return With(Rules({}), [&](MeetingRules& r) { r.QuietDays = days; });
}

const std::string kReview =
    Event("20261207T100000", "20261207T110000", "Review", {"CATEGORIES:Work"});
const std::string kFree =
    Event("20261207T120000", "20261207T130000", "Lunch", {"TRANSP:TRANSPARENT"});
const std::string kOffsite = Event("20261207", "20261208", "Offsite");
const std::string kLate = Event("20261207T230000", "20261208T003000", "Late");
const std::string kEarly = Event("20261208T001500", "20261208T010000", "Early");

const PlanCase kCases[] = {
    {"a meeting that counts", {kReview}, Rules(L"Work"),
     {L"10:00-11:00 silences Review [Work] until 11:00"}},
    {"the link is off", {kReview}, MeetingRules{},
     {L"10:00-11:00 sounds Review [Work] the link to the calendar is off"}},
    {"free time excluded", {kFree}, Rules({}, false, true),
     {L"12:00-13:00 sounds Lunch [] it is free time, and free time is excluded"}},
    {"no category while categories are chosen",
     {Event("20261207T140000", "20261207T150000", "Bare")}, Rules(L"Business,Work"),
     {L"14:00-15:00 sounds Bare [] it has no category (only Business, Work count)"}},
    {"a category that is not chosen",
     {Event("20261207T140000", "20261207T150000", "Trip", {"CATEGORIES:Travel,Workshop"})},
     Rules(L"Business, Work"),
     {L"14:00-15:00 sounds Trip [Travel, Workshop] its category is not chosen (only Business, "
      L"Work count)"}},
    {"all-day events not included", {kOffsite}, Rules({}),
     {L"00:00-00:00 sounds Offsite [] it is an all-day event, and those are not included"}},
    {"all-day events included", {kOffsite}, Rules({}, true),
     {L"00:00-00:00 silences Offsite [] until 2026-12-08 00:00"}},
    {"no length", {Event("20261207T160000", "20261207T160000", "Reminder")}, Rules({}),
     {L"16:00-16:00 sounds Reminder [] it ends as it starts"}},
    {"silences that overlap",
     {Event("20261207T100000", "20261207T120000", "Long"),
      Event("20261207T103000", "20261207T110000", "Inside"),
      Event("20261207T113000", "20261207T130000", "Past")},
     Rules({}),
     {L"10:00-12:00 silences Long [] until 13:00",
      L"10:30-11:00 silences Inside [] the device is already silent then",
      L"11:30-13:00 silences Past [] the device is already silent then"}},
    {"yesterday's night into today", {Event("20261206T230000", "20261207T010000", "Night")},
     Rules({}), {L"23:00-01:00 silences Night [] until 01:00"}},
    {"back to back, at any hour of the day",
     {Event("20261207T093000", "20261207T100000", "A"), Event("20261207T100000", "20261207T103000", "B"),
      Event("20261207T143000", "20261207T150000", "C"), Event("20261207T150000", "20261207T153000", "D")},
     Rules({}),
     {L"09:30-10:00 silences A [] until 10:30", L"10:00-10:30 silences B [] the device is already silent then",
      L"14:30-15:00 silences C [] until 15:30", L"15:00-15:30 silences D [] the device is already silent then"}},
    {"a silence that runs on past midnight", {kLate, kEarly}, Rules({}),
     {L"23:00-00:30 silences Late [] until 2026-12-08 01:00"}},
    {"minutes before and after", {Event("20261207T090000", "20261207T100000", "Planning")},
     With(Rules({}), [](MeetingRules& r) { r.POStartEarly = 10, r.POEndLate = 5; }),
     {L"09:00-10:00 silences Planning [] from 08:50 until 10:05"}},
    {"words, on the subject or the location, whatever their case",
     {Event("20261207T080000", "20261207T083000", "Lunch with Sam"),
      Event("20261207T090000", "20261207T093000", "Call", {"LOCATION:Lunch room"}),
      Event("20261207T100000", "20261207T103000", "INTERVIEW"),
      Event("20261207T110000", "20261207T113000", "Interview lunch"),
      Event("20261207T120000", "20261207T123000", "Interview", {"TRANSP:TRANSPARENT"})},
     With(Rules(L"Work", false, true),
          [](MeetingRules& r) { r.POSkipWords = L"lunch ", r.POAlwaysWords = L" interview"; }),
     {L"08:00-08:30 sounds Lunch with Sam [] it holds \"lunch\", a word that never silences the "
      L"device",
      L"09:00-09:30 sounds Call [] it holds \"lunch\", a word that never silences the device",
      L"10:00-10:30 silences INTERVIEW [] until 10:30 (the word \"interview\" counts it)",
      L"11:00-11:30 sounds Interview lunch [] it holds \"lunch\", a word that never silences the "
      L"device",
      L"12:00-12:30 sounds Interview [] it is free time, and free time is excluded"}},
    {"quiet hours that begin on the day, and a meeting inside them",
     {Event("20261207T230000", "20261207T233000", "Late call")}, Quiet(1 << 1),
     {L"22:00-06:30 silences Quiet hours [] until 2026-12-08 06:30",
      L"23:00-23:30 silences Late call [] the device is already silent then"}},
    {"quiet hours that began on the evening before, over the week's end",
     {Event("20261207T050000", "20261207T060000", "Early call")}, Quiet(1 << 0),
     {L"05:00-06:00 silences Early call [] the device is already silent then"}},
};

class MeetingPlanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::ResetDevice();
    UseSettings(SettingsRecord{});
    ResetMeetingState();
  }
  void TearDown() override { EXPECT_EQ(0, CalendarLiveObjects()); }
  DeviceCalendar calendar_;
};

// The live check, asked at the first moment of the day an appointment can be in progress.
bool LiveCheckAt(const SYSTEMTIME& local) {
  const bool yesterday = local.wDay != kMonday.wDay;
  fake::device().utcNow = yesterday ? LocalToUtc(2026, 12, 7, 0, 0)
                                    : LocalToUtc(2026, 12, 7, local.wHour, local.wMinute);
  ResetMeetingState();
  return QueryMeetingInProgress();
}

TEST_F(MeetingPlanTest, EachRuleGivesItsVerdictAndTheLiveCheckAgrees) {
  for (const PlanCase& c : kCases) {
    SCOPED_TRACE(c.name);
    calendar_.Clear();
    calendar_.Import(Calendar(c.events));
    const MeetingPlan plan = PlanMeetingDay(c.rules, kMonday, LocalToUtc(2026, 12, 7, 6, 0));
    ASSERT_TRUE(plan.read) << std::string(plan.error.begin(), plan.error.end());
    std::vector<std::wstring> lines;
    for (const PlanEntry& e : plan.entries) lines.push_back(PlanLine(plan, e));
    EXPECT_EQ(c.lines, lines);

    EditSettings([&](SettingsRecord& s) {
      s.EnablePOLink = c.rules.EnablePOLink;
      s.POCategory = c.rules.POCategory;
      s.POAllDay = c.rules.POAllDay;
      s.POExcludeFreeTime = c.rules.POExcludeFreeTime;
      s.POSkipWords = c.rules.POSkipWords;
      s.POAlwaysWords = c.rules.POAlwaysWords;
    });
    for (const PlanEntry& e : plan.entries) {
      if (e.quietHours) continue;  // the check's look is for meetings
      EXPECT_EQ(std::wstring(L"silences") == PlanVerdictWord(e), LiveCheckAt(e.start))
          << std::string(e.subject.begin(), e.subject.end());
    }
  }
}

TEST_F(MeetingPlanTest, TheStateNowNamesTheSilenceInForceAndItsEnd) {
  calendar_.Import(Calendar({Event("20261207T100000", "20261207T120000", "Design review"),
                             Event("20261207T113000", "20261207T130000", "")}));
  const auto stateAt = [](int hour, int minute) {
    return PlanStateNow(PlanMeetingDay(Rules({}), kMonday, LocalToUtc(2026, 12, 7, hour, minute)));
  };
  EXPECT_EQ(L"Sound on", stateAt(9, 59));
  EXPECT_EQ(L"Silent until 1:00 PM: Design review", stateAt(11, 45));
  EXPECT_EQ(L"Silent until 1:00 PM: Design review", stateAt(12, 0));
  EXPECT_EQ(L"Sound on", stateAt(13, 0));
}

// The next day's plan agrees with the day's on a silence that runs over midnight, and a silence
// that lasts on to the next power-on says so.
TEST_F(MeetingPlanTest, TheNextDayAgreesAndAnExtendedSilenceSaysSo) {
  calendar_.Import(Calendar({kLate, kEarly}));
  const MeetingPlan plan = PlanMeetingDay(Rules({}), SYSTEMTIME{2026, 12, 2, 8, 0, 0, 0, 0},
                                          LocalToUtc(2026, 12, 8, 0, 20), PlanContext{true, L"Notes"});
  std::vector<std::wstring> lines;
  for (const PlanEntry& e : plan.entries) lines.push_back(PlanLine(plan, e));
  EXPECT_EQ((std::vector<std::wstring>{
                L"23:00-00:30 silences Late [] until 01:00, then to the next power-on",
                L"00:15-01:00 silences Early [] the device is already silent then"}),
            lines);
  EXPECT_EQ(L"Sound on while \"Notes\" runs (it holds muting off); then: silent until 1:00 AM, then "
            L"to the next power-on: Late",
            PlanStateNow(plan));
}

}  // namespace
