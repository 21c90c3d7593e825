// The shell program of the emulated handheld: its task bar with the volume icon and pop-up.
// One per device; a second start leaves the running one alone.
#include <windows.h>

#include "common/scoped.h"
#include "device/device_state.h"
#include "shell/shell_program.h"
#include "shell/shell_windows.h"

namespace {

PopupLayout LayoutOfDevice() {
  const auto kind = ReadDeviceKind();
  if (kind && !SoundKeysOfKind(*kind).shellOverrides) return PopupLayout::None;
  return kind && *kind == kNoVibrateKind ? PopupLayout::NoVibrate : PopupLayout::Standard;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  const UniqueKernelHandle mutex(CreateMutexW(nullptr, TRUE, kShellMutexName));
  if (!mutex) return 1;
  if (GetLastError() == ERROR_ALREADY_EXISTS) return 0;
  ShellOptions options;
  options.layout = LayoutOfDevice;
  options.iconPoint = ReadDeviceDword(kIconPointValue, kDefaultVolumeIconPoint);
  options.postQuitOnDestroy = true;
  if (!CreateShell(instance, options)) return 1;
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  ReleaseMutex(mutex.get());
  return 0;
}
