#include "support/program_state.h"

#include <windows.h>

#include "app/program_state.h"
#include "common/program.h"

void ResetTestProgramState() {
  ResetProgramState();
  // The main window and its state belong to the test's window (test_main_window.h).
  const HWND mainWindow = Program.MainWindow;
  ResetProgram();
  Program.Instance = GetModuleHandleW(nullptr);
  Program.MainWindow = mainWindow;
}
