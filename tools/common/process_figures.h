// What the calling process holds, counted from inside it: the system's own
// counters where they answer, and where Wine leaves them at 0 the same things
// counted directly.
#pragma once

#include <windows.h>

namespace vantrel2::figures {

struct ProcessFigures {
    long gdi = 0;                // GR_GDIOBJECTS, or Wine's GDI table
    long user = 0;               // GR_USEROBJECTS (Wine: 0)
    long windows = 0;            // windows of the process
    long handles = 0;            // GetProcessHandleCount, or the handles that answer
    long long privateBytes = 0;  // PrivateUsage (Wine: 0)
    long long committed = 0;     // committed private pages
    DWORD tlsProbe = 0;          // the next free TLS index
};

bool UnderWine();
ProcessFigures MeasureProcess();

}  // namespace vantrel2::figures
