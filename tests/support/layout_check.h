// Checks of the dialog's layout as it stands on the screen.
#pragma once

#include <windows.h>

#include <vector>

#include "layout.h"

namespace vantrel2::test {

// The screen's horizontal DPI.
int ScreenDpi();

// Where `control` sits in `dialog`'s client area, in pixels.
PixelRect PlaceInClient(HWND dialog, HWND control);

struct ExpectedControl {
    int id;
    const wchar_t* caption;  // nullptr: not checked
    PixelRect at;
};

// The client size, then for each control its place, caption, visibility and
// font: Meiryo UI, Shift-JIS, normal weight, `fontHeight`, no decoration.
void ExpectLayout(HWND dialog, SIZE client, const std::vector<ExpectedControl>& controls,
                  LONG fontHeight);

}  // namespace vantrel2::test
