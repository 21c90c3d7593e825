// The journal's lines for the program's run: its start ("started", or "restarted" after a run that
// ended without its shutdown) and its end.
#pragma once

// Marks the run in the settings key and journals its start.
void JournalProgramStart();
// Journals the end of a run that JournalProgramStart journaled ("ended"), once, and clears the
// mark.
void JournalProgramEnd();
