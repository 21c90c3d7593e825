#include "meetings/meeting_rule.h"

#include <string_view>

namespace {

std::wstring_view TrimBlanks(std::wstring_view s) {
  while (!s.empty() && (s.front() == L' ' || s.front() == L'\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == L' ' || s.back() == L'\t')) s.remove_suffix(1);
  return s;
}

// Calls `visit` with each non-empty name of a ","-separated list until it returns true.
template <typename Visit>
bool AnyName(std::wstring_view list, Visit visit) {
  size_t pos = 0;
  while (pos <= list.size()) {
    size_t comma = list.find(L',', pos);
    if (comma == std::wstring_view::npos) comma = list.size();
    const std::wstring_view name = TrimBlanks(list.substr(pos, comma - pos));
    if (!name.empty() && visit(name)) return true;
    pos = comma + 1;
  }
  return false;
}

}  // namespace

bool MatchCategories(const wchar_t* wanted, const wchar_t* itemCategories) {
  if (!wanted) return true;
  if (!itemCategories) return false;
  if (!*itemCategories) return !*wanted;
  if (!*wanted) return true;
  const std::wstring_view held(itemCategories);
  return AnyName(wanted, [&](std::wstring_view name) {
    return AnyName(held, [&](std::wstring_view h) { return h == name; });
  });
}

MeetingReason JudgeAppointment(const AppointmentFacts& facts, const MeetingRules& rules) {
  if (!rules.EnablePOLink) return MeetingReason::LinkOff;
  if (rules.POExcludeFreeTime && facts.busy == kBusyFree) return MeetingReason::FreeTime;
  const auto& wanted = rules.POCategory;
  if (wanted && !wanted->empty()) {
    if (!facts.categories || !*facts.categories) return MeetingReason::NoCategory;
    if (!MatchCategories(wanted->c_str(), facts.categories)) return MeetingReason::OtherCategory;
  }
  // An all-day event left out is never in progress, nor the next meeting.
  if (facts.allDay && !rules.POAllDay) return MeetingReason::AllDayNotIncluded;
  return MeetingReason::Counts;
}

bool InProgressAt(const AppointmentFacts& facts, const MeetingRules& rules, DATE now) {
  // A meeting whose silence would end before it starts is none: a mute must never end before
  // it begins.
  if (facts.meetingEnd <= now) return false;
  if (facts.allDay) return rules.POAllDay;
  return facts.start <= now && facts.end > now;
}
