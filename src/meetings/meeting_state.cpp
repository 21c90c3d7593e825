#include "meetings/meeting_state.h"

#include "common/clock.h"
#include "meetings/meeting_query.h"
#include "settings/settings.h"

namespace {

struct Memory {
  MeetingStateRecord state;
  unsigned long long looksPrepared = 0;
  unsigned long long lastLookTaken = 0;
  QuietHoursRecord quiet;
};
Memory g_memory;

}  // namespace

const MeetingStateRecord& MeetingState = g_memory.state;
const QuietHoursRecord& QuietHoursState = g_memory.quiet;

void ResetMeetingState() {
  g_memory.state = MeetingStateRecord{};
  g_memory.quiet = QuietHoursRecord{};
  g_memory.lastLookTaken = g_memory.looksPrepared + 1;
}

bool RememberFinding(const MeetingFinding& finding) {
  if (finding.look < g_memory.lastLookTaken) return false;
  g_memory.lastLookTaken = finding.look;
  g_memory.state = finding.state;
  return true;
}

void ForgetMeetingInProgress() { g_memory.state.InMeeting = false; }

unsigned long long NumberNewLook() { return ++g_memory.looksPrepared; }

namespace {

// The quiet hours in force at `now`, or the next ones within a week; worked out again at their
// start or end.
void WorkOutQuietHours(ULONGLONG now) {
  QuietHoursRecord& q = g_memory.quiet;
  const MeetingRules rules = StoredMeetingRules();
  q.days = rules.QuietDays;
  q.fromMinute = rules.QuietFrom;
  q.toMinute = rules.QuietTo;
  q.workedOutAt = now;
  q.from = q.until = 0;
  q.nextChange = now + 24 * 60 * 60 * kFileTimeSecond;
  const LocalMinute minute = LocalMinuteOf(now);
  std::optional<QuietHours> quiet = QuietHoursAt(rules, minute);
  for (LocalMinute day = DayStart(minute); !quiet && day <= DayStart(minute) + 7 * kMinutesPerDay;
       day += kMinutesPerDay) {
    quiet = QuietHoursOf(rules, day);
    if (quiet && quiet->from <= minute) quiet.reset();
  }
  ULONGLONG from = 0, until = 0;
  if (!quiet || !UtcOfLocalMinute(quiet->from, &from) || !UtcOfLocalMinute(quiet->until, &until)) {
    return;
  }
  q.from = from;
  q.until = until;
  q.nextChange = now < from ? from : until;
}

}  // namespace

std::optional<ULONGLONG> QuietHoursUntil(ULONGLONG now) {
  const QuietHoursRecord& q = g_memory.quiet;
  if (now >= q.nextChange || now < q.workedOutAt || q.days != Settings.QuietDays ||
      q.fromMinute != Settings.QuietFrom || q.toMinute != Settings.QuietTo) {
    WorkOutQuietHours(now);
  }
  if (now < q.from || now >= q.until || now < q.offUntil) return std::nullopt;
  return q.until;
}

std::optional<ULONGLONG> QuietHoursInForce(ULONGLONG now) {
  const auto quiet = QuietHoursAt(StoredMeetingRules(), LocalMinuteOf(now));
  ULONGLONG until = 0;
  if (!quiet || !UtcOfLocalMinute(quiet->until, &until) || now < g_memory.quiet.offUntil) {
    return std::nullopt;
  }
  return until;
}

void EndQuietHoursForNow(ULONGLONG now) {
  if (const auto until = QuietHoursUntil(now)) g_memory.quiet.offUntil = *until;
}
