// The band of the Today view in its text form: 48 half hours, silent all through, in part or not
// at all, and the present moment between two of them; none for a plan that could not be read.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "meetings/plan_band.h"

namespace {

constexpr LocalMinute kDay = 46000 * kMinutesPerDay;  // a midnight
LocalMinute At(int hour, int minute) { return kDay + hour * 60 + minute; }

// The band with `marks` put over an all-sound one: each pair a cell and its mark.
std::wstring Band(std::vector<std::pair<int, wchar_t>> marks, int now = -1) {
  std::wstring band(kBandCells, L'-');
  for (const auto& [cell, mark] : marks) band[static_cast<size_t>(cell)] = mark;
  if (now >= 0) band.insert(static_cast<size_t>(now), 1, L'|');
  return band;
}

std::vector<std::pair<int, wchar_t>> Cells(int from, int until, wchar_t mark = L'#') {
  std::vector<std::pair<int, wchar_t>> cells;
  for (int cell = from; cell < until; ++cell) cells.emplace_back(cell, mark);
  return cells;
}

TEST(TodayBand, EachHalfHourIsSilentInWholeInPartOrNotAndNowIsMarkedOnToday) {
  const struct {
    const char* name;
    std::vector<PlanSilence> silences;
    LocalMinute now;
    std::wstring band;
    bool read = true;
  } rows[] = {
      {"another day, no silence", {}, At(30, 0), Band({})},
      {"an hour on the half hour", {{At(10, 0), At(11, 0)}}, At(-2, 0), Band(Cells(20, 22))},
      {"ten minutes inside a half hour", {{At(10, 10), At(10, 20)}}, At(-2, 0), Band({{20, L'+'}})},
      {"two that meet fill their half hour",
       {{At(10, 0), At(10, 15)}, {At(10, 15), At(10, 30)}},
       At(-2, 0),
       Band({{20, L'#'}})},
      {"from the evening before, and on into the next day",
       {{At(-2, 0), At(6, 30)}, {At(23, 45), At(25, 0)}},
       At(30, 0),
       [] {
         auto cells = Cells(0, 13);
         cells.emplace_back(47, L'+');
         return Band(cells);
       }()},
      {"now, nearest the half hour before it", {}, At(10, 14), Band({}, 20)},
      {"now, nearest the half hour after it", {}, At(10, 15), Band({}, 21)},
      {"now at midnight", {}, At(0, 0), Band({}, 0)},
      {"now in the last quarter of an hour", {{At(23, 0), At(24, 0)}}, At(23, 50),
       Band(Cells(46, 48), 48)},
      {"a plan that could not be read has none", {{At(10, 0), At(11, 0)}}, At(10, 0), L"", false},
  };
  for (const auto& row : rows) {
    MeetingPlan plan;
    plan.read = row.read;
    plan.dayStart = kDay;
    plan.now = row.now;
    plan.silences = row.silences;
    EXPECT_EQ(row.band, BandText(plan)) << row.name;
    EXPECT_TRUE(row.read || BandStretches(plan).empty()) << row.name;
  }
}

}  // namespace
