// A planned day at a glance: its 24 hours from midnight to midnight, the stretches in which the
// device is silent, and the present moment when the day is today. The Today view draws it; its
// text form is what the view gives as the band's text, which the device tool prints.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "meetings/meeting_plan.h"

// A silent stretch of the day in minutes after its midnight, [from, until) within 0-1440: a
// silence that began the day before starts at 0, one that runs on into the next day ends at 1440.
struct BandStretch {
  int from = 0;
  int until = 0;
};
// The plan's silences cut to its day, in order, those that touch or overlap joined; none when the
// calendar could not be read.
std::vector<BandStretch> BandStretches(const MeetingPlan& plan);
// The present moment in minutes after the day's midnight; nothing for a day that is not today.
std::optional<int> BandNow(const MeetingPlan& plan);

// The band as one line of text, 48 cells of half an hour from midnight, each
//   '#'  silent all through its half hour,
//   '+'  silent for part of it,
//   '-'  sound all through it;
// on today one '|' more, between the two cells at the half hour nearest the present moment (before
// the first cell up to 0:14, after the last from 23:45). Empty when the calendar could not be
// read. The device tool prints it, and tests read it: the form is kept.
inline constexpr int kBandCells = 48;
std::wstring BandText(const MeetingPlan& plan);
