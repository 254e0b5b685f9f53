// Checks of the dialog's layout as it stands on the screen.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "dialog/portable/layout.h"

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

// --- At another DPI ----------------------------------------------------------------
// Wine reads the screen's DPI once, at process start, so a layout at another
// DPI is checked in a child process: the parent test runs the disabled test
// `childTest` of this program with the screen at `dpi`; the child shows the
// dialog, checks it and, when every check passed, reports what it measured.

// In the parent: the child must start, end with 0 and report; `report`, when
// given, gets what it reported.
void MeasureInChildAtDpi(const wchar_t* childTest, DWORD dpi, std::string* report = nullptr);

// In the child: where to report, empty when no parent started the test.
std::wstring DpiReportFile();

// In the child: reports `measured` unless the test has failed.
void ReportMeasured(const std::wstring& reportFile, std::string_view measured);

}  // namespace vantrel2::test
