#include <windows.h>

#include "HostLibrary.h"
#include "SharedState.h"

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    switch (reason) {
        case DLL_THREAD_DETACH:
            vantrel2::ReleaseThreadSharedState();
            break;
        case DLL_PROCESS_DETACH:
            // At process exit other threads are already gone and their
            // states may be mid-use; only a FreeLibrary cleans up.
            // Each load binds the host library afresh, so each unload gives
            // its reference back.
            if (reserved == nullptr) {
                vantrel2::ReleaseAllSharedState();
                vantrel2::ReleaseHostLibrary();
            }
            break;
        default:
            break;
    }
    return TRUE;
}
