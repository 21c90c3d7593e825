// The program's state records back at their start values, as a fresh process has them.
#pragma once

// ResetProgramState, and the program's identity too: its module is this test program; a main
// window the test made stays.
void ResetTestProgramState();
