// Asking the running program for the plan of a day from another process. The asker sends
// WM_COPYDATA to the program's plan window (a message-only window of class kPlanWindowClass)
// with wParam a window of its own, dwData kPlanRequestTag and a PlanRequest; the answer to that
// message says whether the request is taken. A request taken is answered later with WM_COPYDATA
// to the request's reply window, which must belong to the process of the window in wParam:
// dwData kPlanReplyTag, a PlanReplyHeader and then the text, UTF-16 without terminator. The
// reply waits only a moment for the asker's window to take it.
#pragma once
#include <windows.h>

#include <cstdint>

inline constexpr wchar_t kPlanWindowClass[] = L"QuietMinder.Plan";
inline constexpr ULONG_PTR kPlanRequestTag = 0x514D5051;  // "QMPQ"
inline constexpr ULONG_PTR kPlanReplyTag = 0x514D5052;    // "QMPR"

// A day of the device's calendar, by the device's local date; all zero: the device's today.
// The reply window is a 32-bit value: the device's window handles carry only 32 significant bits.
struct PlanRequest {
  uint32_t size;  // sizeof(PlanRequest)
  uint16_t year;  // 1900 to 9999, and one the device's short date can name
  uint16_t month;
  uint16_t day;
  uint16_t reserved;  // 0
  uint32_t replyWindow;
};

// What the plan window answers to the request itself (0: not delivered or not understood).
inline constexpr LRESULT kPlanTaken = 1;        // the reply follows
inline constexpr LRESULT kPlanMalformed = 2;    // wrong size, reserved field or reply window
inline constexpr LRESULT kPlanBadDate = 3;      // no such date, or a year the search cannot tell
inline constexpr LRESULT kPlanBusy = 4;         // too many plans waiting: ask again later

// The reply's status.
inline constexpr uint32_t kPlanReplyOk = 0;     // the text holds one line per appointment
inline constexpr uint32_t kPlanReplyFailed = 1; // the text says why there is no plan

struct PlanReplyHeader {
  uint32_t size;    // sizeof(PlanReplyHeader)
  uint32_t status;
  uint32_t unread;  // appointments of the day left out of the plan (too many)
  uint32_t reserved;
};
// Lines of the text are separated by "\n": "HH:MM-HH:MM silences|sounds SUBJECT [CATEGORIES]
// REASON", in order of start, by the rules the program has stored. The reply is at most this
// large.
inline constexpr size_t kMaxPlanReplyBytes = 1024 * 1024;
