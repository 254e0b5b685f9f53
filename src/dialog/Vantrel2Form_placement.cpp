// Where Vantrel2Form's window and controls go: the client area sized from the
// design in twips, the window centred on the primary display and placed by
// the call that shows it.
#include "dialog/Vantrel2Form.h"

namespace vantrel2 {
namespace {

// The outer size of a window of these styles whose client area has the
// dialog's size in twips.
SIZE OuterSizeFor(DWORD style, DWORD exStyle, int twipsPerPixelX, int twipsPerPixelY) {
    RECT outer{0, 0, TwipsToPixels(kClientTwips.width, twipsPerPixelX),
               TwipsToPixels(kClientTwips.height, twipsPerPixelY)};
    ::AdjustWindowRectEx(&outer, style, FALSE, exStyle);
    return {outer.right - outer.left, outer.bottom - outer.top};
}

// Where the load step puts a window of `outer` pixels: centred on the
// primary display in twips, with the rounding rule.
POINT CentredPlace(SIZE outer, int twipsPerPixelX, int twipsPerPixelY) {
    const double screenWidth = double(::GetSystemMetrics(SM_CXSCREEN)) * twipsPerPixelX;
    const double screenHeight = double(::GetSystemMetrics(SM_CYSCREEN)) * twipsPerPixelY;
    return {TwipsToPixels(CentredOrigin(screenWidth, double(outer.cx) * twipsPerPixelX),
                          twipsPerPixelX),
            TwipsToPixels(CentredOrigin(screenHeight, double(outer.cy) * twipsPerPixelY),
                          twipsPerPixelY)};
}

}  // namespace

void Vantrel2Form::PlaceControls() {
    for (const ControlDesign& design : kControlDesigns) {
        HWND control = ::GetDlgItem(window_, design.id);
        if (!control) continue;
        const PixelRect at = ToPixels(design.twips, twipsPerPixelX_, twipsPerPixelY_);
        ::SetWindowPos(control, nullptr, at.left, at.top, at.width, at.height,
                       SWP_NOZORDER | SWP_NOACTIVATE);
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
    }
}

// The outer size that gives the client area its size in twips.
SIZE Vantrel2Form::OuterSize() const {
    return OuterSizeFor(static_cast<DWORD>(::GetWindowLongW(window_, GWL_STYLE)),
                        static_cast<DWORD>(::GetWindowLongW(window_, GWL_EXSTYLE)), twipsPerPixelX_,
                        twipsPerPixelY_);
}

void Vantrel2Form::ApplyClientSize() {
    const SIZE outer = OuterSize();
    ::SetWindowPos(window_, nullptr, 0, 0, outer.cx, outer.cy,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    CorrectClientSize();
}

// Frame metrics can differ from what AdjustWindowRectEx assumes (a caption
// font, a window manager): correct by what the client got.
bool Vantrel2Form::CorrectClientSize() {
    RECT client{};
    RECT window{};
    ::GetClientRect(window_, &client);
    ::GetWindowRect(window_, &window);
    const int missingX = TwipsToPixels(kClientTwips.width, twipsPerPixelX_) - client.right;
    const int missingY = TwipsToPixels(kClientTwips.height, twipsPerPixelY_) - client.bottom;
    if (missingX == 0 && missingY == 0) return false;
    ::SetWindowPos(window_, nullptr, 0, 0, window.right - window.left + missingX,
                   window.bottom - window.top + missingY,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
}

// Sizes the window for its client area and centres it: with the dialog
// manager's call that shows the window where that is sure to come out the
// same (one move fewer), otherwise at once, in one move unless the frame
// turns out other than assumed.
void Vantrel2Form::CentreOnPrimaryDisplay(bool perMonitorDpi) {
    SIZE outer = OuterSize();
    if (CanPlaceAtShow(outer, perMonitorDpi)) {
        const POINT at = CentredPlace(outer, twipsPerPixelX_, twipsPerPixelY_);
        placeAtShow_ = RECT{at.x, at.y, at.x + outer.cx, at.y + outer.cy};
        return;
    }
    for (UINT flags : {0u, static_cast<UINT>(SWP_NOSIZE)}) {
        const POINT at = CentredPlace(outer, twipsPerPixelX_, twipsPerPixelY_);
        ::SetWindowPos(window_, nullptr, at.x, at.y, outer.cx, outer.cy,
                       flags | SWP_NOZORDER | SWP_NOACTIVATE);
        if (flags != 0 || !CorrectClientSize()) return;
        RECT corrected{};
        ::GetWindowRect(window_, &corrected);
        outer = {corrected.right - corrected.left, corrected.bottom - corrected.top};
    }
}

// The frame the dialog manager gave the window is the one OuterSize allows
// for, so the client area will have its size in twips; and at a per-monitor
// DPI the window lies on the primary display already (monitors do not
// overlap), so the move cannot change its DPI.
bool Vantrel2Form::CanPlaceAtShow(SIZE outer, bool perMonitorDpi) const {
    RECT window{};
    RECT client{};
    ::GetWindowRect(window_, &window);
    ::GetClientRect(window_, &client);
    const bool frameAsAssumed = window.right - window.left - client.right ==
                                    outer.cx - TwipsToPixels(kClientTwips.width, twipsPerPixelX_) &&
                                window.bottom - window.top - client.bottom ==
                                    outer.cy - TwipsToPixels(kClientTwips.height, twipsPerPixelY_);
    return frameAsAssumed && (!perMonitorDpi || (window.left >= 0 && window.top >= 0 &&
                                                 window.right <= ::GetSystemMetrics(SM_CXSCREEN) &&
                                                 window.bottom <= ::GetSystemMetrics(SM_CYSCREEN)));
}

void Vantrel2Form::PlaceAsShown(WINDOWPOS& position) {
    if (!placeAtShow_ || !(position.flags & SWP_SHOWWINDOW)) return;
    const RECT at = *placeAtShow_;
    placeAtShow_.reset();
    position.x = at.left;
    position.y = at.top;
    position.cx = at.right - at.left;
    position.cy = at.bottom - at.top;
    position.flags &= ~static_cast<UINT>(SWP_NOMOVE | SWP_NOSIZE);
}

void Vantrel2Form::PlaceNow() {
    if (!placeAtShow_) return;
    const RECT at = *placeAtShow_;
    placeAtShow_.reset();
    ::SetWindowPos(window_, nullptr, at.left, at.top, at.right - at.left, at.bottom - at.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace vantrel2
