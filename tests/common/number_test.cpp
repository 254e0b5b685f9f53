#include "number.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <utility>
#ifdef _WIN32
#include <float.h>
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
// exceptions, as some hosts run; State() is the control state a callee must
// hand back unchanged.
class HostLikeFloatingPoint {
  public:
    HostLikeFloatingPoint() {
        std::fegetenv(&saved_);
        std::feclearexcept(FE_ALL_EXCEPT);
#ifdef _WIN32
        unsigned int ignored = 0;
        _controlfp_s(&ignored, _RC_CHOP | _EM_INEXACT | _EM_DENORMAL, _MCW_RC | _MCW_EM);
#else
        std::fesetround(FE_TOWARDZERO);
        feenableexcept(FE_OVERFLOW | FE_UNDERFLOW | FE_INVALID | FE_DIVBYZERO);
#endif
    }
    ~HostLikeFloatingPoint() { std::fesetenv(&saved_); }
    static unsigned State() {
#ifdef _WIN32
        unsigned int word = 0;
        _controlfp_s(&word, 0, 0);
        return word;
#else
        return static_cast<unsigned>(fegetexcept()) << 16 | static_cast<unsigned>(fegetround());
#endif
    }

  private:
    std::fenv_t saved_;
};

TEST(FlagFromSettingText, NeitherTheHostsRoundingNorItsUnmaskedExceptionsMatter) {
    const std::wstring values[] = {
        L"1.5", L"2.5", L"1e400", L"-1e400", L"1e-400", std::wstring(400, L'9'), L"nan", L"inf"};
    std::int16_t flags[std::size(values)] = {};
    std::wstring text;
    unsigned before = 0;
    unsigned after = 0;
    {
        const HostLikeFloatingPoint host;
        before = HostLikeFloatingPoint::State();
        for (size_t i = 0; i < std::size(values); ++i) flags[i] = FlagFromSettingText(values[i]);
        text = NumberText(-0.5);
        after = HostLikeFloatingPoint::State();
    }
    const std::int16_t expected[] = {2, 2, kDefaultFlag, kDefaultFlag, 0, kDefaultFlag, 0, 0};
    for (size_t i = 0; i < std::size(values); ++i) EXPECT_EQ(flags[i], expected[i]) << i;
    EXPECT_EQ(text, L"-0.5");
    EXPECT_EQ(after, before);
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
