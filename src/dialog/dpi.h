// The DPI the dialog is laid out for: the system DPI, or the monitor's when
// the thread is per-monitor DPI aware. Every function copes with systems that
// lack the newer DPI functions (Windows 7 has none, 8.1 only shcore's).
#pragma once

#include <windows.h>

#include <optional>

namespace vantrel2 {

struct Dpi {
    int x = USER_DEFAULT_SCREEN_DPI;
    int y = USER_DEFAULT_SCREEN_DPI;
};

// The system DPI, from the screen's device context.
Dpi ScreenDpi();

// The DPI of the monitor `window` is on when this thread is per-monitor DPI
// aware; nothing otherwise, and the system DPI applies.
std::optional<Dpi> PerMonitorDpi(HWND window);

// The dialog rescales itself on a DPI change; the dialog manager of
// per-monitor v2 must not do it a second time.
void KeepDialogManagerFromRescaling(HWND window);

}  // namespace vantrel2
