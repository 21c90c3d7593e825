#include "meetings/plan_window.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "common/clock.h"
#include "meetings/meeting_plan.h"
#include "meetings/meeting_query.h"
#include "meetings/meeting_watch.h"
#include "platform/plan_request.h"

namespace {

// The reply is sent from the look thread after the plan's own work, where a look may be waiting:
// an asker whose window does not take it at once (gone, hung, busy) goes without.
constexpr UINT kReplyTimeoutMs = 250;

// The reply's text: one line per appointment, as many as the reply can carry.
std::wstring ReplyText(const MeetingPlan& plan, uint32_t* unread) {
  if (!plan.read) return plan.error;
  constexpr size_t kMaxChars = (kMaxPlanReplyBytes - sizeof(PlanReplyHeader)) / sizeof(wchar_t);
  std::wstring text;
  *unread = static_cast<uint32_t>(plan.unread);
  for (const PlanEntry& entry : plan.entries) {
    const std::wstring line = PlanLine(plan, entry);
    if (text.size() + line.size() + 1 > kMaxChars) {
      ++*unread;
      continue;
    }
    if (!text.empty()) text += L'\n';
    text += line;
  }
  return text;
}

void SendReply(HWND window, HWND asker, const MeetingPlan& plan) {
  PlanReplyHeader header{sizeof(PlanReplyHeader), plan.read ? kPlanReplyOk : kPlanReplyFailed, 0,
                         0};
  const std::wstring text = ReplyText(plan, &header.unread);
  std::vector<BYTE> data(sizeof header + text.size() * sizeof(wchar_t));
  std::memcpy(data.data(), &header, sizeof header);
  if (!text.empty()) std::memcpy(data.data() + sizeof header, text.data(), text.size() * sizeof(wchar_t));
  COPYDATASTRUCT copy{kPlanReplyTag, static_cast<DWORD>(data.size()), data.data()};
  SendMessageTimeoutW(asker, WM_COPYDATA, reinterpret_cast<WPARAM>(window),
                      reinterpret_cast<LPARAM>(&copy), SMTO_ABORTIFHUNG | SMTO_ERRORONEXIT,
                      kReplyTimeoutMs, nullptr);
}

// Whether the plan's search, which names a day by the device's short date, can tell `year`: a
// short date of two digits names a year only within the hundred years that end at the
// calendar's two-digit limit.
bool SearchTellsYear(WORD year) {
  wchar_t picture[96] = {};
  GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, picture, 96);
  size_t longest = 0;
  for (size_t i = 0, run = 0; picture[i]; ++i) {
    run = picture[i] == L'y' ? run + 1 : 0;
    longest = std::max(longest, run);
  }
  if (longest > 2) return true;
  DWORD last = 2029;
  if (GetCalendarInfoW(LOCALE_USER_DEFAULT, CAL_GREGORIAN, CAL_ITWODIGITYEARMAX | CAL_RETURN_NUMBER,
                       nullptr, 0, &last) == 0 ||
      last < 99 || last > 9999) {
    last = 2029;
  }
  return year <= last && DWORD{year} + 99 >= last;
}

// The local date asked for; false when there is no such date, or none the plan's search can
// tell. All zero is the device's today.
bool DayAsked(const PlanRequest& request, SYSTEMTIME* day) {
  if (request.year == 0 && request.month == 0 && request.day == 0) {
    const SYSTEMTIME today = LocalTimeOf(TimeFromNow(0));
    *day = SYSTEMTIME{today.wYear, today.wMonth, 0, today.wDay, 0, 0, 0, 0};
    return true;
  }
  if (request.year < 1900 || request.year > 9999 || request.month < 1 || request.month > 12 ||
      !SearchTellsYear(request.year)) {
    return false;
  }
  // Not left to the time conversions: some accept a 29th of February in any year.
  static constexpr WORD kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const WORD year = request.year;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  const WORD days = request.month == 2 && leap ? 29 : kDays[request.month - 1];
  if (request.day < 1 || request.day > days) return false;
  *day = SYSTEMTIME{request.year, request.month, 0, request.day, 0, 0, 0, 0};
  return true;
}

DWORD ProcessOf(HWND window) {
  DWORD process = 0;
  return window && GetWindowThreadProcessId(window, &process) ? process : 0;
}

// Everything of the request comes from another process: its size, its fields and its window
// are checked before anything is done with it. The reply goes only to a window of the process
// whose window sent the request.
LRESULT OnRequest(HWND window, HWND sender, const COPYDATASTRUCT* copy) {
  if (!copy || copy->dwData != kPlanRequestTag) return 0;
  PlanRequest request{};
  if (copy->cbData != sizeof request || !copy->lpData) return kPlanMalformed;
  std::memcpy(&request, copy->lpData, sizeof request);
  const HWND asker = static_cast<HWND>(LongToHandle(static_cast<LONG>(request.replyWindow)));
  if (request.size != sizeof request || request.reserved != 0 || !IsWindow(asker) ||
      ProcessOf(asker) != ProcessOf(sender)) {
    return kPlanMalformed;
  }
  SYSTEMTIME day{};
  if (!DayAsked(request, &day)) return kPlanBadDate;
  const bool started =
      StartMeetingPlan(StoredMeetingRules(), day, TimeFromNow(0), CurrentPlanContext(false),
                       [window, asker](MeetingPlan&& plan) { SendReply(window, asker, plan); });
  return started ? kPlanTaken : kPlanBusy;
}

LRESULT CALLBACK PlanWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COPYDATA) {
    return OnRequest(window, reinterpret_cast<HWND>(wParam),
                     reinterpret_cast<const COPYDATASTRUCT*>(lParam));
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

HWND OpenPlanWindow(HINSTANCE instance) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = PlanWindowProc;
  wc.hInstance = instance;
  wc.lpszClassName = kPlanWindowClass;
  RegisterClassW(&wc);
  return CreateWindowExW(0, kPlanWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance,
                         nullptr);
}

void ClosePlanWindow(HWND window) {
  if (window) DestroyWindow(window);
}
