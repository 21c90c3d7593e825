#include "meetings/meeting_state.h"

MeetingStateRecord MeetingState;
