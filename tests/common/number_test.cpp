#include "number.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <utility>
#ifdef _WIN32
#include <float.h>
#include <windows.h>
#endif

namespace vantrel2 {
namespace {

TEST(ParseLeadingNumber, TakesTheLongestNumericPrefix) {
    EXPECT_EQ(ParseLeadingNumber(L"1"), 1.0);
    EXPECT_EQ(ParseLeadingNumber(L"  \t42abc"), 42.0);
    EXPECT_EQ(ParseLeadingNumber(L"-1.5x"), -1.5);
    EXPECT_EQ(ParseLeadingNumber(L"+2"), 2.0);
    EXPECT_EQ(ParseLeadingNumber(L".5"), 0.5);
    EXPECT_EQ(ParseLeadingNumber(L"2."), 2.0);
    EXPECT_EQ(ParseLeadingNumber(L"1e3"), 1000.0);
    EXPECT_EQ(ParseLeadingNumber(L"1D2"), 100.0);
    EXPECT_EQ(ParseLeadingNumber(L"1e"), 1.0);  // exponent without digits: not part of it
    EXPECT_EQ(ParseLeadingNumber(L"1e+"), 1.0);
    EXPECT_EQ(ParseLeadingNumber(L"3 4"), 3.0);
}

TEST(ParseLeadingNumber, GivesZeroWithoutANumber) {
    EXPECT_EQ(ParseLeadingNumber(L""), 0.0);
    EXPECT_EQ(ParseLeadingNumber(L"abc"), 0.0);
    EXPECT_EQ(ParseLeadingNumber(L"-"), 0.0);
    EXPECT_EQ(ParseLeadingNumber(L"."), 0.0);
    EXPECT_EQ(ParseLeadingNumber(L"e5"), 0.0);
    EXPECT_EQ(ParseLeadingNumber(std::wstring_view(L"\x0000\x0031", 2)), 0.0);  // a NUL is no blank
    EXPECT_EQ(ParseLeadingNumber(L"１"), 0.0);  // full-width digits are not digits here
}

TEST(ParseLeadingNumber, OverflowGivesInfinityAndUnderflowZero) {
    EXPECT_TRUE(std::isinf(ParseLeadingNumber(L"1e999")));
    EXPECT_LT(ParseLeadingNumber(L"-1e999"), 0.0);
    EXPECT_EQ(ParseLeadingNumber(L"1e-999"), 0.0);
    EXPECT_EQ(ParseLeadingNumber(std::wstring(300, L'9')), 1e300);
}

TEST(RoundToInt16, RoundsHalfToEvenWithinRange) {
    EXPECT_EQ(RoundToInt16(1.5), 2);
    EXPECT_EQ(RoundToInt16(2.5), 2);
    EXPECT_EQ(RoundToInt16(-0.5), 0);
    EXPECT_EQ(RoundToInt16(-1.5), -2);
    EXPECT_EQ(RoundToInt16(0.49999999999999994), 0);
    EXPECT_EQ(RoundToInt16(32767.4), 32767);
    EXPECT_EQ(RoundToInt16(-32768.5), -32768);
    EXPECT_EQ(RoundToInt16(32767.5), std::nullopt);
    EXPECT_EQ(RoundToInt16(-32768.6), std::nullopt);
    EXPECT_EQ(RoundToInt16(std::numeric_limits<double>::quiet_NaN()), std::nullopt);
    EXPECT_EQ(RoundToInt16(std::numeric_limits<double>::infinity()), std::nullopt);
}

TEST(FlagFromSettingText, LoadsCheckBoxValues) {
    const std::pair<const wchar_t*, std::int16_t> cases[] = {
        {L"1", 1},   {L"0", 0},   {L"2", 2},    {L"1.5", 2},
        {L"2.5", 2}, {L"0.5", 0}, {L"-0.4", 0}, {L"abc", 0},  // no number at its start
        {L"", 0},
    };
    for (const auto& [text, flag] : cases) EXPECT_EQ(FlagFromSettingText(text), flag) << text;
}

TEST(FlagFromSettingText, ANumberThatIsNoCheckBoxValueLoadsTheDefault) {
    EXPECT_EQ(FlagFromSettingText(L"3"), kDefaultFlag);
    EXPECT_EQ(FlagFromSettingText(L"2.6"), kDefaultFlag);
    EXPECT_EQ(FlagFromSettingText(L"-1"), kDefaultFlag);
    EXPECT_EQ(FlagFromSettingText(L"40000"), kDefaultFlag);
    EXPECT_EQ(FlagFromSettingText(L"-40000"), kDefaultFlag);
    EXPECT_EQ(FlagFromSettingText(L"1e999"), kDefaultFlag);
}

// A host thread that rounds toward zero and has unmasked the floating-point
// exceptions (on x86 Windows the denormal-operand one too, which only
// _control87 can unmask), as some hosts run; State() is the control state a
// callee must hand back unchanged.
class HostLikeFloatingPoint {
  public:
    HostLikeFloatingPoint() {
        std::fegetenv(&saved_);
        std::feclearexcept(FE_ALL_EXCEPT);
#ifdef _WIN32
        _control87(_RC_CHOP | _EM_INEXACT, _MCW_RC | _MCW_EM);
#else
        std::fesetround(FE_TOWARDZERO);
        feenableexcept(FE_OVERFLOW | FE_UNDERFLOW | FE_INVALID | FE_DIVBYZERO);
#endif
    }
    ~HostLikeFloatingPoint() { std::fesetenv(&saved_); }
    static unsigned State() {
#ifdef _WIN32
        return _control87(0, 0);
#else
        return static_cast<unsigned>(fegetexcept()) << 16 | static_cast<unsigned>(fegetround());
#endif
    }

