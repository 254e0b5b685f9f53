#include "TextBoxStatus.h"

#include <cstring>

namespace vantrel2 {

TextBoxStatusA ToAnsiForm(const TextBoxStatusW& wide) noexcept {
    TextBoxStatusA ansi{};
    std::memcpy(ansi.leading, wide.leading, sizeof ansi.leading);
    ansi.field = wide.field;
    // Double-byte characters may not all fit: drop characters from the end
    // until the rest converts within the field.
    for (int count = static_cast<int>(kTextBoxTextLength); count > 0; --count) {
        const int written =
            ::WideCharToMultiByte(CP_ACP, 0, wide.text, count, ansi.text,
                                  static_cast<int>(sizeof ansi.text), nullptr, nullptr);
        if (written > 0) break;
        std::memset(ansi.text, 0, sizeof ansi.text);
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
    }
    return ansi;
}

TextBoxStatusW ToWideForm(const TextBoxStatusA& ansi) noexcept {
    TextBoxStatusW wide{};
    std::memcpy(wide.leading, ansi.leading, sizeof wide.leading);
    wide.field = ansi.field;
    // At most one character per byte, so the result always fits.
    ::MultiByteToWideChar(CP_ACP, 0, ansi.text, static_cast<int>(sizeof ansi.text), wide.text,
                          static_cast<int>(kTextBoxTextLength));
    return wide;
}

std::wstring FullText(const TextBoxStatusW& wide) {
    return std::wstring(wide.text, kTextBoxTextLength);
}

}  // namespace vantrel2
