// The entry point of every DLL the project builds (the linker's --entry): the
// stack cookie gets its value before the C runtime's own entry point runs the
// relocations, the constructors and DllMain, so no protected function has a
// frame on the stack yet. Built without the stack protector, like the rest of
// the guard. The name is fixed by an assembler label, so that the linker
// option is the same for 32-bit (where __stdcall decorates) and 64-bit.
#include <windows.h>

#include "runtime/stack_guard.h"

extern "C" {

BOOL WINAPI DllMainCRTStartup(HANDLE instance, DWORD reason, LPVOID reserved);

BOOL WINAPI Vantrel2DllEntry(HANDLE instance, DWORD reason,
                             LPVOID reserved) __asm__("vantrel2_dll_entry");

BOOL WINAPI Vantrel2DllEntry(HANDLE instance, DWORD reason, LPVOID reserved) {
    // Once, before anything else of the image runs; never again, since other
    // threads may by then be inside protected functions of the module.
    if (reason == DLL_PROCESS_ATTACH) vantrel2::SeedStackGuard();
    return DllMainCRTStartup(instance, reason, reserved);
}

}  // extern "C"
