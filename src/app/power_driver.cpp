#include "app/power_driver.h"

#include "common/scoped.h"
#include "platform/handheld.h"
#include "platform/power_driver.h"

namespace {

struct RegisteredDeviceTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { DeregisterDevice(h); }
};
struct StreamFileTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { CloseStreamDevice(h); }
};

// Opened at start-up, closed at the end; written only here.
struct Driver {
  UniqueHandle<RegisteredDeviceTraits> device;
  UniqueHandle<StreamFileTraits> file;
};
Driver g_driver;

void SendWindow(DWORD code, HWND window) {
  if (!g_driver.file) return;
  // The driver keeps a 32-bit window handle; window handles carry only 32 significant bits.
  const DWORD handle = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(window));
  StreamDeviceIoControl(g_driver.file.get(), code, &handle, sizeof handle);
}

}  // namespace

void OpenPowerDriver() {
  g_driver.device.reset(
      RegisterDevice(kPowerDriverPrefix, kPowerDriverIndex, kPowerDriverLibrary, 0));
  HANDLE file = OpenStreamDevice(kPowerDriverFile);
  // A device's open failure may be reported either way.
  g_driver.file.reset(file == nullptr ? INVALID_HANDLE_VALUE : file);
}

void ClosePowerDriver() {
  g_driver.file.reset();
  g_driver.device.reset();
}

bool PowerDriverOpen() { return static_cast<bool>(g_driver.file); }

void HandPowerDriverWindow(HWND window) { SendWindow(kPowerDriverSetWindow, window); }
void TakeBackPowerDriverWindow(HWND window) { SendWindow(kPowerDriverClearWindow, window); }
