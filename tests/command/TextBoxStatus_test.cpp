#include "command/TextBoxStatus.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace vantrel2 {
namespace {

// The text field at its full width of 256 characters, nothing trimmed.
std::wstring FullText(const TextBoxStatusW& wide) {
    return std::wstring(wide.text, kTextBoxTextLength);
}

TextBoxStatusA AnsiWithText(const std::string& bytes) {
    TextBoxStatusA record{};
    std::memset(record.leading, 0xA5, sizeof record.leading);
    std::memcpy(record.text, bytes.data(), std::min(bytes.size(), sizeof record.text));
    record.field = 0x1234;
    return record;
}

TEST(TextBoxStatus, JapaneseTextConvertsToWideAndBack) {
    // "図面A" in code page 932, then zero bytes.
    const TextBoxStatusA ansi = AnsiWithText(
        "\x90\x7d\x96\xca"
        "A");
    const TextBoxStatusW wide = ToWideForm(ansi);
    EXPECT_EQ(std::wstring(wide.text, 3), L"図面A");
    EXPECT_EQ(FullText(wide), std::wstring(L"図面A") + std::wstring(253, L'\0'));
    EXPECT_EQ(wide.field, 0x1234);
    EXPECT_EQ(std::memcmp(wide.leading, ansi.leading, 16), 0);

    const TextBoxStatusA back = ToAnsiForm(wide);
    EXPECT_EQ(std::memcmp(&back, &ansi, offsetof(TextBoxStatusA, filler)), 0);
}

TEST(TextBoxStatus, TextWithoutNulStaysWithinItsField) {
    // 255 letters and a lead byte whose trail byte would be the field's
    // first byte: the lead byte must not pair with what follows the text.
    TextBoxStatusA ansi = AnsiWithText(std::string(255, 'a') + "\x82");
    ansi.field = static_cast<std::int16_t>(0xA0A0);  // 0x82 0xA0 would be あ
    const std::wstring text = FullText(ToWideForm(ansi));
    ASSERT_EQ(text.size(), 256u);
    EXPECT_EQ(text.substr(0, 255), std::wstring(255, L'a'));
    EXPECT_NE(text[255], L'あ');
    EXPECT_NE(text[255], L'\0');

    const std::wstring letters = FullText(ToWideForm(AnsiWithText(std::string(256, 'z'))));
    EXPECT_EQ(letters, std::wstring(256, L'z'));
}

TEST(TextBoxStatus, WideTextTooLongForTheAnsiFieldIsCutAtACharacter) {
    TextBoxStatusW wide{};
    for (auto& c : wide.text) c = L'図';  // two bytes each in code page 932
    wide.field = 7;
    const TextBoxStatusA ansi = ToAnsiForm(wide);
    for (size_t i = 0; i < 256; i += 2) {
        ASSERT_EQ(static_cast<unsigned char>(ansi.text[i]), 0x90u) << i;
        ASSERT_EQ(static_cast<unsigned char>(ansi.text[i + 1]), 0x7Du) << i;
    }
    EXPECT_EQ(ansi.field, 7);
}

TEST(TextBoxStatus, ZeroRecordsStayZero) {
    const TextBoxStatusW zeroWide{};
    const TextBoxStatusA zeroAnsi{};
    const TextBoxStatusA ansi = ToAnsiForm(zeroWide);
    const TextBoxStatusW wide = ToWideForm(zeroAnsi);
    EXPECT_EQ(std::memcmp(&ansi, &zeroAnsi, sizeof ansi), 0);
    EXPECT_EQ(std::memcmp(&wide, &zeroWide, sizeof wide), 0);
}

}  // namespace
}  // namespace vantrel2
