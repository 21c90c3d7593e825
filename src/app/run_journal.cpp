#include "app/run_journal.h"

#include <windows.h>

#include <string>

#include "common/journal.h"
#include "common/registry.h"
#include "common/scoped.h"
#include "settings/settings.h"
#include "sound/mute_state.h"
#include "sound/sound_journal.h"

namespace {

// Set in the settings key while a run goes on: a start that finds it follows a run that ended
// without its shutdown.
constexpr wchar_t kRunMarkValue[] = L"Running";
// Marks the run; true when an earlier run's mark was still there.
bool MarkRunStarted() {
  RegKey key;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKeyPath, 0, nullptr, 0, KEY_READ | KEY_WRITE,
                      nullptr, key.put(), nullptr) != ERROR_SUCCESS) {
    return false;
  }
  DWORD mark = 0;
  const bool left = ReadDwordValue(key.get(), kRunMarkValue, &mark) == ERROR_SUCCESS && mark != 0;
  SetDwordValue(key.get(), kRunMarkValue, 1);
  return left;
}

// Clears the run's mark; true when it was there.
bool ClearRunMark() {
  RegKey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKeyPath, 0, KEY_READ | KEY_WRITE, key.put()) !=
      ERROR_SUCCESS) {
    return false;
  }
  DWORD mark = 0;
  const bool marked = ReadDwordValue(key.get(), kRunMarkValue, &mark) == ERROR_SUCCESS && mark != 0;
  RegDeleteValueW(key.get(), kRunMarkValue);
  return marked;
}

}  // namespace

void JournalProgramStart() {
  const bool lostRun = MarkRunStarted() || MuteState.LostMutePending;
  if (!lostRun) {
    Journal(kJournalStarted, L"QuietMinder started; " + DescribeSoundNow());
    return;
  }
  Journal(kJournalRestarted,
          std::wstring(L"QuietMinder started after a run that ended without its shutdown") +
              (MuteState.LostMutePending ? L" during a mute; " : L"; ") + DescribeSoundNow());
}

void JournalProgramEnd() {
  // The mark of the run is the record that its start was journaled and its end not yet.
  if (!ClearRunMark()) return;
  Journal(kJournalEnded, L"QuietMinder ended; " + DescribeSoundNow());
}
