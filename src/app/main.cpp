#include <windows.h>

#include <cstdlib>
#include <exception>

#include "app/startup.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, wchar_t* commandLine, int) {
  return QuietMinderMain(instance, commandLine);
}

// An exception that nothing catches ends the process, as it always has. The C++ library's own
// handler would first describe the exception on the standard error stream, which a resident
// program without a console has nowhere to show, and it drags the library's name demangler
// along: a sixth of the image. Defined here, in the program's entry point only, it replaces the
// library's; the test programs keep the describing one.
void __gnu_cxx::__verbose_terminate_handler() { std::abort(); }
