// The device's basics: its kind, wave volume, power button, clock and sound state.
#include <windows.h>

#include <cwchar>
#include <string>

#include "device/device_registry.h"
#include "device/device_state.h"
#include "device/local_time.h"
#include "platform/program_names.h"
#include "platform/sound_words.h"
#include "tool.h"

int RunSetupSteps(const std::wstring& windowsDir);

namespace {

bool ParseNumber(const std::wstring& text, DWORD* out) {
  if (text.empty()) return false;
  wchar_t* end = nullptr;
  const unsigned long long value = wcstoull(text.c_str(), &end, 0);
  if (*end != L'\0' || value > 0xFFFFFFFFull) return false;
  *out = static_cast<DWORD>(value);
  return true;
}

std::wstring WindowsDir() {
  wchar_t dir[MAX_PATH] = {};
  GetWindowsDirectoryW(dir, MAX_PATH);
  return dir;
}

int Init(const ToolArgs& args) {
  std::wstring kindName = L"ppc2003phone";
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == L"--kind" && i + 1 < args.size()) kindName = args[++i];
  }
  const auto kind = KindFromName(kindName);
  if (!kind) {
    PrintError(L"unknown device kind: " + kindName +
               L" (wince, ppc2002, ppc2003, ppc2003phone)");
    return 2;
  }
  WriteDeviceKind(*kind);
  WriteDeviceWaveVolume(kFreshWaveVolume);
  PopulateSoundKeys(HKEY_CURRENT_USER, *kind);
  const std::wstring windows = WindowsDir();
  for (const wchar_t* folder : {L"\\Startup", L"\\Start Menu", L"\\Start Menu\\Programs"}) {
    CreateDirectoryW((windows + folder).c_str(), nullptr);
  }
  if (const int rc = RunSetupSteps(windows); rc != 0) return rc;
  Print(L"device ready: " + std::wstring(KindInfo(*kind).description));
  return 0;
}

int Kind(const ToolArgs&) {
  const auto kind = ReadDeviceKind();
  if (!kind) {
    PrintError(L"no device here: run `qmdevice init` first");
    return 1;
  }
  Print(KindInfo(*kind).name);
  return 0;
}

int Volume(const ToolArgs& args) {
  if (args.empty()) {
    Print(Hex(ReadDeviceWaveVolume()));
    return 0;
  }
  DWORD value = 0;
  if (args.size() != 2 || args[0] != L"set" || !ParseNumber(args[1], &value)) {
    PrintError(L"usage: qmdevice volume [set VALUE]   (VALUE: 0, 0x66666666, ...)");
    return 2;
  }
  WriteDeviceWaveVolume(value);
  Print(Hex(value));
  return 0;
}

int Power(const ToolArgs&) {
  PressPowerButton();
  Print(L"power on #" + std::to_wstring(DevicePowerOnCount()));
  return 0;
}

// "YYYY-MM-DD HH:MM[:SS]" or "YYYY-MM-DDTHH:MM[:SS]": a wall time on a real date.
bool ParseLocalTime(const std::wstring& text, SYSTEMTIME* local) {
  unsigned y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  wchar_t sep = 0;
  const int got = swscanf(text.c_str(), L"%4u-%2u-%2u%lc%2u:%2u:%2u", &y, &mo, &d, &sep, &h, &mi, &s);
  if (got < 6 || (sep != L'T' && sep != L' ')) return false;
  *local = {static_cast<WORD>(y), static_cast<WORD>(mo), 0, static_cast<WORD>(d),
            static_cast<WORD>(h), static_cast<WORD>(mi), static_cast<WORD>(s), 0};
  FILETIME check{};
  return SystemTimeToFileTime(local, &check) != FALSE;
}

std::wstring DateText(const SYSTEMTIME& t) {
  wchar_t text[16];
  swprintf(text, 16, L"%04u-%02u-%02u", t.wYear, t.wMonth, t.wDay);
  return text;
}

