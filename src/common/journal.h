// The journal: one line for each change QuietMinder makes to the sound or notices, and why, in
// the device's journal file (platform/journal_file.h). Writing never holds up or prevents what it
// records: a line that cannot be written is dropped without a word.
#pragma once
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/journal_file.h"

// What happened: the word each line carries at kJournalKindColumn, right after the time.
// The program's own mute began (a meeting, the settings window).
inline constexpr wchar_t kJournalSilenced[] = L"silenced";
// A silence made by hand became the program's mute.
inline constexpr wchar_t kJournalTakenOver[] = L"taken-over";
// The running mute goes on for another reason (a meeting in progress as it was to end, or a
// silence made by hand that a meeting in progress takes over), with no change to the sound.
inline constexpr wchar_t kJournalCarriedOn[] = L"carried-on";
// The program gave the sound back.
inline constexpr wchar_t kJournalSoundBack[] = L"sound-back";
// A volume raised during a mute went back to nothing; the mute goes on.
inline constexpr wchar_t kJournalVolumeUndone[] = L"volume-undone";
// What a run that ended during a mute left silenced was given back.
inline constexpr wchar_t kJournalLostMuteUndone[] = L"lost-mute-undone";
// Sound protection put protected settings back.
inline constexpr wchar_t kJournalRepaired[] = L"repaired";
// A listed application holds muting off, and no longer does.
inline constexpr wchar_t kJournalHeldOff[] = L"held-off";
inline constexpr wchar_t kJournalHoldReleased[] = L"hold-released";
// The settings window closed: its choice.
inline constexpr wchar_t kJournalWindow[] = L"window";
// The program started; started after a run that ended without its shutdown (killed, crashed,
// power lost); ended.
inline constexpr wchar_t kJournalStarted[] = L"started";
inline constexpr wchar_t kJournalRestarted[] = L"restarted";
inline constexpr wchar_t kJournalEnded[] = L"ended";

// The details of a line are cut to this many characters.
inline constexpr size_t kJournalDetailChars = 400;

// Appends "<local time>  <kind>  <details>" to the journal; `details` is made one line and cut to
// kJournalDetailChars. When the file would grow past kJournalLimitBytes, its oldest half goes
// first (at a line boundary). A read-only or locked file, or a missing folder, drops the line.
void Journal(const wchar_t* kind, std::wstring_view details) noexcept;

// Text from outside (a meeting's subject, an application's name) made fit for a line: control
// characters and line breaks become blanks, runs of blanks one, and text longer than `chars` is
// cut and ends in "...". Never splits a surrogate pair; a lone surrogate becomes U+FFFD.
std::wstring JournalText(std::wstring_view text, size_t chars);

// The journal's lines, oldest first, as far as they can be shown: of a file larger than
// kJournalLimitBytes only its newest part, bytes that are no UTF-8 as U+FFFD, control characters
// as blanks, empty lines left out, each line cut to kJournalDetailChars plus its time and kind.
// Empty when there is no journal.
std::vector<std::wstring> ReadJournalLines();

// The word a line carries at kJournalKindColumn; empty for a line not in the journal's form.
std::wstring_view JournalLineKind(std::wstring_view line);

// The journal file: kJournalFilePath, or another file (for tests); an empty path restores it.
void SetJournalPath(std::wstring_view path);
const wchar_t* JournalPath();
