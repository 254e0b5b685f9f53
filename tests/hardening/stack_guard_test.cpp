// An overrun in a program that carries the module's stack guard ends the
// process at once with STATUS_STACK_BUFFER_OVERRUN: no exception handler of
// the host's sees it, so none can carry on with the broken stack.
#include <gtest/gtest.h>

#include <windows.h>

#include "child_process.h"

namespace vantrel2 {
namespace {

volatile size_t overrun = 0;  // unknown to the compiler

// An array on the stack, so a cookie past it.
[[gnu::noinline]] void Overrun() {
    volatile char buffer[16];
    for (size_t i = 0; i < sizeof buffer + overrun; ++i) buffer[i] = 'x';
}

// A host's handler: had it seen the overrun, the exit code would be 1.
LONG CALLBACK EndAsSeen(EXCEPTION_POINTERS*) { ::ExitProcess(1); }

TEST(StackGuard, DISABLED_OverrunInAChild) {
    ::AddVectoredExceptionHandler(1, EndAsSeen);
    overrun = 64;
    Overrun();
}

TEST(StackGuard, AnOverrunEndsTheProcessBeforeAnyExceptionHandler) {
    const test::ChildResult child =
        test::RunChild(test::OwnTestCommandLine(L"StackGuard.DISABLED_OverrunInAChild"));
    EXPECT_EQ(child.exitCode, static_cast<DWORD>(STATUS_STACK_BUFFER_OVERRUN)) << child.output;
}

}  // namespace
}  // namespace vantrel2
