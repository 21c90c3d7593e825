// The Rules view: the owner's rules around meetings, full screen over the settings window: how
// many minutes a meeting's silence begins before it and lasts after it, the words that keep an
// appointment from silencing the device or make it count whatever its category, and the quiet
// hours with the days they begin on. It edits rules it is given and stores nothing: the Meetings
// page keeps what it returns and stores it with its own commit.
#pragma once
#include <windows.h>

#include "meetings/meeting_rule.h"

// Runs the view modally, owned by `owner`, on `rules`. True when the owner tapped ok: `rules`
// then holds what the view shows. False (Cancel): `rules` is as it was.
bool ShowRules(HWND owner, MeetingRules& rules);
