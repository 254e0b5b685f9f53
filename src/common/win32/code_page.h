// Every conversion between the command's wide text and a code page: the ANSI
// boundary (the profile functions, the host's records) and UTF-8 for logs.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel2 {

// The system code page, exactly: nothing for text with a character the code
// page lacks, never a best-fit look-alike, which could turn a path into
// another (U+00A5 into '\' in code page 932).
std::optional<std::string> ExactAnsi(std::wstring_view text);

// The system's ordinary conversion, as the ANSI profile functions have always
// applied it: what the code page lacks becomes its best fit or its default
// character. For names, never for paths.
std::string OrdinaryAnsi(std::wstring_view text);

std::wstring FromAnsi(std::string_view bytes);

// UTF-8 for a console or a log.
std::string Utf8(std::wstring_view text);

// Fixed-width fields of a host record. Into `size` bytes, as many whole
// characters of `text` as fit, in the ordinary conversion; every byte after
// them is zero.
void AnsiIntoField(std::wstring_view text, char* field, std::size_t size) noexcept;
// Every byte of `field`, at most `size` characters of it, the rest zero.
void WideFromField(std::string_view field, wchar_t* text, std::size_t size) noexcept;

}  // namespace vantrel2
