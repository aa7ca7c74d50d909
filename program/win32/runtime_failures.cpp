// What the C++ runtime calls when it cannot go on, for a program built without exceptions.
//
// The standard library's containers report a failed allocation or a broken precondition (a
// length past max_size(), an index out of range) through the helpers below. Their library
// versions throw, and linking them brings in the exception classes, the unwinder and its thread
// support: over half of the exe's code. Nothing here catches, so a throw could only end the
// program; ending it at once tells the user just as much. They mean an allocation failure or a
// bug in the program, never a fault in what the user typed.
//
// Only the helpers that the program references are defined. Should a new one be needed, the
// library's own file of them comes in for it and the link fails on the ones defined twice.

#include <windows.h>

#include <bits/functexcept.h>

#include <cstdlib>
#include <new>

namespace {

// std::abort would end the same way, but msvcrt shows a GUI program's abort in a modal box
// first. 3 is the exit status an abort leaves.
[[noreturn]] void EndProgram() {
  ExitProcess(3);
}

}  // namespace

namespace std {

void __throw_bad_alloc() {
  EndProgram();
}

void __throw_bad_array_new_length() {
  EndProgram();
}

void __throw_length_error(const char*) {
  EndProgram();
}

void __throw_logic_error(const char*) {
  EndProgram();
}

void __throw_out_of_range_fmt(const char*, ...) {
  EndProgram();
}

}  // namespace std

// The library's operator new calls the new handler and throws std::bad_alloc; the program
// sets no handler.
void* operator new(std::size_t size) {
  if (void* memory = std::malloc(size == 0 ? 1 : size))
    return memory;
  EndProgram();
}

void operator delete(void* memory) noexcept {
  std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept {
  std::free(memory);
}

// The default prints the failure, demangled, to a standard error stream that a GUI program
// does not have.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
  EndProgram();
}
}  // namespace __gnu_cxx
