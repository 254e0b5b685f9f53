#include "number.h"

#if defined(__i386__)
#include <cpuid.h>
#endif

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "settings.h"

namespace vantrel2 {
namespace {

// Every floating-point exception masked, the x87 denormal-operand one
// included, and round-to-nearest (53-bit x87 precision) for the scope; then
// the caller's state back exactly. On x86 the x87 unit and SSE each keep
// their own control word, and a host may set them differently (an old
// runtime, a plug-in, or code that changed only one), so each is saved and
// restored from its own value: the runtime's combined _control87 word would
// hand both back as the merge of the two. The exception flags the caller had
// pending are handed back as they were, and ours are dropped.
#if defined(__i386__) || defined(__x86_64__)
class HostFloatingPointState {
  public:
    HostFloatingPointState() noexcept {
        asm volatile("fnstcw %0" : "=m"(savedControl_));
        asm volatile("fnstsw %0" : "=m"(savedStatus_));
        const std::uint16_t ours = static_cast<std::uint16_t>(
            (savedControl_ & ~(kX87Rounding | kX87Precision)) | kX87Masks | kX87Precision53);
        asm volatile("fnclex");
        asm volatile("fldcw %0" : : "m"(ours) : "memory");
        if (HasSse()) {
            asm volatile("stmxcsr %0" : "=m"(savedSse_));
            const std::uint32_t sse = (savedSse_ & ~(kSseRounding | kSseFlags)) | kSseMasks;
            asm volatile("ldmxcsr %0" : : "m"(sse) : "memory");
        }
    }
    ~HostFloatingPointState() {
        // fldenv is the one way to set the x87 flags; the registers' tags and
        // the stack top are taken as they are now.
        X87Environment environment{};
        asm volatile("fnstenv %0" : "=m"(environment));
        environment.control = savedControl_;
        environment.status = static_cast<std::uint16_t>((environment.status & ~kX87StatusFlags) |
                                                        (savedStatus_ & kX87StatusFlags));
        asm volatile("fldenv %0" : : "m"(environment) : "memory");
        if (HasSse()) asm volatile("ldmxcsr %0" : : "m"(savedSse_) : "memory");
    }
    HostFloatingPointState(const HostFloatingPointState&) = delete;
    HostFloatingPointState& operator=(const HostFloatingPointState&) = delete;

  private:
    // The 28-byte protected-mode layout of fnstenv / fldenv.
    struct X87Environment {
        std::uint16_t control, unused1;
        std::uint16_t status, unused2;
        std::uint32_t rest[5];
    };
    static_assert(sizeof(X87Environment) == 28);

    static constexpr std::uint16_t kX87Masks = 0x003F;        // IM DM ZM OM UM PM
    static constexpr std::uint16_t kX87Rounding = 0x0C00;     // RC, 00: to nearest
    static constexpr std::uint16_t kX87Precision = 0x0300;    // PC
    static constexpr std::uint16_t kX87Precision53 = 0x0200;  // PC 10: 53 bits
    // The six exception flags, stack fault and error summary.
    static constexpr std::uint16_t kX87StatusFlags = 0x00FF;
    static constexpr std::uint32_t kSseFlags = 0x003F;
    static constexpr std::uint32_t kSseMasks = 0x1F80;
    static constexpr std::uint32_t kSseRounding = 0x6000;

    static bool HasSse() noexcept {
#if defined(__x86_64__)
        return true;
#else
        unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
        return __get_cpuid(1, &eax, &ebx, &ecx, &edx) && (edx & bit_SSE) != 0;
#endif
    }

    std::uint16_t savedControl_ = 0;
    std::uint16_t savedStatus_ = 0;
    std::uint32_t savedSse_ = 0;
};
#else
class HostFloatingPointState {
  public:
    HostFloatingPointState() noexcept {
        std::feholdexcept(&saved_);
        std::fesetround(FE_TONEAREST);
    }
    ~HostFloatingPointState() { std::fesetenv(&saved_); }
    HostFloatingPointState(const HostFloatingPointState&) = delete;
    HostFloatingPointState& operator=(const HostFloatingPointState&) = delete;

  private:
    std::fenv_t saved_;
};
#endif

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
