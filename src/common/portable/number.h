// Numbers as the settings file stores them. The functions here run inside
// the host's process on its thread: whatever floating-point state the host
// keeps (a rounding mode, unmasked exceptions), they raise no floating-point
// exception and hand the state back as they found it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel2 {

// Lenient parse: leading blanks (space, tab, CR, LF) skipped, then the longest
// prefix of the form [+-]digits[.digits][(E|e|D|d)[+-]digits] taken; 0 when
// there is no such prefix. Too large a number gives an infinity.
double ParseLeadingNumber(std::wstring_view text);

// The nearest integer, a tie to the even one, whatever rounding mode the
// caller's floating-point unit is in.
double RoundHalfEven(double value);

// RoundHalfEven as a 16-bit signed integer; nothing when the result does not
// fit (NaN and infinities included).
std::optional<std::int16_t> RoundToInt16(double value);

// The check-box value a stored flag's text loads as (a missing or empty one
// loads as kTicked without coming here). A number that is not a check-box value
// (0, 1 or 2 after rounding) loads as the default 1 (ticked), so that one bad
// edit of the settings file cannot keep the command from starting.
std::int16_t FlagFromSettingText(std::wstring_view text);

// Decimal text of a number: at most 15 significant digits, exponent form
// outside 1E-5 .. 1E+15, and a pure fraction written with its leading zero
// (0.5, -0.5).
std::wstring NumberText(double value);

}  // namespace vantrel2
