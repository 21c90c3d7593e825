// The system's own text for the last error, shown to the user.
#pragma once

// A message box without owner, caption "Error", information icon, with the text the system
// gives for GetLastError().
void ShowLastErrorText();