std::wstring HourText(const SYSTEMTIME& t) {
  wchar_t text[8];
  swprintf(text, 8, L"%02u:%02u", t.wHour, t.wMinute);
  return text;
}

void PrintClock() {
  Print(FormatFileTime(DeviceNowUtc(), true) + L" (rate " + std::to_wstring(DeviceClockRate()) +
        L"x)");
}

// Sets the clock to a wall time read by the zone's rule for that date. A time in the hour that
// the clocks skip in spring is refused; one in the hour they repeat in autumn is its first pass,
// in summer time (an hour on, the clock shows it again).
int SetClock(const std::wstring& text) {
  SYSTEMTIME local{};
  if (!ParseLocalTime(text, &local)) {
    PrintError(L"clock set takes a local time such as 2026-12-07T09:58");
    return 2;
  }
  const LocalTimeInstants at = UtcOfDeviceLocalTime(local);
  if (at.count == 0) {
    PrintError(DateText(local) + L" " + HourText(local) +
               L" does not exist on the device: its clock skips that hour when it goes forward to "
               L"summer time");
    return 2;
  }
  SetDeviceClock(at.first);
  PrintClock();
  if (at.count == 2) {
    Print(HourText(local) + L" comes twice on " + DateText(local) +
          L": the first, in summer time, was taken");
  }
  return 0;
}

int Clock(const ToolArgs& args) {
  if (args.empty()) {
    PrintClock();
    return 0;
  }
  if (args[0] == L"set" && args.size() == 2) return SetClock(args[1]);
  if (args[0] == L"advance" && args.size() == 2) {
    DWORD minutes = 0;
    if (!ParseNumber(args[1], &minutes)) {
      PrintError(L"clock advance takes a number of minutes");
      return 2;
    }
    AdvanceDeviceClock(static_cast<LONGLONG>(minutes) * 60 * 10'000'000LL);
  } else if (args[0] == L"rate" && args.size() == 2) {
    DWORD rate = 0;
    if (!ParseNumber(args[1], &rate) || rate == 0 || rate > 3600) {
      PrintError(L"clock rate takes a factor from 1 to 3600");
      return 2;
    }
    SetDeviceClockRate(rate);
  } else {
    PrintError(L"usage: qmdevice clock [set TIME | advance MINUTES | rate FACTOR]");
    return 2;
  }
  PrintClock();
  return 0;
}

void PrintKeyValues(const std::wstring& path) {
  const RegKey key = OpenRegKey(HKEY_CURRENT_USER, path.c_str(), KEY_READ);
  if (!key) return;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD nameChars = 256, type = 0, size = 0;
    if (RegEnumValueW(key.get(), i, name, &nameChars, nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS) {
      break;
    }
    std::wstring data(size / sizeof(wchar_t) + 2, L'\0');
    DWORD got = size;
    RegQueryValueExW(key.get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &got);
    std::wstring shown;
    if (type == REG_DWORD && got == sizeof(DWORD)) {
      DWORD value = 0;
      memcpy(&value, data.data(), sizeof value);
      shown = Hex(value);
    } else if (type == REG_SZ) {
      shown = L"\"" + std::wstring(data.c_str()) + L"\"";
    } else {
      shown = L"(type " + std::to_wstring(type) + L", " + std::to_wstring(got) + L" bytes)";
    }
    Print(L"  " + path + L"\\" + name + L" = " + shown);
  }
}

// The icon by what it tells the owner (another picture by its number).
std::wstring IconLine() {
  if (ReadDeviceDword(L"TrayIconShown", 0) == 0) return L"notification icon: none";
  const DWORD picture = ReadDeviceDword(L"TrayIconPicture", 0);
  const wchar_t* words = TrayIconWords(picture);
  return L"notification icon: " + (words ? std::wstring(words) : L"picture " + std::to_wstring(picture));
}

int Icon(const ToolArgs&) {
  Print(IconLine());
  return 0;
}

