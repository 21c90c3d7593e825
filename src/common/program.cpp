#include "common/program.h"

ProgramRecord Program;

void ResetProgram() { Program = ProgramRecord{}; }
