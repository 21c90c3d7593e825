#include <windows.h>

#include <cstdlib>
#include <exception>
#include <new>
#include <typeinfo>

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

// How the C++ library's containers and strings raise their errors. The library's own functions
// for it (all in one object) keep each error's message in a string type of their own, which
// brings a second copy of the library's string code along (20 KB). Here a failed allocation is
// still std::bad_alloc (std::bad_array_new_length), which the program catches, and a failed cast
// std::bad_cast (std::bad_typeid). The others, which the program meets only through a bug of its
// own (an index or a length out of range, a string made from a null pointer), are a LibraryError
// with the library's text: `catch (...)` and `catch (const std::exception&)` still take them, a
// catch of their standard types would not, and a test of src/ fails when the program's code
// names one of those types. Defined here, in the program's entry point only; the test programs
// keep the library's.
namespace {

class LibraryError final : public std::exception {
 public:
  explicit LibraryError(const char* text) : text_(text) {}
  const char* what() const noexcept override { return text_; }

 private:
  const char* text_;
};

[[noreturn]] void ThrowLibraryError(const char* text) { throw LibraryError(text); }

}  // namespace

namespace std {
void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_bad_exception() { throw bad_exception(); }
void __throw_bad_cast() { throw bad_cast(); }
void __throw_bad_typeid() { throw bad_typeid(); }
void __throw_logic_error(const char* text) { ThrowLibraryError(text); }
void __throw_domain_error(const char* text) { ThrowLibraryError(text); }
void __throw_invalid_argument(const char* text) { ThrowLibraryError(text); }
void __throw_length_error(const char* text) { ThrowLibraryError(text); }
void __throw_out_of_range(const char* text) { ThrowLibraryError(text); }
void __throw_out_of_range_fmt(const char* format, ...) { ThrowLibraryError(format); }
void __throw_runtime_error(const char* text) { ThrowLibraryError(text); }
void __throw_range_error(const char* text) { ThrowLibraryError(text); }
void __throw_overflow_error(const char* text) { ThrowLibraryError(text); }
void __throw_underflow_error(const char* text) { ThrowLibraryError(text); }
}  // namespace std
