#include <windows.h>

#include "command/HostLibrary.h"
#include "common/SharedState.h"
#include "command/TypeLibrary.h"
#include "dialog/form_icon.h"

// cppcheck-suppress constParameter ; the loader's signature
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    switch (reason) {
        case DLL_PROCESS_ATTACH: {
            // The statically linked runtime keeps thread-local storage that
            // it never gives back, so a host that loads and frees the DLL for
            // each command (CoFreeUnusedLibraries) would run its process out
            // of TLS. Once loaded, the module stays until the process ends.
            HMODULE pinned = nullptr;
            ::GetModuleHandleExW(
                GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                reinterpret_cast<LPCWSTR>(instance), &pinned);
            break;
        }
        case DLL_THREAD_DETACH:
            vantrel2::ReleaseThreadSharedState();
            break;
        case DLL_PROCESS_DETACH:
            // Only where the pin above failed does a FreeLibrary get here;
            // then everything the module took goes back. At process exit
            // other threads are already gone and their states may be mid-use.
            if (reserved == nullptr) {
                vantrel2::ReleaseAllSharedState();
                vantrel2::ReleaseCommandTypeInfo();
                vantrel2::ReleaseFormIcons();
                vantrel2::ReleaseHostLibrary();
            }
            break;
        default:
            break;
    }
    return TRUE;
}
