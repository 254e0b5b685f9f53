#include "layout_check.h"

#include <gtest/gtest.h>

#include "window_driver.h"

namespace vantrel2::test {
namespace {

LOGFONTW FontOf(HWND control) {
    LOGFONTW font{};
    const auto handle = reinterpret_cast<HGDIOBJ>(::SendMessageW(control, WM_GETFONT, 0, 0));
    EXPECT_NE(handle, nullptr) << ::GetDlgCtrlID(control);
    if (handle) ::GetObjectW(handle, sizeof(font), &font);
    return font;
}

}  // namespace

int ScreenDpi() {
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
    ::ReleaseDC(nullptr, screen);
    return dpi;
}

PixelRect PlaceInClient(HWND dialog, HWND control) {
    RECT r{};
    ::GetWindowRect(control, &r);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

void ExpectLayout(HWND dialog, SIZE client, const std::vector<ExpectedControl>& controls,
                  LONG fontHeight) {
    RECT clientRect{};
    ::GetClientRect(dialog, &clientRect);
    EXPECT_EQ(clientRect.right, client.cx);
    EXPECT_EQ(clientRect.bottom, client.cy);
    for (const ExpectedControl& expected : controls) {
        SCOPED_TRACE(expected.id);
        HWND control = ::GetDlgItem(dialog, expected.id);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(PlaceInClient(dialog, control), expected.at);
        if (expected.caption) {
            EXPECT_EQ(WindowText(control), expected.caption);
        }
        EXPECT_TRUE(::IsWindowVisible(control));
        const LOGFONTW font = FontOf(control);
        EXPECT_STREQ(font.lfFaceName, L"Meiryo UI");
        EXPECT_EQ(font.lfCharSet, SHIFTJIS_CHARSET);
        EXPECT_EQ(font.lfWeight, FW_NORMAL);
        EXPECT_EQ(font.lfHeight, fontHeight);
        EXPECT_FALSE(font.lfItalic || font.lfUnderline || font.lfStrikeOut);
    }
}

}  // namespace vantrel2::test
