// The power-notification driver, a stream driver outside the program: the program registers it
// as "WKD1:", hands it a window with one control code and takes the window back with the other;
// at each power-on the driver posts WM_POWERON_NOTIFY to the window it holds.
#pragma once
#include <windows.h>

inline constexpr wchar_t kPowerDriverPrefix[] = L"WKD";
inline constexpr DWORD kPowerDriverIndex = 1;
inline constexpr wchar_t kPowerDriverLibrary[] = L"WAKEDRV.DLL";
inline constexpr wchar_t kPowerDriverFile[] = L"WKD1:";

// Control codes. The input is the window as a 32-bit value: the device's window handles carry
// only 32 significant bits.
inline constexpr DWORD kPowerDriverSetWindow = 3;
inline constexpr DWORD kPowerDriverClearWindow = 4;

inline constexpr UINT WM_POWERON_NOTIFY = WM_USER + 1;  // 1025
