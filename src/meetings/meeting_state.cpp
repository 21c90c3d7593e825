#include "meetings/meeting_state.h"

namespace {

struct Memory {
  MeetingStateRecord state;
  unsigned long long looksPrepared = 0;
  unsigned long long lastLookTaken = 0;
};
Memory g_memory;

}  // namespace

const MeetingStateRecord& MeetingState = g_memory.state;

void ResetMeetingState() {
  g_memory.state = MeetingStateRecord{};
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
