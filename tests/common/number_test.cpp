#include "common/portable/number.h"

#include "common/portable/settings.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <utility>
#ifdef _WIN32
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
    EXPECT_EQ(FlagFromSettingText(L"3"), kTicked);
    EXPECT_EQ(FlagFromSettingText(L"2.6"), kTicked);
    EXPECT_EQ(FlagFromSettingText(L"-1"), kTicked);
    EXPECT_EQ(FlagFromSettingText(L"40000"), kTicked);
    EXPECT_EQ(FlagFromSettingText(L"-40000"), kTicked);
    EXPECT_EQ(FlagFromSettingText(L"1e999"), kTicked);
}

// A host thread whose one unit rounds toward zero and traps on every
// exception but the inexact one (the denormal-operand one included), while
// the other stays at its default, with an inexact flag pending in both.
// State() is the raw state a callee must hand back unchanged: both control
// words and the pending flags.
#if defined(__i386__) || defined(__x86_64__)
class HostLikeFloatingPoint {
  public:
    enum Unit { X87, Sse };
    static constexpr Unit kUnits[] = {X87, Sse};
    explicit HostLikeFloatingPoint(Unit changed) {
        std::fegetenv(&saved_);
        std::uint32_t sse = (changed == Sse ? 0x6000 | 0x1000 : 0x1F80) | 0x20;
        asm volatile("ldmxcsr %0" : : "m"(sse));
        std::uint16_t environment[14] = {};
        asm volatile("fnstenv %0" : "=m"(environment));
        if (changed == X87) environment[0] = 0x0C00 | 0x0200 | 0x0040 | 0x0020;
        environment[2] = static_cast<std::uint16_t>((environment[2] & ~0xFF) | 0x20);
        asm volatile("fldenv %0" : : "m"(environment));
    }
    ~HostLikeFloatingPoint() { std::fesetenv(&saved_); }
    static std::string State() {
        std::uint16_t control = 0, status = 0;
        std::uint32_t sse = 0;
        asm volatile("fnstcw %0" : "=m"(control));
        asm volatile("fnstsw %0" : "=m"(status));
        asm volatile("stmxcsr %0" : "=m"(sse));
        char text[64];
        std::snprintf(text, sizeof text, "x87 control %04x flags %02x, mxcsr %08x", control,
                      status & 0xFF, static_cast<unsigned>(sse));
        return text;
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
        {L"1e400", kTicked},
        {L"-1e400", kTicked},
        {L"1e-400", 0},
        {std::wstring(400, L'9'), kTicked},
        {L"nan", 0},
        {L"inf", 0},
        // Denormal numbers, which trap where the denormal exception is unmasked.
        {L"1e-310", 0},
        {L"4.9e-324", 0},
        {L"2.2e-308", 0},
        {L"1e-320", 0},
    };
    bool ok = true;
    for (const auto unit : HostLikeFloatingPoint::kUnits) {
        const HostLikeFloatingPoint host(unit);
        const std::string before = HostLikeFloatingPoint::State();
        for (const auto& [value, flag] : cases) {
            const std::int16_t loaded = FlagFromSettingText(value);
            if (loaded != flag) {
                std::fprintf(stderr, "%ls loads as %d\n", value.c_str(), loaded);
                ok = false;
            }
        }
        if (NumberText(-0.5) != L"-0.5") ok = false;
        if (const std::string after = HostLikeFloatingPoint::State(); after != before) {
            std::fprintf(stderr, "%s became %s\n", before.c_str(), after.c_str());
            ok = false;
        }
    }
    std::exit(ok ? 0 : 1);
}

TEST(FlagFromSettingTextDeathTest, NeitherTheHostsRoundingNorItsUnmaskedExceptionsMatter) {
    EXPECT_EXIT(LoadUnderTheHostsState(), ::testing::ExitedWithCode(0), "");
}
#endif

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
