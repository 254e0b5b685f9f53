// Text helpers shared by the settings code and the dialog. No Windows headers:
// these run natively under the sanitizers and the fuzzer too.
#pragma once

#include <string>
#include <string_view>

namespace vantrel2 {

// The text before the first NUL, or the whole text when it holds none.
std::wstring CutAtNull(std::wstring_view text);

// Removes leading and trailing U+0020 only; tabs, line breaks and the
// ideographic space stay.
std::wstring TrimSpaces(std::wstring_view text);

}  // namespace vantrel2
