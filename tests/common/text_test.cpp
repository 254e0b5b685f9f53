#include "common/portable/text.h"

#include <gtest/gtest.h>

namespace vantrel2 {
namespace {

using namespace std::string_literals;

TEST(CutAtNull, EndsTheTextAtItsFirstNul) {
    EXPECT_EQ(CutAtNull(L"\0abc"s), L"");
    EXPECT_EQ(CutAtNull(L"ab\0c\0"s), L"ab");
    EXPECT_EQ(CutAtNull(L"abc"), L"abc");
    EXPECT_EQ(CutAtNull(L""), L"");
    EXPECT_EQ(CutAtNull(L"各種\0履歴"s), L"各種");
}

TEST(TrimSpaces, RemovesOnlyAsciiSpacesAtBothEnds) {
    EXPECT_EQ(TrimSpaces(L"  1  "), L"1");
    EXPECT_EQ(TrimSpaces(L"   "), L"");
    EXPECT_EQ(TrimSpaces(L""), L"");
    EXPECT_EQ(TrimSpaces(L" a b "), L"a b");
    EXPECT_EQ(TrimSpaces(L"\ta\t"), L"\ta\t");
    EXPECT_EQ(TrimSpaces(L"\x3000x\x3000"), L"\x3000x\x3000");
    EXPECT_EQ(TrimSpaces(L" \nx\n "), L"\nx\n");
}

}  // namespace
}  // namespace vantrel2
