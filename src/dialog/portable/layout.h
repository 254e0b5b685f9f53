// The deletion dialog's design: every control's place in twips, its caption,
// tab order and name for screen readers, and the twip arithmetic that turns
// them into pixels.
// Portable: no Windows headers.
#pragma once

#include <array>
#include <cstddef>

#include "common/portable/rows.h"

namespace vantrel2 {

inline constexpr wchar_t kVantrel2FormCaption[] = L"各種履歴･情報ファイル削除";

struct TwipRect {
    int left, top, width, height;
};

struct PixelRect {
    int left, top, width, height;
    bool operator==(const PixelRect&) const = default;
};

enum class ControlKind { CheckBox, TextBox, Button };

struct ControlDesign {
    int id;  // control id; never IDOK (1) or IDCANCEL (2), so Esc reaches no button
    ControlKind kind;
    const wchar_t* caption;
    TwipRect twips;
    int tabIndex;
    // What a screen reader calls a control whose caption does not say what
    // it is for; nullptr: the system's name (the caption).
    const wchar_t* accessibleName;
};

// Control ids beside the rows' own (rows.h).
inline constexpr int kCommand1Id = 231;
inline constexpr int kCommand2Id = 232;
inline constexpr int kCheck1Id = 241;

inline constexpr TwipRect kClientTwips{0, 0, 8295, 3450};

// In the order the designer lists them, top to bottom.
// clang-format off
inline constexpr std::array<ControlDesign, 12> kControlDesigns = {{
    {kRows[0].check2Id, ControlKind::CheckBox, kRows[0].caption.data(), {240, 120, 2655, 255}, 3, nullptr},
    {kRows[0].text2Id, ControlKind::TextBox, L"", {240, 480, 7335, 330}, 4, kRows[0].pathName.data()},
    {kRows[0].command4Id, ControlKind::Button, L"...", {7680, 480, 375, 330}, 9, kRows[0].browseName.data()},
    {kRows[1].check2Id, ControlKind::CheckBox, kRows[1].caption.data(), {240, 1080, 2775, 255}, 5, nullptr},
    {kRows[1].text2Id, ControlKind::TextBox, L"", {240, 1440, 7335, 330}, 7, kRows[1].pathName.data()},
    {kRows[1].command4Id, ControlKind::Button, L"...", {7680, 1440, 375, 330}, 10, kRows[1].browseName.data()},
    {kRows[2].check2Id, ControlKind::CheckBox, kRows[2].caption.data(), {240, 2040, 2295, 255}, 6, nullptr},
    {kRows[2].text2Id, ControlKind::TextBox, L"", {240, 2400, 7335, 330}, 8, kRows[2].pathName.data()},
    {kRows[2].command4Id, ControlKind::Button, L"...", {7680, 2400, 375, 330}, 11, kRows[2].browseName.data()},
    {kCommand1Id, ControlKind::Button, L"削除実行(&G)", {4080, 2880, 1695, 375}, 2, nullptr},
    {kCommand2Id, ControlKind::Button, L"中止(&C)", {5880, 2880, 1695, 375}, 1, nullptr},
    {kCheck1Id, ControlKind::CheckBox, L"確認メッセージ表示", {1440, 2940, 1815, 255}, 0, nullptr},
}};
// clang-format on

// The designs sorted by tab index: the order in which the controls are
// created, which is the order the dialog manager tabs through.
std::array<ControlDesign, kControlDesigns.size()> ControlsInTabOrder();

// Whole twips per pixel at a DPI: 1440 / dpi, truncated (15 at 96, 12 at
// 120, 10 at 144); 15 for a DPI that makes no sense.
int TwipsPerPixel(int dpi);

// Twips to the nearest pixel, a tie to the even one.
int TwipsToPixels(int twips, int twipsPerPixel);

PixelRect ToPixels(const TwipRect& twips, int twipsPerPixelX, int twipsPerPixelY);

// Where a window of `outerTwips` goes to be centred on `screenTwips`: the
// difference rounded to the nearest integer (a tie to the even one), then
// halved with the quotient truncated toward zero. A window larger than the
// screen gets a negative origin.
int CentredOrigin(double screenTwips, double outerTwips);

}  // namespace vantrel2
