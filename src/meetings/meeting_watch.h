// The check tick's looks at the calendar, taken on a thread of their own: a slow calendar never
// holds up the program's one window thread, and the tick keeps its period.
#pragma once
#include <windows.h>

#include <functional>
#include <optional>

#include "meetings/meeting_plan.h"

// Starts `look` unless one is under way; `window` gets `message` when it is done. False when
// none was started.
bool StartMeetingLook(HWND window, UINT message, MeetingLook look);
bool MeetingLookRunning();
// Waits up to `milliseconds` for the look under way, if any, to be over (its report posted);
// true when none is under way.
bool WaitForMeetingLook(DWORD milliseconds);
// What the finished look found; nothing when no look is waiting.
std::optional<MeetingFinding> TakeFinishedMeetingLook();

// Plans of a day, made on the same thread after any look asked for before them, so that the
// calendar is never read on the window thread and a plan never holds up a check. `done` runs on
// that thread with the plan. False when the plan cannot be made now (too many are waiting).
using PlanDone = std::function<void(MeetingPlan&& plan)>;
bool StartMeetingPlan(const MeetingRules& rules, const SYSTEMTIME& day, ULONGLONG now,
                      const PlanContext& context, PlanDone done);
// What the settings and the program's state add to a plan asked for now (`windowHolds`: it is
// shown inside the settings window).
PlanContext CurrentPlanContext(bool windowHolds);
inline constexpr size_t kMaxWaitingPlans = 4;
