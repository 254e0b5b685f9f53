#include "command/TextBoxStatus.h"

#include <cstring>

#include "common/win32/code_page.h"

namespace vantrel2 {

TextBoxStatusA ToAnsiForm(const TextBoxStatusW& wide) noexcept {
    TextBoxStatusA ansi{};
    std::memcpy(ansi.leading, wide.leading, sizeof ansi.leading);
    ansi.field = wide.field;
    AnsiIntoField(std::wstring_view(wide.text, kTextBoxTextLength), ansi.text, sizeof ansi.text);
    return ansi;
}

TextBoxStatusW ToWideForm(const TextBoxStatusA& ansi) noexcept {
    TextBoxStatusW wide{};
    std::memcpy(wide.leading, ansi.leading, sizeof wide.leading);
    wide.field = ansi.field;
    // At most one character per byte, so the result always fits.
    WideFromField(std::string_view(ansi.text, sizeof ansi.text), wide.text, kTextBoxTextLength);
    return wide;
}

}  // namespace vantrel2
