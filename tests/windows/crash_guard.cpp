// Fails the whole test program on an access violation or another fatal fault. Wine otherwise
// reports a fault inside a window procedure as "ignoring exception" and carries on.

#include <windows.h>

#include <cstdio>

namespace {

LONG CALLBACK FailOnFault(EXCEPTION_POINTERS* info) {
  DWORD code = info->ExceptionRecord->ExceptionCode;
  if (code == EXCEPTION_ACCESS_VIOLATION || code == EXCEPTION_ILLEGAL_INSTRUCTION ||
      code == EXCEPTION_STACK_OVERFLOW || code == EXCEPTION_INT_DIVIDE_BY_ZERO) {
    std::fprintf(stderr, "FATAL: exception 0x%08lx at %p\n", static_cast<unsigned long>(code),
                 info->ExceptionRecord->ExceptionAddress);
    std::fflush(stderr);
    ::TerminateProcess(::GetCurrentProcess(), 3);
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

const PVOID kGuard = ::AddVectoredExceptionHandler(1, FailOnFault);

}  // namespace
