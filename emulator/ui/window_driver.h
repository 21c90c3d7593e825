// Driving the program's windows from another process, as a user would: finding the settings
// window and a control of its shown page or of a view over it, choosing a tab, focusing a control,
// tapping a button, choosing a list row or list entries, dragging a slider, typing into an edit
// box, setting a time picker, reading the history and Today views, and taking a picture of the
// screen. The functions that take a window act on the controls shown in it: the settings window's
// (pages are children of its tab control) or a view's.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// The settings window: a dialog titled kSettingsWindowTitle; null when none is open.
HWND FindSettingsWindow();
// The visible control with `id` among the settings window's descendants (pages are children of
// its tab control); null when none is shown.
HWND FindShownControl(HWND settings, int id);
// Waits up to `ms` for the control to be shown and enabled (a page enables its controls once it
// knows its state); null when it is not.
HWND WaitForEnabledControl(HWND settings, int id, DWORD ms);
// The index of the selected tab, -1 without a window.
int SelectedTab(HWND settings);
// Moves the tab selection to `index` with the arrow keys, as the user's taps would; true when
// it got there.
bool ChooseTab(HWND settings, int index);
// Gives the focus to a control of the shown page, as a tap on it would; true when it has it.
bool FocusControl(HWND settings, int id);
// BM_CLICK on a button, check box or radio button of the shown page.
bool TapControl(HWND settings, int id);
// Chooses a row of a drop-down list of the shown page and tells its page.
bool ChooseListRow(HWND settings, int id, int row);
// Selects, or deselects, the entry of a multiple-selection list of the shown page whose text is
// exactly `text`, and tells its page.
bool SelectListEntry(HWND settings, int id, const std::wstring& text, bool selected);
// Drags a slider of the shown page to `position` and lets go, as a finger would (the slider
// keeps to its range).
bool DragSlider(HWND settings, int id, int position);
// Replaces the text of an edit box of the shown page, as typing would.
bool TypeText(HWND settings, int id, const std::wstring& text);
// Sets a time picker to `hour`:`minute` with its keys, as a thumb on its arrows would: a tap on
// it, then each field from its end. Its format must begin with the hour, then the minutes (as
// the short time of the emulated device's locale does).
bool SetTimePicker(HWND settings, int id, int hour, int minute);
// The caption's OK, or Cancel, posted to the window.
bool CloseSettingsWindow(HWND settings, bool ok);

// A tap on a button of the shown page that opens a window of its own (the About page's History):
// posted, so that the caller goes on while that window is open.
bool TapControlThatOpens(HWND settings, int id);
// The history view over the settings window: a dialog titled kHistoryViewTitle with its list;
// null when none is open.
HWND FindHistoryView();
// The lines the history view lists, top first.
std::vector<std::wstring> HistoryViewLines(HWND view);
// The Today view over the settings window: a dialog titled "Today" with its list; null when none
// is open.
HWND FindTodayView();
// The day it shows, its band as text (meetings/plan_band.h), its state line when it has one (on
// today), then its entries top first, each on one line (an entry's lines joined with "  ");
// nothing while it is still reading the calendar.
std::vector<std::wstring> TodayViewLines(HWND view);
// The Rules view over the settings window: a dialog with its day boxes; null when none is open.
HWND FindRulesView();
// The program's window in front: the history, Today or Rules view while one is open, else the
// settings window; null when none is open.
HWND FindFrontWindow();
// The caption's OK, or Cancel, of the program's window in front.
bool CloseFrontWindow(bool ok);

// Saves the whole screen as a 24-bit BMP file; false when it cannot.
bool SaveScreenPicture(const std::wstring& path);
