// The start-up, Start menu and Programs shortcuts, in the platform's shortcut text format:
// "<count>#<command>", single-byte text with no terminator and no line end.
#pragma once
#include <string>

// The start-up shortcut passes "STARTUP"; only the Start menu shortcut reports a file that cannot
// be written.
enum class Shortcut { StartUp, StartMenu, Programs };
// Writes the shortcut file at `path` (the settings' paths; the first run writes the start-up one
// before they are loaded).
void CreateShortcut(Shortcut which, const wchar_t* path);
void DeleteShortcut(const wchar_t* path);

// The file content for the program at `modulePath`, with or without the " STARTUP" argument.
std::string ShortcutText(const std::wstring& modulePath, bool startup);
