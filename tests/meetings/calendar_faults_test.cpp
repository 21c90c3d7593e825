// A calendar that fails part-way through a look at it: no mute is made from a look that failed,
// a running mute keeps its end, and nothing is lost: the next look comes within the check
// interval and, once the calendar answers again, finds the meeting.
#include <gtest/gtest.h>
#include <windows.h>

#include "calendar/calendar_env.h"
#include "calendar/calendar_faults.h"
#include "calendar/calendar_server.h"
#include "common/clock.h"
#include "meetings/meeting_query.h"
#include "meetings/meeting_state.h"
#include "settings/settings.h"
#include "sound/mute_engine.h"
#include "sound/mute_policy.h"
#include "sound/sound_env.h"
#include "support/fake_device.h"
#include "support/program_state.h"

namespace {

// More calls than one look at a calendar of one meeting makes.
constexpr LONG kCallsToScan = 60;

class FailingCalendar : public ::testing::Test {
 protected:
  void SetUp() override {
    calendar_.Import(Calendar({Event("20261207T100000", "20261207T110000", "Review")}));
    Fresh();
  }
  void TearDown() override {
    SetProcessCalendarFaults(nullptr);
    EXPECT_EQ(0, CalendarLiveObjects()) << "a failed look must release what it got";
  }

  // An audible device at 10:30, during the meeting, with the link on and no mute.
  void Fresh() {
    SetProcessCalendarFaults(nullptr);
    soundtest::SetUpDevice(hkcu_, DeviceKind::PocketPc2003);
    EditSettings([&](SettingsRecord& s) { s.EnablePOLink = true; });
    SetClock(10, 30);
  }
  static void SetClock(int hour, int minute) {
    fake::device().utcNow = LocalToUtc(2026, 12, 7, hour, minute);
  }
  static void FailAfter(LONG calls) {
    const CalendarFaults faults{0, calls, false};
    SetProcessCalendarFaults(&faults);
  }
  static ULONGLONG MeetingEnd() { return LocalToUtc(2026, 12, 7, 11, 0); }

  ScratchHkcu hkcu_;
  DeviceCalendar calendar_;
};

TEST_F(FailingCalendar, ALookThatFailsMakesNoMuteAndTheNextLookFindsTheMeeting) {
  int failedLooks = 0;
  for (LONG calls = 0; calls < kCallsToScan; ++calls) {
    SCOPED_TRACE(testing::Message() << "the calendar fails after " << calls << " calls");
    Fresh();
    FailAfter(calls);
    CheckTickWithLook();
    if (MuteState.Muted) {
      // The look got as far as the meeting's end: a mute made from it lasts exactly that long.
      EXPECT_EQ(MeetingEnd(), MuteState.MuteUntil);
      continue;
    }
    ++failedLooks;
    EXPECT_NE(0u, fake::device().waveVolume);
    const ULONGLONG next = MeetingState.NextMeetingCheck;
    EXPECT_LE(next, TimeFromNow(0) + ULONGLONG{Settings.POCheckInterval} * kFileTimeSecond)
        << "the next look must not wait past the check interval";

    SetProcessCalendarFaults(nullptr);
    if (next > fake::device().utcNow) fake::device().utcNow = next;
    CheckTickWithLook();
    EXPECT_TRUE(MuteState.Muted);
    EXPECT_EQ(MeetingEnd(), MuteState.MuteUntil);
  }
  EXPECT_GT(failedLooks, 5) << "the faults must hit the look at many points";
}

TEST_F(FailingCalendar, AMuteForTheMeetingKeepsItsEndWhileTheCalendarFails) {
  for (LONG calls = 0; calls < kCallsToScan; calls += 3) {
    SCOPED_TRACE(testing::Message() << "the calendar fails after " << calls << " calls");
    Fresh();
    CheckTickWithLook();
    ASSERT_TRUE(MuteState.Muted);

    FailAfter(calls);
    SetClock(10, 45);
    OnMeetingLookDone(LookAtCalendarNow());  // as the settings window's Mute page asks
    CheckTickWithLook();
    EXPECT_TRUE(MuteState.Muted);
    EXPECT_EQ(MeetingEnd(), MuteState.MuteUntil);

    // At its end the sound comes back, and a failing look makes no new mute.
    SetClock(11, 0);
    CheckTickWithLook();
    EXPECT_FALSE(MuteState.Muted);
    EXPECT_NE(0u, fake::device().waveVolume);
  }
}

}  // namespace
