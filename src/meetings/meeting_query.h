// The meeting query: asks the handheld's calendar for today's appointments, applies the user's
// meeting rules and leaves its findings in MeetingState.
#pragma once
#include <windows.h>

#include "platform/poom.h"

// The calendar's application object; set only while a query runs.
extern IPOutlookApp* PocketOutlookApp;

// True when a meeting that passes the user's rules is in progress now. Updates MeetingState.
bool QueryMeetingInProgress();

// Creates the application object into PocketOutlookApp and logs on.
bool ConnectPocketOutlook();
// Logs off and releases the application object; true when there was none or Logoff succeeded.
bool DisconnectPocketOutlook();

// True when the appointment's categories hold one of the wanted names. Both lists are separated
// by ","; blanks around a name do not count, and names compare whole, exactly, with case.
// An absent `wanted` accepts everything; an absent `itemCategories` matches nothing wanted.
bool MatchCategories(const wchar_t* wanted, const wchar_t* itemCategories);
