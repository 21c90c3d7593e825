// The start-up, Start menu and Programs shortcuts, in the platform's shortcut text format:
// "<count>#<command>", single-byte text with no terminator and no line end.
#pragma once
#include <string>

void CreateStartUpShortcut();
void DeleteStartUpShortcut();
void CreateStartMenuShortcut();
void DeleteStartMenuShortcut();
void CreateProgramsShortcut();
void DeleteProgramsShortcut();

// The start-up shortcut at a given path (the first run writes it before the paths are loaded).
void CreateStartUpShortcut(const wchar_t* path);

// The file content for the program at `modulePath`, with or without the " STARTUP" argument.
std::string ShortcutText(const std::wstring& modulePath, bool startup);
