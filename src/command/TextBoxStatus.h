// The record the host's VekGetTextBoxStatus fills, in the host's ANSI form
// and in the command's wide form.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace vantrel2 {

inline constexpr size_t kTextBoxTextLength = 256;

#pragma pack(push, 1)
struct TextBoxStatusA {
    std::uint8_t leading[16];
    char text[kTextBoxTextLength];  // system code page; need not end in NUL
    std::int16_t field;
    std::uint8_t filler[2];
};
struct TextBoxStatusW {
    std::uint8_t leading[16];
    wchar_t text[kTextBoxTextLength];
    std::int16_t field;
    std::uint8_t filler[2];
};
#pragma pack(pop)
static_assert(sizeof(TextBoxStatusA) == 276);
static_assert(sizeof(TextBoxStatusW) == 532);
static_assert(offsetof(TextBoxStatusA, field) == 272);
static_assert(offsetof(TextBoxStatusW, field) == 528);

// Copies the leading block and the 16-bit field and converts the text in the
// system code page. Only the 256 bytes (characters) of the text field are
// read; a double-byte character cut at the field's end becomes the code
// page's default character, and text that does not fit is cut at a character
// boundary. What is left of the target's text field is zero.
TextBoxStatusA ToAnsiForm(const TextBoxStatusW& wide) noexcept;
TextBoxStatusW ToWideForm(const TextBoxStatusA& ansi) noexcept;

}  // namespace vantrel2
