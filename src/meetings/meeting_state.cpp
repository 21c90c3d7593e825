#include "meetings/meeting_state.h"

MeetingStateRecord MeetingState;

namespace {
unsigned long long g_looksPrepared = 0;
unsigned long long g_lastLookTaken = 0;
}  // namespace

void ResetMeetingState() {
  MeetingState = MeetingStateRecord{};
  g_lastLookTaken = g_looksPrepared + 1;
}

unsigned long long NumberNewLook() { return ++g_looksPrepared; }

bool AcceptLookNumber(unsigned long long number) {
  if (number < g_lastLookTaken) return false;
  g_lastLookTaken = number;
  return true;
}
