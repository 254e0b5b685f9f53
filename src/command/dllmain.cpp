#include <windows.h>

#include "SharedState.h"

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    switch (reason) {
        case DLL_THREAD_DETACH:
            vantrel2::ReleaseThreadSharedState();
            break;
        case DLL_PROCESS_DETACH:
            // At process exit other threads are already gone and their
            // states may be mid-use; only a FreeLibrary cleans up.
            if (reserved == nullptr) vantrel2::ReleaseAllSharedState();
            break;
        default:
            break;
    }
    return TRUE;
}
