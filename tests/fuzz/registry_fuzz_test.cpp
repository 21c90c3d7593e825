// Every value the program reads from the registry (the settings, the device's sound values, and
// the state a mute keeps while it runs), stored with every registry type, with sizes from nothing
// to a megabyte and as text without its terminator. For each: start-up, check ticks, a mute and a
// restore never crash; a value that does not fit its field counts as absent; and what the
// program could not read is never written back, nor is a value beside it disturbed.
#include <gtest/gtest.h>

#include <algorithm>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "app/program_state.h"
#include "appfilter/app_filter.h"
#include "common/clock.h"
#include "common/program.h"
#include "common/registry.h"
#include "common/scoped.h"
#include "device/device_kinds.h"
#include "meetings/meeting_query.h"
#include "meetings/meeting_state.h"
#include "platform/device_profile.h"
#include "settings/settings.h"
#include "sound/mute_engine.h"
#include "sound/sound_env.h"
#include "sound/sound_protection.h"
#include "sound/sound_state.h"
#include "sound/taskbar_volume.h"
#include "support/fake_device.h"
#include "support/program_state.h"
#include "support/scratch_registry.h"
#include "support/test_main_window.h"

using namespace soundtest;

namespace {

// ---- What is stored ----------------------------------------------------------------------

constexpr DWORD kTypes[] = {REG_NONE,  REG_SZ,    REG_EXPAND_SZ, REG_BINARY,
                            REG_DWORD, REG_QWORD, REG_MULTI_SZ};
// Around a number's 4 bytes, and far beyond.
constexpr DWORD kSizes[] = {0, 1, 3, 4, 5, 260, 64 * 1024, 1024 * 1024};
// Around the read limits of a text: a ring tone's 520 bytes and a path's 522.
constexpr DWORD kTextLimits[] = {518, 520, 522, 524};

bool IsTextType(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

struct Shape {
  DWORD type;
  DWORD size;
  bool terminated;  // text that ends in its terminator; all other text has none
};

// Every type in every size; `text` adds the sizes around the limits of a text that fits.
std::vector<Shape> Shapes(bool text) {
  std::vector<Shape> shapes;
  for (DWORD type : kTypes) {
    for (DWORD size : kSizes) shapes.push_back({type, size, false});
  }
  for (DWORD size : {4u, 260u}) shapes.push_back({REG_SZ, size, true});
  if (text) {
    for (DWORD size : kTextLimits) {
      shapes.push_back({REG_SZ, size, false});
      shapes.push_back({REG_SZ, size, true});
    }
  }
  return shapes;
}

// Each size once, with the types taken in turn from `offset`: for a kind of device whose values
// take the paths of another's that gets every shape.
std::vector<Shape> ThinShapes(size_t offset) {
  std::vector<Shape> shapes;
  for (size_t i = 0; i < std::size(kSizes); ++i) {
    shapes.push_back({kTypes[(i + offset) % std::size(kTypes)], kSizes[i], false});
  }
  return shapes;
}

// Text types hold letters; the others a fixed byte sequence with zeros among it.
std::vector<BYTE> DataOf(const Shape& shape, unsigned seed) {
  std::vector<BYTE> data(shape.size);
  if (IsTextType(shape.type)) {
    for (size_t i = 0; i < data.size(); ++i) {
      data[i] = i % 2 ? 0 : static_cast<BYTE>('A' + (i / 2 + seed) % 26);
    }
    if (shape.terminated) {
      const size_t last = (data.size() / 2 - 1) * 2;
      data[last] = data[last + 1] = 0;
    }
    return data;
  }
  unsigned x = seed * 2654435761u + 1;
  for (BYTE& b : data) {
    x = x * 1103515245u + 12345u;
    b = static_cast<BYTE>(x >> 16);
  }
  return data;
}

std::string TypeName(DWORD type) {
  static const std::map<DWORD, std::string> names = {
      {REG_NONE, "REG_NONE"},        {REG_SZ, "REG_SZ"},       {REG_EXPAND_SZ, "REG_EXPAND_SZ"},
      {REG_BINARY, "REG_BINARY"},    {REG_DWORD, "REG_DWORD"}, {REG_QWORD, "REG_QWORD"},
      {REG_MULTI_SZ, "REG_MULTI_SZ"}};
  return names.at(type);
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

std::string Describe(const Shape& shape) {
  return TypeName(shape.type) + " of " + std::to_string(shape.size) + " bytes" +
         (IsTextType(shape.type) ? (shape.terminated ? " terminated" : " unterminated") : "");
}

// ---- How the program's rules read it ---------------------------------------------------------

// A number is any value of at most 4 bytes, whatever its type, filling the low bytes.
std::optional<DWORD> AsNumber(const std::vector<BYTE>& data) {
  if (data.size() > sizeof(DWORD)) return std::nullopt;
  DWORD number = 0;
  if (!data.empty()) std::memcpy(&number, data.data(), data.size());
  return number;
}

// The whole characters, up to the first terminator.
std::wstring AsWholeText(const std::vector<BYTE>& data) {
  std::wstring text(data.size() / sizeof(wchar_t), L'\0');
  if (!text.empty()) std::memcpy(text.data(), data.data(), text.size() * sizeof(wchar_t));
  text.resize(text.find(L'\0') == std::wstring::npos ? text.size() : text.find(L'\0'));
  return text;
}

// A text read into a buffer of `chars` characters, terminator included.
std::optional<std::wstring> AsText(const std::vector<BYTE>& data, size_t chars) {
  if (data.size() > chars * sizeof(wchar_t)) return std::nullopt;
  std::wstring text = AsWholeText(data);
  if (text.size() >= chars) return std::nullopt;
  return text;
}

// A stored value as the checks compare it. The data of a value beyond 64 KB is not kept: its type
// and size tell it apart from anything the program writes, and reading it back costs.
constexpr DWORD kKeptDataLimit = 64 * 1024;

struct Raw {
  bool present = false;
  DWORD type = REG_NONE;
  DWORD size = 0;
  std::vector<BYTE> data;
  bool operator==(const Raw&) const = default;
};

Raw Stored(DWORD type, const std::vector<BYTE>& data) {
  const DWORD size = static_cast<DWORD>(data.size());
  return Raw{true, type, size, size <= kKeptDataLimit ? data : std::vector<BYTE>()};
}

Raw ReadRaw(HKEY key, const wchar_t* name) {
  Raw raw;
  if (RegQueryValueExW(key, name, nullptr, &raw.type, nullptr, &raw.size) != ERROR_SUCCESS) {
    return Raw{};
  }
  raw.present = true;
  if (raw.size > kKeptDataLimit) return raw;
  raw.data.resize(raw.size);
  DWORD got = raw.size;
  if (RegQueryValueExW(key, name, nullptr, &raw.type, raw.data.data(), &got) != ERROR_SUCCESS) {
    return Raw{};
  }
  return raw;
}

Raw ReadRaw(HKEY root, const wchar_t* path, const wchar_t* name) {
  RegKey key;
  if (RegOpenKeyExW(root, path, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return Raw{};
  return ReadRaw(key.get(), name);
}

void WriteRaw(HKEY root, const wchar_t* path, const wchar_t* name, const Raw& raw) {
  if (raw.present) {
    RegPutRaw(root, path, name, raw.type, raw.data.data(), static_cast<DWORD>(raw.data.size()));
  } else {
    RegDeleteValueAt(root, path, name);
  }
}

std::string Show(const Raw& raw) {
  if (!raw.present) return "absent";
  std::string shown = TypeName(raw.type) + " of " + std::to_string(raw.size) + " bytes";
  if (const auto number = AsNumber(raw.data)) {
    char hex[16];
    std::snprintf(hex, sizeof hex, " 0x%lx", static_cast<unsigned long>(*number));
    shown += hex;
  }
  return shown;
}

// ---- Figures -----------------------------------------------------------------------------------

struct Figures {
  int cases = 0;
  int crashes = 0;
  std::vector<std::string> findings;
};
Figures g_figures;
std::string g_caseNow = "(none)";

void Finding(const std::string& what) { g_figures.findings.push_back(g_caseNow + ": " + what); }

// A crash ends the process at once (no debugger is started); it says first which case it was.
LONG WINAPI ReportCrash(EXCEPTION_POINTERS* info) {
  std::printf("[registry fuzz] crash 0x%08lx in case %s after %d cases\n",
              static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode), g_caseNow.c_str(),
              g_figures.cases);
  std::fflush(stdout);
  return EXCEPTION_EXECUTE_HANDLER;
}

class FiguresPrinter : public ::testing::Environment {
 public:
  void SetUp() override { SetUnhandledExceptionFilter(ReportCrash); }
  void TearDown() override {
    std::printf("[registry fuzz] %d cases run, %d crashes, %zu findings\n", g_figures.cases,
                g_figures.crashes, g_figures.findings.size());
  }
};
[[maybe_unused]] ::testing::Environment* const g_printer =
    ::testing::AddGlobalTestEnvironment(new FiguresPrinter);

// Runs one case; a C++ exception out of the program counts as a crash.
template <typename Body>
void RunCase(const std::string& label, Body body) {
  g_caseNow = label;
  ++g_figures.cases;
  try {
    body();
  } catch (const std::exception& e) {
    ++g_figures.crashes;
    Finding(std::string("exception: ") + e.what());
  } catch (...) {
    ++g_figures.crashes;
    Finding("exception");
  }
  g_caseNow = "(none)";
}

// Prints the figures of one pass. Its first findings fail the test; QM_FUZZ_ALL=1 lists every
// one.
void ExpectNoFindings(const char* pass, int casesBefore, size_t before) {
  const auto& all = g_figures.findings;
  std::printf("[registry fuzz] %s: %d cases, %zu findings\n", pass, g_figures.cases - casesBefore,
              all.size() - before);
  const bool every = GetEnvironmentVariableA("QM_FUZZ_ALL", nullptr, 0) > 0;
  for (size_t i = before; i < all.size() && (every || i < before + 20); ++i) {
    ADD_FAILURE() << all[i];
  }
  EXPECT_EQ(before, all.size()) << all.size() - before << " findings";
  EXPECT_EQ(0, g_figures.crashes);
}

// Stores exactly `data`. The bytes after it are not zero: the registry takes a text whose
// terminator directly follows the given size as one that forgot to count it.
void Put(HKEY root, const wchar_t* path, const wchar_t* name, DWORD type,
         const std::vector<BYTE>& data) {
  std::vector<BYTE> padded(data);
  padded.insert(padded.end(), 4, 0xFF);
  RegPutRaw(root, path, name, type, padded.data(), static_cast<DWORD>(data.size()));
}

LRESULT Tick() { return SendMessageW(Program.MainWindow, WM_CHECK, 1, 0); }

// ---- The readers themselves, with sentinels around their buffers -------------------------------

TEST(RegistryFuzz, ReadersStayInsideTheirBuffersAndFollowTheRules) {
  const int casesBefore = g_figures.cases;
  const size_t before = g_figures.findings.size();
  ScratchHkcu hkcu;
  constexpr wchar_t kPath[] = L"Fuzz";
  constexpr DWORD kGuard = 0xFEEDF00D;
  unsigned seed = 0;
  for (const Shape& shape : Shapes(true)) {
    RunCase("readers, " + Describe(shape), [&] {
      const std::vector<BYTE> data = DataOf(shape, ++seed);
      Put(hkcu.root(), kPath, L"V", shape.type, data);
      RegKey key;
      ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(hkcu.root(), kPath, 0, KEY_READ, key.put()));

      DWORD number[3] = {kGuard, 0x5A5A5A5A, kGuard};
      const bool numberRead = ReadDwordValue(key.get(), L"V", &number[1]) == ERROR_SUCCESS;
      const auto expected = AsNumber(data);
      if (number[0] != kGuard || number[2] != kGuard) Finding("number read overran");
      if (numberRead != expected.has_value() || number[1] != expected.value_or(0x5A5A5A5A)) {
        Finding("number read");
      }

      for (size_t chars : {size_t{1}, size_t{2}, size_t{260}, size_t{261}}) {
        std::vector<wchar_t> buffer(chars + 2, L'#');
        const bool textRead =
            ReadStringValue(key.get(), L"V", buffer.data() + 1, chars) == ERROR_SUCCESS;
        const auto text = AsText(data, chars);
        if (buffer.front() != L'#' || buffer.back() != L'#') Finding("text read overran");
        if (textRead != text.has_value() || (text && *text != buffer.data() + 1)) {
          Finding("text read into " + std::to_string(chars) + " characters");
        }
      }
      if (ReadLongString(key.get(), L"V") != AsWholeText(data)) Finding("long text read");
    });
  }
  ExpectNoFindings("readers", casesBefore, before);
}

// ---- Settings --------------------------------------------------------------------------------

template <typename... F>
struct Overload : F... {
  using F::operator()...;
};

// Valid choices that are not the defaults, with the features that read a setting during a tick,
// a mute or a restore switched on. The meeting link stays off: there is no calendar in this
// process, and a look at none reads no setting; the categories are taken through the query's own
// category test instead.
void PutBaseSettings(HKEY root) {
  RegDeleteTreeW(root, kSettingsKeyPath);
  UseSettings(SettingsRecord{});
  LoadSettings();
  const std::pair<const wchar_t*, DWORD> numbers[] = {
      {L"MuteToVibrate", 1},     {L"UserMuteTime", 900},   {L"UserUnMute", 1},
      {L"POAllDay", 1},          {L"POCheckInterval", 60}, {L"SoundProtection", 3},
      {L"SPVolume", 0x33333333}, {L"SPMute", 7},           {L"SPScreen", 1},
      {L"SPKey", 0x00010002},    {L"EnableAppFilter", 1}};
  for (const auto& [name, value] : numbers) RegPutDword(root, kSettingsKeyPath, name, value);
  RegPutText(root, kSettingsKeyPath, L"AppsToFilter", L"Fuzz Listed Application");
  RegPutText(root, kSettingsKeyPath, L"POCategory", L"Work");
}

// The field a load leaves, and whether the stored data was taken (otherwise the default is).
struct SettingOutcome {
  bool taken;
  bool fieldAsRules;
};

SettingOutcome LoadedField(const SettingValue& value, const std::vector<BYTE>& data) {
  static const SettingsRecord defaults;
  const auto number = AsNumber(data);
  return std::visit(
      Overload{
          [&](bool SettingsRecord::*f) {
            const bool want = number ? *number != 0 : defaults.*f;
            return SettingOutcome{number.has_value(), Settings.*f == want};
          },
          [&](DWORD SettingsRecord::*f) {
            // A number outside its value's range is read as the nearest in it.
            const DWORD want = std::clamp(number.value_or(defaults.*f), value.least, value.most);
            return SettingOutcome{number.has_value(), Settings.*f == want};
          },
          [&](SoundProtectionFlags SettingsRecord::*f) {
            const DWORD want =
                PackSoundProtection(number ? UnpackSoundProtection(*number) : defaults.*f);
            return SettingOutcome{number.has_value(), PackSoundProtection(Settings.*f) == want};
          },
          [&](wchar_t(SettingsRecord::*f)[kPathChars]) {
            const auto text = AsText(data, kPathChars);
            const std::wstring want = text.value_or(defaults.*f);
            return SettingOutcome{text.has_value(), want == Settings.*f};
          },
          [&](std::optional<std::wstring> SettingsRecord::*f) {
            const std::optional<std::wstring> want =
                data.empty() ? std::nullopt : std::optional(AsWholeText(data));
            return SettingOutcome{true, Settings.*f == want};
          },
      },
      value.field);
}

// Whether the load took the stored data; the field must hold what the rules make of it.
bool CheckLoaded(const SettingValue& value, const std::vector<BYTE>& data) {
  const SettingOutcome outcome = LoadedField(value, data);
  if (!outcome.fieldAsRules) Finding("the loaded field does not follow the rules");
  return outcome.taken;
}

// The installer's marker counts when it fits in 4 bytes; the load then removes it.
bool CheckFirstRunMarker(const std::vector<BYTE>& data) {
  const bool counts = AsNumber(data).has_value();
  if (Settings.FirstRun != counts) Finding("the first run was taken wrongly");
  return counts;
}

// What a load writes in place of a value it could not take: the field's default, as stored.
Raw StoredDefault(const SettingValue& value) {
  static const SettingsRecord defaults;
  const auto dword = [](DWORD v) {
    Raw raw{true, REG_DWORD, sizeof v, std::vector<BYTE>(sizeof v)};
    std::memcpy(raw.data.data(), &v, sizeof v);
    return raw;
  };
  return std::visit(
      Overload{
          [&](bool SettingsRecord::*f) { return dword(defaults.*f ? 1 : 0); },
          [&](DWORD SettingsRecord::*f) { return dword(defaults.*f); },
          [&](SoundProtectionFlags SettingsRecord::*f) {
            return dword(PackSoundProtection(defaults.*f));
          },
          [&](wchar_t(SettingsRecord::*f)[kPathChars]) {
            const BYTE* text = reinterpret_cast<const BYTE*>(defaults.*f);
            return Stored(REG_SZ, std::vector<BYTE>(
                                      text, text + (wcslen(defaults.*f) + 1) * sizeof(wchar_t)));
          },
          [&](std::optional<std::wstring> SettingsRecord::*) { return Raw{}; },
      },
      value.field);
}

// ---- The device's sound values ---------------------------------------------------------------

enum class Role {
  Mirror,    // the live copy of the wave volume: given back as the wave volume
  Live,      // the owner's in a program mute; silenced and given back
  Kept,      // kept to come back to: the owner's when a hand-made silence is taken over
  Own,       // a phone's ring volume and ear coupling: the owner's in every mute
  RingMode,  // the shell's ringer: the program switches it and switches it back on
  Tone,      // the ring tone: the owner's in every mute
  KeptTone,  // the ring tone to come back to: given back from the tone
};

struct DeviceValue {
  const wchar_t* SoundKeyNames::*key;
  const wchar_t* name;
  Role role;
  const wchar_t* field;  // values of one field carry the same owner's number
  DWORD silenced;
  bool phone2003Only;
};

using K = SoundKeyNames;
const DeviceValue kDeviceValues[] = {
    {&K::Volume, kVolumeValue, Role::Mirror, kVolumeValue, 0, false},
    {&K::Volume, kMuteValue, Role::Live, kMuteValue, 0, false},
    {&K::Volume, kScreenValue, Role::Live, kScreenValue, 0, false},
    {&K::Volume, kKeyValue, Role::Live, kKeyValue, 0, false},
    {&K::Volume, kRingerValue, Role::Live, kRingerValue, 0, true},
    {&K::VolumeUnmuted, kVolumeValue, Role::Kept, kVolumeValue, 0, false},
    {&K::VolumeUnmuted, kMuteValue, Role::Kept, kMuteValue, 0, false},
    {&K::VolumeUnmuted, kScreenValue, Role::Kept, kScreenValue, 0, false},
    {&K::VolumeUnmuted, kKeyValue, Role::Kept, kKeyValue, 0, false},
    {&K::ShellOverrides, kSavedVolumeValue, Role::Kept, kVolumeValue, 0, false},
    {&K::ShellOverrides, kModeValue, Role::RingMode, kModeValue, kRingerModeOff, false},
    {&K::ShellOverrides, kSavedScreenValue, Role::Kept, kScreenValue, 0, false},
    {&K::ShellOverrides, kSavedKeyValue, Role::Kept, kKeyValue, 0, false},
    {&K::ShellOverrides, kSavedRingerVolumeValue, Role::Kept, kRingerValue, 0, true},
    {&K::RingTone, kSoundValue, Role::Tone, kSoundValue, 0, false},
    {&K::RingTone, kSavedSoundValue, Role::KeptTone, kSoundValue, 0, false},
    {&K::RingCategory, kInitVolValue, Role::Own, kInitVolValue, 0, false},
    {&K::EarCouple, kEarCoupleValue, Role::Own, kEarCoupleValue, 4, false},
};

// The values the device of the running profile keeps and the program reads.
std::vector<const DeviceValue*> ValuesOfDevice() {
  std::vector<const DeviceValue*> values;
  for (const DeviceValue& v : kDeviceValues) {
    if (DeviceProfile.SoundKeys.*v.key && (!v.phone2003Only || IsPocketPc2003Phone())) {
      values.push_back(&v);
    }
  }
  return values;
}

const wchar_t* KeyOf(const DeviceValue& v) { return DeviceProfile.SoundKeys.*v.key; }

std::wstring Label(const DeviceValue& v) { return std::wstring(KeyOf(v)) + L"\\" + v.name; }

using Snapshot = std::map<const DeviceValue*, Raw>;
Snapshot TakeSnapshot(HKEY root) {
  Snapshot snapshot;
  std::map<std::wstring, RegKey> keys;
  for (const DeviceValue* v : ValuesOfDevice()) {
    RegKey& key = keys[KeyOf(*v)];
    if (!key) RegOpenKeyExW(root, KeyOf(*v), 0, KEY_READ, key.put());
    snapshot[v] = key ? ReadRaw(key.get(), v->name) : Raw{};
  }
  return snapshot;
}

const Raw& KeptToneOf(const Snapshot& snapshot) {
  for (const auto& [v, raw] : snapshot) {
    if (v->role == Role::KeptTone) return raw;
  }
  static const Raw none;
  return none;
}

enum class Mute { Program, TakenOver };

// Where a value holds the owner's sound: in a program mute the live values, in a silence made by
// hand the values kept to come back to.
bool IsSource(const DeviceValue& v, Mute mute) {
  return v.role == Role::Own || v.role == Role::Tone ||
         (mute == Mute::Program && v.role == Role::Live) ||
         (mute == Mute::TakenOver && v.role == Role::Kept);
}

// The device `fresh` had `data` stored into `fuzzed` and went through a mute and its restore;
// `after` is what each value holds now.
void CheckGivenBack(const Snapshot& fresh, const Snapshot& after, Mute mute,
                    const DeviceValue& fuzzed, DWORD type, const std::vector<BYTE>& data) {
  const DWORD wave = fake::device().waveVolume;
  if (wave == 0) Finding("the restore left the wave volume at 0");
  const Raw stored = Stored(type, data);
  const bool source = IsSource(fuzzed, mute);
  const bool numeric = fuzzed.role != Role::Tone && fuzzed.role != Role::KeptTone;
  const auto number = AsNumber(data);
  // The owner's number as read from the fuzzed value, where the restore gives it back as it is;
  // a silenced number may come back as an audible one.
  const bool ownersKnown = numeric && source && number && *number != fuzzed.silenced;
  const bool ownersUnknown = numeric && source && number && *number == fuzzed.silenced;
  const DWORD owners = number.value_or(0);
  const auto tone = AsText(data, kSoundTextChars - 1);
  const bool toneTaken =
      fuzzed.role == Role::Tone && tone && !tone->empty() && !IsRingToneMarker(tone->c_str());

  for (const auto& [v, before] : fresh) {
    const Raw& now = after.at(v);
    const auto nowNumber = AsNumber(now.data);
    const std::string name = Narrow(Label(*v));
    const bool asStored = now == stored && v == &fuzzed;
    if (v->role == Role::Mirror) {
      if (now.type != REG_DWORD || nowNumber != wave) {
        Finding(name + " is " + Show(now) + ", not the wave volume");
      }
    } else if (v->role == Role::RingMode) {
      if (now.type != REG_DWORD || nowNumber != kRingerModeRing) {
        Finding(name + " is " + Show(now) + ", not the ringer on");
      }
    } else if (v == &fuzzed && fuzzed.role == Role::Tone) {
      if (!tone) {
        if (!asStored) Finding(name + ": an unreadable tone was written over");
      } else if (toneTaken) {
        if (AsWholeText(now.data) != *tone) Finding(name + ": the owner's tone did not come back");
      } else if (!asStored && AsWholeText(now.data) != AsWholeText(KeptToneOf(fresh).data)) {
        Finding(name + ": a marker came back as " + Show(now) + ", not the kept tone");
      }
    } else if (v->role == Role::KeptTone && toneTaken) {
      if (AsWholeText(now.data) != *tone) Finding(name + ": the owner's tone is not kept");
    } else if (v == &fuzzed && source) {
      if (!number) {
        if (!asStored) {
          Finding(name + ": an unreadable value was replaced by " + Show(now));
        }
      } else if (ownersKnown && nowNumber != owners) {
        Finding(name + ": the owner's number came back as " + Show(now));
      }
    } else if (v == &fuzzed) {
      if (!asStored && now != before) Finding(name + " is " + Show(now) + ", not the owner's");
    } else if (std::wstring(v->field) == fuzzed.field && (ownersKnown || ownersUnknown)) {
      // Beside the owner's number read from the fuzzed value: that number, or left as it was.
      if (ownersKnown && nowNumber != owners && now != before) {
        Finding(name + " is " + Show(now) + ", neither as it was nor the owner's number");
      }
    } else if (now != before) {
      Finding(name + " changed from " + Show(before) + " to " + Show(now));
    }
  }
}

class RegistryFuzzDevice : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(nullptr, CreateTestMainWindow()); }
  void TearDown() override { DestroyTestMainWindow(); }

  // A fresh device of `kind`, with its settings loaded; each run starts from it again.
  void UseKind(DeviceKind kind) {
    kind_ = kind;
    SetUpDevice(hkcu_, kind);
    UseSettings(SettingsRecord{});
    LoadSettings();
    loaded_ = Settings;
    fresh_ = TakeSnapshot(root());
  }

  // The device as fresh again: the values a run changed are put back.
  void Refresh(const Snapshot& left) {
    for (const auto& [v, raw] : fresh_) {
      if (left.at(v) != raw) WriteRaw(root(), KeyOf(*v), v->name, raw);
    }
  }

  // A new process's state on the device as it is, with the settings as `loaded_` holds them: the
  // sound cases leave the settings key as it is, so each start would load the same.
  void ResetProgram() {
    fake::ResetDevice();
    fake::device().osMajor = KindInfo(kind_).osMajor;
    fake::device().platformType = KindInfo(kind_).platformType;
    ResetProgramState();
    DetectDeviceProfile(Program.Instance);
    UseSettings(loaded_);
  }

  // A new process on the fresh device.
  void Restart(const Snapshot& left) {
    Refresh(left);
    ResetProgram();
  }

  // Start-up on the fresh device, with the settings loaded from their key.
  void StartUp(const Snapshot& left) {
    Restart(left);
    UseSettings(SettingsRecord{});
    LoadSettings();
  }

  // A program mute and its restore, with ticks before, between and after.
  void ProgramMuteAndRestore() {
    Tick();
    MuteByChoice({TimeFromNow(3600)});
    Tick();
    if (!MuteState.Muted) Finding("the program mute did not last");
    RestoreByChoice();
    TickAfterRestore();
  }

  // The owner silences the device by hand (wave volume and its live copy at 0).
  void HandSilence() {
    fake::device().waveVolume = 0;
    RegPutDword(root(), kVolumeKeyPath, kVolumeValue, 0);
  }
  // A tick takes the silence over, another passes, then the restore.
  void TakeOverAndRestore() {
    Tick();
    if (!MuteState.Muted) Finding("the silence made by hand was not taken over");
    Tick();
    RestoreByChoice();
    TickAfterRestore();
  }

  void TickAfterRestore() {
    Tick();
    if (MuteState.Muted) Finding("a tick after the restore found the device silent");
  }

  HKEY root() const { return hkcu_.root(); }
  ScratchHkcu hkcu_;
  DeviceKind kind_ = DeviceKind::PocketPc2003Phone;
  SettingsRecord loaded_;
  Snapshot fresh_;
};

TEST_F(RegistryFuzzDevice, EverySoundValueOfEveryKindOfDevice) {
  const int casesBefore = g_figures.cases;
  const size_t before = g_figures.findings.size();
  unsigned seed = 0;
  for (DeviceKind kind : kAllKinds) {
    UseKind(kind);
    Snapshot left = fresh_;
    for (const DeviceValue* value : ValuesOfDevice()) {
      const bool text = value->role == Role::Tone || value->role == Role::KeptTone;
      // A Pocket PC without a phone keeps the values of a Pocket PC 2003 phone less the phone's,
      // and takes the same paths: each size, with the types in turn.
      const bool thin = kind == DeviceKind::PocketPc2002 || kind == DeviceKind::PocketPc2003;
      const size_t offset = kind == DeviceKind::PocketPc2002 ? 0 : 3;
      for (const Shape& shape : thin ? ThinShapes(offset) : Shapes(text)) {
        const std::vector<BYTE> data = DataOf(shape, ++seed);
        RunCase(KindName(kind) + " " + Narrow(Label(*value)) + ", " + Describe(shape), [&] {
          // Each mute in which the value is read, or given back to.
          for (const Mute mute : {Mute::Program, Mute::TakenOver}) {
            if ((value->role == Role::Live && mute != Mute::Program) ||
                (value->role == Role::Kept && mute != Mute::TakenOver)) {
              continue;
            }
            Restart(left);
            if (mute == Mute::TakenOver) HandSilence();
            Put(root(), KeyOf(*value), value->name, shape.type, data);
            if (mute == Mute::Program) {
              ProgramMuteAndRestore();
            } else {
              TakeOverAndRestore();
            }
            left = TakeSnapshot(root());
            CheckGivenBack(fresh_, left, mute, *value, shape.type, data);
          }
        });
      }
    }
  }
  ExpectNoFindings("sound values", casesBefore, before);
}

TEST_F(RegistryFuzzDevice, EverySettingsValue) {
  const int casesBefore = g_figures.cases;
  const size_t before = g_figures.findings.size();
  UseKind(DeviceKind::PocketPc2003Phone);
  PutBaseSettings(root());
  Snapshot left = fresh_;
  unsigned seed = 0;
  // Each settings value, then the installer's first-run marker.
  std::vector<const wchar_t*> names;
  for (const SettingValue& value : SettingValues()) names.push_back(value.name);
  names.push_back(L"Initialize");
  for (const wchar_t* name : names) {
    const SettingValue* value = nullptr;
    for (const SettingValue& v : SettingValues()) {
      if (wcscmp(v.name, name) == 0) value = &v;
    }
    const Raw base = ReadRaw(root(), kSettingsKeyPath, name);
    const bool text =
        value && std::holds_alternative<wchar_t(SettingsRecord::*)[kPathChars]>(value->field);
    for (const Shape& shape : Shapes(text)) {
      const std::vector<BYTE> data = DataOf(shape, ++seed);
      RunCase("setting " + Narrow(name) + ", " + Describe(shape), [&] {
        Put(root(), kSettingsKeyPath, name, shape.type, data);
        StartUp(left);
        const bool taken = value ? CheckLoaded(*value, data) : CheckFirstRunMarker(data);
        const auto& wanted = Settings.POCategory;
        MatchCategories(wanted ? wanted->c_str() : nullptr, L"Work,Personal");
        // A silence by hand over a shell that kept a silent volume: the restore gives back a
        // volume of its own.
        RegPutDword(root(), kShellOverridesKeyPath, kSavedVolumeValue, 0);
        HandSilence();
        TakeOverAndRestore();
        if (fake::device().waveVolume == 0) Finding("the restore left the wave volume at 0");

        // Only the load repairs a value it could not take; nothing else writes one.
        const Raw now = ReadRaw(root(), kSettingsKeyPath, name);
        if (!value) {
          if (now.present == taken) Finding("the first-run marker is " + Show(now));
        } else if (taken || value->group == SettingsGroup::ReadOnly) {
          if (now != Stored(shape.type, data)) Finding("a value was rewritten: " + Show(now));
        } else if (now != StoredDefault(*value)) {
          Finding("an unreadable value is now " + Show(now) + ", not the default");
        }
        WriteRaw(root(), kSettingsKeyPath, name, base);
        left = TakeSnapshot(root());
      });
    }
  }
  ExpectNoFindings("settings values", casesBefore, before);
}

// ---- The state a mute keeps while it runs -------------------------------------------------

// Its values, beside the settings, for a run that ends during the mute: the next run gives it
// back.
struct KeptValue {
  const wchar_t* name;
  const wchar_t* field;  // the field of the device's values it holds
  DWORD silenced;
};
const KeptValue kKeptValues[] = {
    {kVolumeValue, kVolumeValue, 0},       {kMuteValue, kMuteValue, 0},
    {kScreenValue, kScreenValue, 0},       {kKeyValue, kKeyValue, 0},
    {kRingerValue, kRingerValue, 0},       {kInitVolValue, kInitVolValue, 0},
    {kEarCoupleValue, kEarCoupleValue, 4}, {kSavedSoundValue, kSoundValue, 0}};

enum class NextRun {
  Silent,    // the device is still silent: the next tick carries the mute on, then the restore
  Sounding,  // the owner raised the volume since: the next tick gives back what stayed silenced
};

// After the next run: `lost` is what the ended mute left, `after` what each value holds now.
void CheckKeptGivenBack(HKEY root, const Snapshot& fresh, const Snapshot& lost,
                        const Snapshot& after, NextRun next, const KeptValue& kept,
                        const std::vector<BYTE>& data) {
  const DWORD wave = fake::device().waveVolume;
  if (wave == 0) Finding("the next run left the wave volume at 0");
  const bool tone = std::wstring(kept.name) == kSavedSoundValue;
  const auto number = AsNumber(data);
  const auto text = AsText(data, kSoundTextChars - 1);
  // A kept number that cannot be read makes the kept state unreadable as a whole; a tone that
  // cannot be read is only no tone to give back.
  const bool whole = tone || number.has_value();
  for (const auto& [v, before] : fresh) {
    const Raw& now = after.at(v);
    const auto nowNumber = AsNumber(now.data);
    const bool keptField = std::wstring(v->field) == kept.field;
    bool right = now == before;  // the owner's, given back
    if (!whole && next == NextRun::Sounding) {
      right = now == lost.at(v);  // nothing to give back from
    } else if (v->role == Role::Mirror) {
      right = now.type == REG_DWORD && nowNumber == wave;
    } else if (v->role == Role::RingMode) {
      right = nowNumber == kRingerModeRing;
    } else if (!whole && v->role == Role::Own) {
      // Taken from the device's own values: a silenced ring category comes back at 5.
      right = right || nowNumber == 5u;
    } else if (next == NextRun::Sounding && std::wstring(v->field) == kVolumeValue) {
      right = right || nowNumber == wave;  // the volume the owner raised meanwhile stays
    } else if (keptField && tone && text) {
      right = right || AsWholeText(now.data) == *text;
    } else if (keptField && !tone && number) {
      right = right || *number == kept.silenced || nowNumber == number;
    }
    if (!right) {
      Finding(Narrow(Label(*v)) + " is " + Show(now) + ", was " + Show(before) +
              " before the mute");
    }
  }
  RegKey key;
  if (RegOpenKeyExW(root, kKeptSoundKeyPath, 0, KEY_READ, key.put()) == ERROR_SUCCESS) {
    Finding("the kept state is still there after it was given back");
  }
}

TEST_F(RegistryFuzzDevice, EveryValueKeptByAMuteWhoseRunEnded) {
  const int casesBefore = g_figures.cases;
  const size_t before = g_figures.findings.size();
  UseKind(DeviceKind::PocketPc2003Phone);
  Snapshot left = fresh_;
  unsigned seed = 0;
  for (const KeptValue& kept : kKeptValues) {
    const bool text = std::wstring(kept.name) == kSavedSoundValue;
    for (const NextRun next : {NextRun::Silent, NextRun::Sounding}) {
      // The device sounding again takes the same reads: each size, with the types in turn.
      for (const Shape& shape : next == NextRun::Silent ? Shapes(text) : ThinShapes(5)) {
        const std::vector<BYTE> data = DataOf(shape, ++seed);
        const char* nextName = next == NextRun::Silent ? "silent" : "sounding";
        RunCase("kept " + Narrow(kept.name) + ", " + Describe(shape) + ", " + nextName, [&] {
          Restart(left);
          MuteByChoice({TimeFromNow(3600)});
          // The run ends during the mute; the next one starts on the device as that mute left it.
          ResetProgram();
          fake::device().waveVolume = next == NextRun::Silent ? 0 : 0x55555555;
          Put(root(), kKeptSoundKeyPath, kept.name, shape.type, data);
          const Snapshot lost = TakeSnapshot(root());
          RecallLostMute();
          if (next == NextRun::Silent) {
            TakeOverAndRestore();
          } else {
            TickAfterRestore();
          }
          left = TakeSnapshot(root());
          CheckKeptGivenBack(root(), fresh_, lost, left, next, kept, data);
          RegDeleteTreeW(root(), kKeptSoundKeyPath);
        });
      }
    }
  }
  ExpectNoFindings("kept values", casesBefore, before);
}

}  // namespace
