// Context help: the address in the help file of a page's topic, or of one of its controls.
#pragma once
#include <string>

// "file:QuietMinder.htm#" with the page's anchor ("mute_tab", ...) and the suffix of the control
// when the help names that control on that page; "file:QuietMinder.htm#Main_Contents" when no
// page is selected (an index outside the six tabs).
std::wstring HelpAddress(int page, int controlId);

// The topic of a full-screen view over the settings window ("today_view", "rules_view"), with the
// suffix of the control when the help names that control.
std::wstring TodayViewHelpAddress(int controlId = -1);
std::wstring RulesViewHelpAddress(int controlId = -1);

// Starts the help viewer at `address`. The result is not looked at.
void ShowHelp(const std::wstring& address);