// A tap on the notification icon: the shell sends the icon's owner its callback message with
// the icon id and the mouse message.
int Tap(const ToolArgs&) {
  if (ReadDeviceDword(L"TrayIconShown", 0) == 0) {
    PrintError(L"no notification icon to tap");
    return 1;
  }
  HWND owner = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(ReadDeviceDword(L"TrayIconOwner", 0)));
  const UINT callback = ReadDeviceDword(L"TrayIconCallback", 0);
  const WPARAM id = ReadDeviceDword(L"TrayIconId", 0);
  PostMessageW(owner, callback, id, WM_LBUTTONDOWN);
  PostMessageW(owner, callback, id, WM_LBUTTONUP);
  Print(L"tapped");
  return 0;
}

// What the device played last and at which wave volume.
std::wstring SoundLine(bool raw) {
  const DWORD played = ReadDeviceDword(L"SoundsPlayed", 0);
  if (played == 0) return L"sounds played: 0";
  wchar_t name[MAX_PATH] = {};
  DWORD size = sizeof name - sizeof(wchar_t);
  if (RegGetValueW(HKEY_LOCAL_MACHINE, kDeviceKeyPath, L"LastSound", RRF_RT_REG_SZ, nullptr, name,
                   &size) != ERROR_SUCCESS) {
    name[0] = L'\0';
  }
  const DWORD volume = ReadDeviceDword(L"LastSoundVolume", 0);
  return L"sounds played: " + std::to_wstring(played) + L", last \"" + name + L"\" at " +
         (raw ? Hex(volume) : SoundWords(SoundValue::Volume, volume));
}

// A sound value as the owner sees it, from a key of the user's sound settings; "not set" when
// the device does not have it.
std::wstring Words(const wchar_t* path, const wchar_t* name, SoundValue what) {
  const RegKey key = OpenRegKey(HKEY_CURRENT_USER, path, KEY_QUERY_VALUE);
  const auto value = key ? FindRegDword(key.get(), name) : std::nullopt;
  return value ? SoundWords(what, *value) : L"not set";
}

// The ring tone the device rings with, as the owner picks it.
std::wstring RingTone() {
  wchar_t tone[MAX_PATH] = {};
  DWORD size = sizeof tone - sizeof(wchar_t);
  if (RegGetValueW(HKEY_CURRENT_USER, kRingToneKeyPath, kSoundValue, RRF_RT_REG_SZ, nullptr, tone,
                   &size) != ERROR_SUCCESS) {
    return L"not set";
  }
  return RingToneWords(tone);
}

// What the shell (or, on the older kind, the device) keeps to come back to after a silence.
std::wstring KeptWords(const SoundKeySet& keys) {
  const wchar_t* path = keys.shellOverrides ? kShellOverridesKeyPath : kVolumeUnmutedKeyPath;
  const bool shell = keys.shellOverrides;
  std::wstring text =
      L"volume " + Words(path, shell ? kSavedVolumeValue : kVolumeValue, SoundValue::Volume) +
      L", screen taps " + Words(path, shell ? kSavedScreenValue : kScreenValue, SoundValue::ClickSound) +
      L", buttons " + Words(path, shell ? kSavedKeyValue : kKeyValue, SoundValue::ClickSound);
  if (!shell) text += L", sounds for " + Words(path, kMuteValue, SoundValue::SoundClasses);
  if (keys.ringCategory) {
    text += L", ring volume " + Words(path, kSavedRingerVolumeValue, SoundValue::Volume);
  }
  return text;
}

// The device's sound as its owner sees it.
void PrintSoundWords(const SoundKeySet& keys) {
  Print(L"volume: " + SoundWords(SoundValue::Volume, ReadDeviceWaveVolume()));
  if (keys.shellOverrides) {
    Print(L"ringer: " + Words(kShellOverridesKeyPath, kModeValue, SoundValue::RingerMode));
  }
  Print(L"screen taps: " + Words(kVolumeKeyPath, kScreenValue, SoundValue::ClickSound));
  Print(L"buttons: " + Words(kVolumeKeyPath, kKeyValue, SoundValue::ClickSound));
  Print(L"sounds for: " + Words(kVolumeKeyPath, kMuteValue, SoundValue::SoundClasses));
  if (keys.ringCategory) {
    Print(L"ring volume: " + Words(kVolumeKeyPath, kRingerValue, SoundValue::Volume));
  }
  if (keys.ringTone) Print(L"ring tone: " + RingTone());
  if (keys.shellOverrides || keys.volumeUnmuted) Print(L"kept to come back to: " + KeptWords(keys));
}

