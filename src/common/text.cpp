#include "common/text.h"

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// The text a locale formatter gives, whatever its length; empty when it fails.
template <typename Format>
std::wstring Formatted(Format format) {
  const int needed = format(nullptr, 0);
  if (needed <= 1) return {};
  std::wstring text(static_cast<size_t>(needed), L'\0');
  if (format(text.data(), needed) <= 0) return {};
  text.resize(static_cast<size_t>(needed) - 1);
  return text;
}

}  // namespace

std::wstring_view TrimBlanks(std::wstring_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::wstring ShortDateText(const SYSTEMTIME& local) {
  return Formatted([&](wchar_t* out, int size) {
    return GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &local, nullptr, out, size);
  });
}

std::wstring TimeOfDayText(const SYSTEMTIME& local) {
  return Formatted([&](wchar_t* out, int size) {
    return GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &local, nullptr, out, size);
  });
}

std::wstring ShortDateTime(const SYSTEMTIME& local) {
  return ShortDateText(local) + L" " + TimeOfDayText(local);
}
