// Requests for a day's plan as another process sends them to the plan window: every field is
// checked before anything is done, and a request taken is answered with the plan's lines.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "calendar/calendar_env.h"
#include "calendar/calendar_faults.h"
#include "meetings/plan_window.h"
#include "platform/plan_request.h"
#include "settings/settings.h"
#include "support/dialog_driver.h"
#include "support/fake_device.h"
#include "support/program_state.h"

namespace {

struct Reply {
  uint32_t status;
  std::wstring text;
};
std::vector<Reply> g_replies;

LRESULT CALLBACK ReplyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_COPYDATA) return DefWindowProcW(window, message, wParam, lParam);
  const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
  PlanReplyHeader header{};
  std::memcpy(&header, copy->lpData, sizeof header);
  const auto* text = reinterpret_cast<const wchar_t*>(static_cast<const BYTE*>(copy->lpData) +
                                                      sizeof header);
  g_replies.push_back({header.status, std::wstring(text, (copy->cbData - sizeof header) / 2)});
  return TRUE;
}

class PlanWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::ResetDevice();
    fake::device().utcNow = LocalToUtc(2026, 12, 7, 9, 0);
    UseSettings(SettingsRecord{});
    EditSettings([&](SettingsRecord& s) { s.EnablePOLink = true; });
    g_replies.clear();
    calendar_.Import(Calendar({Event("20261207T100000", "20261207T110000", "Review")}));
    window_ = OpenPlanWindow(GetModuleHandleW(nullptr));
    ASSERT_TRUE(window_);
    WNDCLASSW wc{};
    wc.lpfnWndProc = ReplyProc;
    wc.lpszClassName = L"PlanWindowTest.Reply";
    RegisterClassW(&wc);
    reply_ = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             nullptr, nullptr);
  }
  void TearDown() override {
    ClosePlanWindow(window_);
    DestroyWindow(reply_);
  }
  PlanRequest Today() const {
    return PlanRequest{sizeof(PlanRequest), 0, 0, 0, 0,
                       static_cast<uint32_t>(HandleToLong(reply_))};
  }
  // The request as this process's window `sender` sends it (none: the reply window).
  LRESULT Ask(const PlanRequest& request, DWORD bytes = sizeof(PlanRequest),
              ULONG_PTR tag = kPlanRequestTag, HWND sender = nullptr) const {
    COPYDATASTRUCT copy{tag, bytes, const_cast<PlanRequest*>(&request)};
    return SendMessageW(FindWindowExW(HWND_MESSAGE, nullptr, kPlanWindowClass, nullptr),
                        WM_COPYDATA, reinterpret_cast<WPARAM>(sender ? sender : reply_),
                        reinterpret_cast<LPARAM>(&copy));
  }
  DeviceCalendar calendar_;
  HWND reply_ = nullptr;
  HWND window_ = nullptr;
};

TEST_F(PlanWindow, ARequestIsCheckedBeforeAnythingIsDone) {
  const PlanRequest today = Today();
  auto with = [&](auto change) {
    PlanRequest r = today;
    change(r);
    return r;
  };
  EXPECT_EQ(0, Ask(today, sizeof today, kPlanReplyTag)) << "another message";
  EXPECT_EQ(kPlanMalformed, Ask(today, sizeof today - 1));
  EXPECT_EQ(kPlanMalformed, Ask(with([](PlanRequest& r) { r.size = 0; })));
  EXPECT_EQ(kPlanMalformed, Ask(with([](PlanRequest& r) { r.reserved = 1; })));
  EXPECT_EQ(kPlanMalformed, Ask(with([](PlanRequest& r) { r.replyWindow = 0; })));
  // The reply window belongs to another process than the window that asks.
  EXPECT_EQ(kPlanMalformed, Ask(today, sizeof today, kPlanRequestTag, GetDesktopWindow()));
  EXPECT_EQ(kPlanMalformed, Ask(with([](PlanRequest& r) {
    r.replyWindow = static_cast<uint32_t>(HandleToLong(GetDesktopWindow()));
  })));
  const struct {
    uint16_t year, month, day;
  } badDates[] = {{2026, 2, 29}, {2028, 13, 1}, {1899, 12, 30}, {2026, 12, 0}, {0, 0, 7}};
  for (const auto& d : badDates) {
    EXPECT_EQ(kPlanBadDate, Ask(with([&](PlanRequest& r) {
                r.year = d.year, r.month = d.month, r.day = d.day;
              })))
        << d.year << "-" << d.month << "-" << d.day;
  }
  // A short date of two digits names only the hundred years that end at the calendar's limit.
  wchar_t picture[96] = {};
  GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, picture, 96);
  ASSERT_TRUE(SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, L"M/d/yy"));
  EXPECT_EQ(kPlanBadDate, Ask(with([](PlanRequest& r) { r.year = 1926, r.month = 12, r.day = 7; })));
  EXPECT_EQ(kPlanTaken, Ask(with([](PlanRequest& r) { r.year = 2028, r.month = 12, r.day = 7; })));
  SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, picture);
  EXPECT_EQ(kPlanTaken, Ask(with([](PlanRequest& r) { r.year = 1926, r.month = 12, r.day = 7; })));
  ASSERT_TRUE(PumpUntil([] { return g_replies.size() == 2; }, 30000));
  PumpMessages(100);
  EXPECT_EQ(2u, g_replies.size()) << "a refused request is not answered later";
}

TEST_F(PlanWindow, ARequestTakenIsAnsweredWithThePlanOfItsDay) {
  EXPECT_EQ(kPlanTaken, Ask(Today()));
  PlanRequest leapDay = Today();
  leapDay.year = 2028, leapDay.month = 2, leapDay.day = 29;
  EXPECT_EQ(kPlanTaken, Ask(leapDay));
  ASSERT_TRUE(PumpUntil([] { return g_replies.size() == 2; }, 10000));
  EXPECT_EQ(kPlanReplyOk, g_replies[0].status);
  EXPECT_EQ(L"10:00-11:00 silences Review [] until 11:00", g_replies[0].text);
  EXPECT_EQ(kPlanReplyOk, g_replies[1].status);
  EXPECT_EQ(L"", g_replies[1].text);
}

TEST_F(PlanWindow, TooManyWaitingAreRefusedAndEveryOneTakenIsAnswered) {
  const CalendarFaults slow{20, -1, false};
  SetProcessCalendarFaults(&slow);
  int taken = 0, busy = 0;
  for (int i = 0; i < 8; ++i) {
    const LRESULT answer = Ask(Today());
    taken += answer == kPlanTaken;
    busy += answer == kPlanBusy;
  }
  EXPECT_GT(busy, 0);
  EXPECT_EQ(8, taken + busy);
  EXPECT_TRUE(PumpUntil([&] { return g_replies.size() == static_cast<size_t>(taken); }, 60000));
  SetProcessCalendarFaults(nullptr);
}

}  // namespace