// The sound in words; with --raw the wave volume and every value of the sound keys as stored.
int State(const ToolArgs& args) {
  const bool raw = args.size() == 1 && args[0] == L"--raw";
  if (!args.empty() && !raw) {
    PrintError(L"usage: qmdevice state [--raw]");
    return 2;
  }
  const auto kind = ReadDeviceKind();
  Print(L"device: " + std::wstring(kind ? KindInfo(*kind).description : L"(none)"));
  Print(L"clock: " + FormatFileTime(DeviceNowUtc(), true));
  if (raw) {
    Print(L"wave volume: " + Hex(ReadDeviceWaveVolume()));
  } else {
    PrintSoundWords(SoundKeysOfKind(kind.value_or(DeviceKind::PocketPc2003Phone)));
  }
  Print(L"sound refreshes: " + std::to_wstring(DeviceRefreshCount()));
  Print(L"power-ons: " + std::to_wstring(DevicePowerOnCount()));
  Print(SoundLine(raw));
  Print(IconLine());
  if (raw) {
    for (const wchar_t* path : kSoundKeyPaths) PrintKeyValues(path);
  }
  return 0;
}

// The settings the program keeps in the device's registry: shown, or one number stored before the
// program starts (it reads them at start-up).
int Settings(const ToolArgs& args) {
  if (args.empty()) {
    PrintKeyValues(kSettingsKeyPath);
    return 0;
  }
  if (args.size() != 3 || args[0] != L"set") {
    PrintError(L"usage: qmdevice settings [set NAME NUMBER|TEXT]");
    return 2;
  }
  // A number is stored as one; anything else as text.
  DWORD value = 0;
  const bool number = ParseNumber(args[2], &value);
  const RegKey key = CreateRegKey(HKEY_CURRENT_USER, kSettingsKeyPath, KEY_SET_VALUE);
  const std::wstring& text = args[2];
  const LONG stored =
      !key ? ERROR_FILE_NOT_FOUND
      : number
          ? PutRegDword(key.get(), args[1].c_str(), value)
          : RegSetValueExW(key.get(), args[1].c_str(), 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(text.c_str()),
                           static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  if (stored != ERROR_SUCCESS) {
    PrintError(L"the setting could not be stored");
    return 1;
  }
  Print(args[1] + L" = " + (number ? Hex(value) : L"\"" + text + L"\""));
  return 0;
}

const ToolCommand kInit(L"init", L"init [--kind wince|ppc2002|ppc2003|ppc2003phone]", Init);
const ToolCommand kKind(L"kind", L"kind", Kind);
const ToolCommand kVolume(L"volume", L"volume [set VALUE]", Volume);
const ToolCommand kPower(L"power", L"power   (press the power button)", Power);
const ToolCommand kClock(L"clock",
                         L"clock [set YYYY-MM-DDTHH:MM | advance MINUTES | rate FACTOR]   (set: the "
                         L"device's local time; a time in the hour skipped in spring is refused, "
                         L"one in the hour repeated in autumn is its first pass, in summer time)",
                         Clock);
const ToolCommand kIcon(L"icon", L"icon    (the picture in the notification area)", Icon);
const ToolCommand kTap(L"tap", L"tap     (tap the notification icon)", Tap);
const ToolCommand kState(L"state",
                         L"state [--raw]   (the sound as the owner sees it; --raw: as stored)",
                         State);
const ToolCommand kSettings(L"settings",
                            L"settings [set NAME NUMBER|TEXT]   (the program's settings)",
                            Settings);

}  // namespace
