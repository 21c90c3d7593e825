// Small text rules the program's parts share: lists of names as the settings store them, and
// dates and times in the owner's own formats.
#pragma once
#include <windows.h>

#include <string>
#include <string_view>

// The text without the blanks (spaces and tabs) around it.
std::wstring_view TrimBlanks(std::wstring_view text);

// Calls `visit` with each name of `list`, a list separated by `separator` (without the blanks
// around it when `trim`), until it returns true; empty names are no names. True when `visit`
// did. Allocates nothing: the check tick goes through a list this way.
template <typename Visit>
bool AnyName(std::wstring_view list, wchar_t separator, bool trim, Visit visit) {
  for (;;) {
    const size_t end = list.find(separator);
    std::wstring_view name = list.substr(0, end);
    if (trim) name = TrimBlanks(name);
    if (!name.empty() && visit(name)) return true;
    if (end == std::wstring_view::npos) return false;
    list.remove_prefix(end + 1);
  }
}

// A local date as the owner's short date ("12/7/2026"), a local time of day without seconds
// ("10:30 AM"), and both ("12/7/2026 10:30 AM"); empty where the locale cannot format it.
std::wstring ShortDateText(const SYSTEMTIME& local);
std::wstring TimeOfDayText(const SYSTEMTIME& local);
std::wstring ShortDateTime(const SYSTEMTIME& local);
