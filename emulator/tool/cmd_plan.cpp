// qmdevice plan [YYYY-MM-DD]: the running program's plan of a day (today by default) by the rules
// it has stored, one line per appointment, as the program words it.
#include <windows.h>

#include <cstring>
#include <cwchar>
#include <string>

#include "platform/plan_request.h"
#include "tool.h"

namespace {

constexpr wchar_t kUsage[] = L"usage: qmdevice plan [YYYY-MM-DD]";
constexpr wchar_t kReplyClass[] = L"qmdevice.PlanReply";
constexpr DWORD kFindMs = 10000;
// A slow calendar (calendar faults --delay) makes a slow plan.
constexpr ULONGLONG kReplyMs = 120000;

struct Reply {
  bool arrived = false;
  bool wellFormed = false;
  PlanReplyHeader header{};
  std::wstring text;
};
Reply g_reply;

LRESULT CALLBACK ReplyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_COPYDATA) return DefWindowProcW(window, message, wParam, lParam);
  const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
  if (!copy || copy->dwData != kPlanReplyTag || g_reply.arrived) return FALSE;
  g_reply.arrived = true;
  const size_t bytes = copy->cbData;
  if (!copy->lpData || bytes < sizeof(PlanReplyHeader) || bytes > kMaxPlanReplyBytes ||
      (bytes - sizeof(PlanReplyHeader)) % sizeof(wchar_t) != 0) {
    return TRUE;
  }
  std::memcpy(&g_reply.header, copy->lpData, sizeof(PlanReplyHeader));
  g_reply.text.resize((bytes - sizeof(PlanReplyHeader)) / sizeof(wchar_t));
  if (!g_reply.text.empty()) {
    std::memcpy(g_reply.text.data(), static_cast<const BYTE*>(copy->lpData) + sizeof(PlanReplyHeader),
                g_reply.text.size() * sizeof(wchar_t));
  }
  g_reply.wellFormed = g_reply.header.size == sizeof(PlanReplyHeader);
  return TRUE;
}

bool ParseDate(const std::wstring& text, PlanRequest* request) {
  unsigned y = 0, m = 0, d = 0;
  wchar_t rest = 0;
  if (text.size() != 10 || text[4] != L'-' || text[7] != L'-' ||
      swscanf(text.c_str(), L"%4u-%2u-%2u%lc", &y, &m, &d, &rest) != 3) {
    return false;
  }
  request->year = static_cast<uint16_t>(y);
  request->month = static_cast<uint16_t>(m);
  request->day = static_cast<uint16_t>(d);
  return true;
}

// The program's plan window, once the program has made it.
HWND FindPlanWindow() {
  for (DWORD waited = 0;; waited += 50) {
    if (const HWND w = FindWindowExW(HWND_MESSAGE, nullptr, kPlanWindowClass, nullptr)) return w;
    if (waited >= kFindMs) return nullptr;
    Sleep(50);
  }
}

const wchar_t* Refusal(LRESULT answer) {
  switch (answer) {
    case kPlanMalformed: return L"QuietMinder did not understand the request";
    case kPlanBadDate: return L"QuietMinder has no such date";
    case kPlanBusy: return L"QuietMinder is busy with other plans; ask again";
    default: return L"QuietMinder did not answer the request";
  }
}

int Plan(const ToolArgs& args) {
  PlanRequest request{sizeof(PlanRequest), 0, 0, 0, 0, 0};
  if (args.size() > 1 || (args.size() == 1 && !ParseDate(args[0], &request))) {
    PrintError(kUsage);
    return 2;
  }
  const HWND planWindow = FindPlanWindow();
  if (!planWindow) {
    PrintError(L"QuietMinder is not running");
    return 1;
  }
  WNDCLASSW wc{};
  wc.lpfnWndProc = ReplyProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kReplyClass;
  RegisterClassW(&wc);
  const HWND replyWindow = CreateWindowExW(0, kReplyClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                           nullptr, wc.hInstance, nullptr);
  if (!replyWindow) {
    PrintError(L"cannot make a window for the reply");
    return 1;
  }
  request.replyWindow = static_cast<uint32_t>(HandleToLong(replyWindow));
  COPYDATASTRUCT copy{kPlanRequestTag, sizeof request, &request};
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutW(planWindow, WM_COPYDATA, reinterpret_cast<WPARAM>(replyWindow),
                           reinterpret_cast<LPARAM>(&copy), SMTO_ABORTIFHUNG, kFindMs, &answer) ||
      answer != static_cast<DWORD_PTR>(kPlanTaken)) {
    PrintError(Refusal(static_cast<LRESULT>(answer)));
    DestroyWindow(replyWindow);
    return 1;
  }
  const ULONGLONG deadline = GetTickCount64() + kReplyMs;
  while (!g_reply.arrived && GetTickCount64() < deadline) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    MSG msg{};
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  DestroyWindow(replyWindow);
  if (!g_reply.arrived || !g_reply.wellFormed) {
    PrintError(g_reply.arrived ? L"QuietMinder's reply is malformed" : L"QuietMinder did not reply");
    return 1;
  }
  if (g_reply.header.status != kPlanReplyOk) {
    PrintError(L"no plan: " + g_reply.text);
    return 1;
  }
  size_t pos = 0;
  while (pos < g_reply.text.size()) {
    size_t end = g_reply.text.find(L'\n', pos);
    if (end == std::wstring::npos) end = g_reply.text.size();
    Print(g_reply.text.substr(pos, end - pos));
    pos = end + 1;
  }
  if (g_reply.header.unread) {
    PrintError(std::to_wstring(g_reply.header.unread) + L" more appointment(s) not shown");
  }
  return 0;
}

const ToolCommand kPlan(L"plan", L"plan [YYYY-MM-DD]", Plan);

}  // namespace
