#include "common/portable/number.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "runtime/floating_point.h"
#include "common/portable/settings.h"

namespace vantrel2 {
namespace {

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

// The runtime's plain conversion: up to 15 significant digits, a leading zero
// before the point left out, exponent form for very large or small values.
std::string PlainText(double value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value < 0 ? "-Inf" : "Inf";
    if (value == 0) return "0";

    // d.dddddddddddddde[+-]x, rounded to 15 significant digits. (printf
    // rather than std::to_chars: the latter's tables would triple the DLL.)
    char buffer[64];
    const int length = std::snprintf(buffer, sizeof buffer, "%.14e", value);
    std::string scientific(buffer, static_cast<size_t>(length > 0 ? length : 0));

    std::string sign;
    if (scientific[0] == '-') {
        sign = "-";
        scientific.erase(0, 1);
    }
    const auto e = scientific.find('e');
    const int exponent = static_cast<int>(std::strtol(scientific.c_str() + e + 1, nullptr, 10));
    std::string digits = scientific.substr(0, 1) + scientific.substr(2, e - 2);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    if (exponent >= 15 || exponent < -5) {
        std::string text = sign + digits.substr(0, 1);
        if (digits.size() > 1) text += "." + digits.substr(1);
        const int magnitude = exponent < 0 ? -exponent : exponent;
        text += exponent < 0 ? "E-" : "E+";
        if (magnitude < 10) text += "0";
        return text + std::to_string(magnitude);
    }
    if (exponent < 0) {
        return sign + "." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
    }
    const auto integerDigits = static_cast<size_t>(exponent) + 1;
    if (digits.size() <= integerDigits) {
        return sign + digits + std::string(integerDigits - digits.size(), '0');
    }
    return sign + digits.substr(0, integerDigits) + "." + digits.substr(integerDigits);
}

std::wstring Widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

}  // namespace

double ParseLeadingNumber(std::wstring_view text) {
    const HostFloatingPointState state;
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;

    std::string number;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
        if (text[i] == L'-') number += '-';
        ++i;
    }
    size_t mantissaDigits = 0;
    while (i < text.size() && IsDigit(text[i])) {
        number += static_cast<char>(text[i++]);
        ++mantissaDigits;
    }
    if (i < text.size() && text[i] == L'.') {
        ++i;
        std::string fraction;
        while (i < text.size() && IsDigit(text[i])) fraction += static_cast<char>(text[i++]);
        if (!fraction.empty()) number += "." + fraction;
        mantissaDigits += fraction.size();
    }
    if (mantissaDigits == 0) return 0.0;

    if (i < text.size() &&
        (text[i] == L'E' || text[i] == L'e' || text[i] == L'D' || text[i] == L'd')) {
        size_t j = i + 1;
        std::string exponent = "e";
        if (j < text.size() && (text[j] == L'+' || text[j] == L'-')) {
            if (text[j] == L'-') exponent += '-';
            ++j;
        }
        const size_t exponentStart = exponent.size();
        while (j < text.size() && IsDigit(text[j])) exponent += static_cast<char>(text[j++]);
        if (exponent.size() > exponentStart) number += exponent;
    }

    // The prefix is plain decimal ASCII with a '.' point, which strtod reads
    // the same in the "C" locale the command runs in; too large gives HUGE_VAL.
    return std::strtod(number.c_str(), nullptr);
}

double RoundHalfEven(double value) {
    const HostFloatingPointState state;
    // floor, the subtraction and fmod are exact, so no rounding mode applies.
    const double floor = std::floor(value);
    const double fraction = value - floor;
    if (fraction > 0.5) return floor + 1.0;
    if (fraction < 0.5) return floor;
    return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

std::optional<std::int16_t> RoundToInt16(double value) {
    if (!std::isfinite(value)) return std::nullopt;
    const double rounded = RoundHalfEven(value);
    if (rounded < -32768.0 || rounded > 32767.0) return std::nullopt;
    return static_cast<std::int16_t>(rounded);
}

std::int16_t FlagFromSettingText(std::wstring_view text) {
    // One guard for the whole load: the parsed number travels between the
    // steps in floating-point registers, where a tiny one traps as well.
    const HostFloatingPointState state;
    const auto flag = RoundToInt16(ParseLeadingNumber(text));
    if (!flag || *flag < 0 || *flag > 2) return kTicked;
    return *flag;
}

std::wstring NumberText(double value) {
    const HostFloatingPointState state;
    if (value == 0) return Widen(PlainText(value));
    if (value > 0) {
        if (value < 1) return L"0" + Widen(PlainText(value));
        return Widen(PlainText(value));
    }
    if (std::fabs(value) < 1) return L"-0" + Widen(PlainText(std::fabs(value)));
    return Widen(PlainText(value));
}

}  // namespace vantrel2
