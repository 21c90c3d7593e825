#include "calendar/calendar_faults.h"

#include <mutex>
#include <optional>

#include "device/device_state.h"

namespace {

std::mutex g_lock;
std::optional<CalendarFaults> g_processFaults;

constexpr wchar_t kDelayValue[] = L"CalendarDelayMs";
constexpr wchar_t kFailAfterValue[] = L"CalendarFailAfterCalls";
constexpr wchar_t kFailDurationValue[] = L"CalendarFailDuration";

}  // namespace

CalendarFaults CurrentCalendarFaults() {
  {
    std::lock_guard<std::mutex> lock(g_lock);
    if (g_processFaults) return *g_processFaults;
  }
  CalendarFaults faults;
  faults.delayMs = ReadDeviceDword(kDelayValue, 0);
  faults.failAfterCalls = static_cast<LONG>(ReadDeviceDword(kFailAfterValue, 0xFFFFFFFF));
  faults.failDuration = ReadDeviceDword(kFailDurationValue, 0) != 0;
  return faults;
}

void SetProcessCalendarFaults(const CalendarFaults* faults) {
  std::lock_guard<std::mutex> lock(g_lock);
  if (faults) {
    g_processFaults = *faults;
  } else {
    g_processFaults.reset();
  }
}

void SetDeviceCalendarFaults(const CalendarFaults& faults) {
  WriteDeviceDword(kDelayValue, faults.delayMs);
  WriteDeviceDword(kFailAfterValue, static_cast<DWORD>(faults.failAfterCalls));
  WriteDeviceDword(kFailDurationValue, faults.failDuration ? 1 : 0);
}
