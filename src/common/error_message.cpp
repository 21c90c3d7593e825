#include "common/error_message.h"

#include <windows.h>

#include "platform/handheld.h"

void ShowLastErrorText() {
  wchar_t* text = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                     FORMAT_MESSAGE_IGNORE_INSERTS,
                 nullptr, GetLastError(), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  ShowMessageBox(nullptr, text ? text : L"", L"Error", MB_OK | MB_ICONINFORMATION);
  LocalFree(text);
}