  private:
    std::fenv_t saved_;
};

#ifdef _WIN32
LONG WINAPI EndAsTrapped(EXCEPTION_POINTERS*) { std::_Exit(3); }
#endif

// Loads every value under the host's state and exits 0 when each loads as
// expected and the state comes back unchanged. It runs in a child process: an
// exception that traps ends that process, not the test program.
[[noreturn]] void LoadUnderTheHostsState() {
#ifdef _WIN32
    ::SetUnhandledExceptionFilter(EndAsTrapped);
#endif
    const std::pair<std::wstring, std::int16_t> cases[] = {
        {L"1.5", 2},
        {L"2.5", 2},
        {L"1e400", kDefaultFlag},
        {L"-1e400", kDefaultFlag},
        {L"1e-400", 0},
        {std::wstring(400, L'9'), kDefaultFlag},
        {L"nan", 0},
        {L"inf", 0},
        // Denormal numbers, which trap where the denormal exception is unmasked.
        {L"1e-310", 0},
        {L"4.9e-324", 0},
        {L"2.2e-308", 0},
        {L"1e-320", 0},
    };
    bool ok = true;
    {
        const HostLikeFloatingPoint host;
        const unsigned before = HostLikeFloatingPoint::State();
        for (const auto& [value, flag] : cases) {
            const std::int16_t loaded = FlagFromSettingText(value);
            if (loaded != flag) {
                std::fprintf(stderr, "%ls loads as %d\n", value.c_str(), loaded);
                ok = false;
            }
        }
        if (NumberText(-0.5) != L"-0.5") ok = false;
        if (HostLikeFloatingPoint::State() != before) {
            std::fprintf(stderr, "control state changed\n");
            ok = false;
        }
    }
    std::exit(ok ? 0 : 1);
}

TEST(FlagFromSettingTextDeathTest, NeitherTheHostsRoundingNorItsUnmaskedExceptionsMatter) {
    EXPECT_EXIT(LoadUnderTheHostsState(), ::testing::ExitedWithCode(0), "");
}

TEST(NumberText, WritesCheckBoxValuesAndFractions) {
    EXPECT_EQ(NumberText(0), L"0");
    EXPECT_EQ(NumberText(-0.0), L"0");
    EXPECT_EQ(NumberText(1), L"1");
    EXPECT_EQ(NumberText(2), L"2");
    EXPECT_EQ(NumberText(0.5), L"0.5");
    EXPECT_EQ(NumberText(0.25), L"0.25");
    EXPECT_EQ(NumberText(-0.5), L"-0.5");
    EXPECT_EQ(NumberText(-3), L"-3");
    EXPECT_EQ(NumberText(-32768), L"-32768");
    EXPECT_EQ(NumberText(1.5), L"1.5");
    EXPECT_EQ(NumberText(100), L"100");
}

TEST(NumberText, KeepsFifteenSignificantDigits) {
    EXPECT_EQ(NumberText(123456789012345.0), L"123456789012345");
    EXPECT_EQ(NumberText(1.23456789012345), L"1.23456789012345");
    EXPECT_EQ(NumberText(0.123456789012345678), L"0.123456789012346");
    EXPECT_EQ(NumberText(1.0 / 3.0), L"0.333333333333333");
    EXPECT_EQ(NumberText(2.0 / 3.0), L"0.666666666666667");
    EXPECT_EQ(NumberText(1234567890123456.0), L"1.23456789012346E+15");
    EXPECT_EQ(NumberText(1e15), L"1E+15");
    EXPECT_EQ(NumberText(0.0001), L"0.0001");
    EXPECT_EQ(NumberText(-1e20), L"-1E+20");
    EXPECT_EQ(NumberText(1e-300), L"01E-300");  // a fraction gains its zero even here
}

}  // namespace
}  // namespace vantrel2
