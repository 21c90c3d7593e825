// The Today view: a day's appointments in order of start, each with what the meeting rules make
// of it (silences the device until when, or sounds and why). It opens on today, with the state
// now at the top, and steps to the day before and after; above the list the day shows as a band
// of 24 hours with its silent stretches dark and the present moment marked. It plans by the rules
// it is given, the Meetings page's current choices whether stored or not, and reads the calendar
// off the window thread. Full screen over the settings window; its ok (or Cancel) closes it.
#pragma once
#include <windows.h>

#include <string>

#include "meetings/meeting_plan.h"
#include "meetings/meeting_rule.h"

// Runs the view modally, owned by `owner`.
void ShowToday(HWND owner, const MeetingRules& rules);
INT_PTR CALLBACK TodayViewProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// One entry of the view's list: the times and subject, then the verdict and its reason.
std::wstring TodayEntryText(const MeetingPlan& plan, const PlanEntry& entry);

inline constexpr wchar_t kTodayReadingText[] = L"Reading the calendar...";
inline constexpr wchar_t kNoAppointmentsText[] = L"No appointments today.";
inline constexpr wchar_t kNoAppointmentsThatDayText[] = L"No appointments that day.";
