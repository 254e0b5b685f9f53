// The entry point of every program the project builds (the tests and the
// stand-ins, with the linker's --entry): seeds the stack cookie, then starts
// the C runtime as its own entry point would. See stack_guard_dll_entry.cpp.
#include "runtime/stack_guard.h"

extern "C" {

int mainCRTStartup();

int Vantrel2ExeEntry() __asm__("vantrel2_exe_entry");

int Vantrel2ExeEntry() {
    vantrel2::SeedStackGuard();
    return mainCRTStartup();
}

}  // extern "C"
