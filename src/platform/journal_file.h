// The program's journal as the device keeps it: a text file in the device's documents folder
// that the program writes and that anything on the device may read. UTF-8, one line per event
// ending in "\n", newest last, never more than kJournalLimitBytes (the oldest half goes when a new
// line would not fit). A line is "YYYY-MM-DD HH:MM:SS  KIND  DETAILS": the device's local time,
// two blanks, one word naming what happened (from column kJournalKindColumn), two blanks, and
// free text. Rooted paths resolve against the device's current drive.
#pragma once
#include <windows.h>

#include <cstddef>

// The folder is the device's own: the program never makes it, a device without it keeps no
// journal.
inline constexpr wchar_t kDocumentsFolder[] = L"\\My Documents";
inline constexpr wchar_t kJournalFilePath[] = L"\\My Documents\\QuietMinder Journal.txt";
inline constexpr size_t kJournalLimitBytes = 64 * 1024;
inline constexpr size_t kJournalKindColumn = 21;
