// Occurrences of a recurring appointment, decided day by day in the series' own frame.
#pragma once
#include "calendar/calendar_model.h"

// True when the series has an occurrence that starts on `day` (a day in the appointment's frame),
// exceptions included in the decision. A non-recurring appointment occurs on its start day only.
bool OccursOnDay(const Appointment& appointment, int64_t day);

// The day of the `count`-th occurrence (1-based) of the rule, before exceptions are removed, or
// the last day searched when the series is not that long within `horizonDays` of its start.
int64_t DayOfOccurrence(const Appointment& appointment, int64_t count, int64_t horizonDays);
