#include "meetings/plan_band.h"

#include <algorithm>

namespace {

constexpr int kCellMinutes = static_cast<int>(kMinutesPerDay) / kBandCells;

}  // namespace

std::vector<BandStretch> BandStretches(const MeetingPlan& plan) {
  std::vector<BandStretch> stretches;
  if (!plan.read) return stretches;
  for (const PlanSilence& silence : plan.silences) {
    const LocalMinute from = std::max(silence.from, plan.dayStart) - plan.dayStart;
    const LocalMinute until =
        std::min(silence.until, plan.dayStart + kMinutesPerDay) - plan.dayStart;
    if (until <= from) continue;
    if (!stretches.empty() && from <= stretches.back().until) {
      stretches.back().until = std::max(stretches.back().until, static_cast<int>(until));
      continue;
    }
    stretches.push_back({static_cast<int>(from), static_cast<int>(until)});
  }
  return stretches;
}

std::optional<int> BandNow(const MeetingPlan& plan) {
  if (plan.now < plan.dayStart || plan.now >= plan.dayStart + kMinutesPerDay) return std::nullopt;
  return static_cast<int>(plan.now - plan.dayStart);
}

std::wstring BandText(const MeetingPlan& plan) {
  if (!plan.read) return {};
  const std::vector<BandStretch> stretches = BandStretches(plan);
  std::wstring text;
  for (int cell = 0; cell < kBandCells; ++cell) {
    const int start = cell * kCellMinutes;
    int silent = 0;
    for (const BandStretch& s : stretches) {
      silent += std::max(0, std::min(s.until, start + kCellMinutes) - std::max(s.from, start));
    }
    text += silent >= kCellMinutes ? L'#' : silent > 0 ? L'+' : L'-';
  }
  if (const auto now = BandNow(plan)) {
    text.insert(static_cast<size_t>((*now + kCellMinutes / 2) / kCellMinutes), 1, L'|');
  }
  return text;
}
