// The meeting query: asks the handheld's calendar for today's appointments, applies the user's
// meeting rules and leaves its findings in MeetingState.
#pragma once
#include <windows.h>

#include "meetings/meeting_state.h"

// True when a meeting that passes the user's rules is in progress now. Updates MeetingState. A
// connection to the calendar lives only within one query.
bool QueryMeetingInProgress();
// The meeting in progress is over (the mute made for it has ended).
void EndMeetingInProgress();

// True when the appointment's categories hold one of the wanted names. Both lists are separated
// by ","; blanks around a name do not count, and names compare whole, exactly, with case.
// An absent `wanted` accepts everything; an absent `itemCategories` matches nothing wanted.
bool MatchCategories(const wchar_t* wanted, const wchar_t* itemCategories);
