// Text in the system code page, for settings files a test writes or reads.
#pragma once

#include <string>
#include <string_view>

#include "common/win32/code_page.h"

namespace vantrel2 {

// Every text a test converts has its exact form in the code page.
inline std::string ToAnsi(std::wstring_view text) { return ExactAnsi(text).value(); }

}  // namespace vantrel2
