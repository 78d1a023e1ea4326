#include "platform/windows/Text.h"

#include <gtest/gtest.h>

#include <string>

using platform::windows::utf8;
using platform::windows::wide;

TEST(WindowsText, LettersBeyondAsciiAndBeyondTheBasicPlaneGoThereAndBack) {
    const std::string text = "C:\\Users\\Zo\u00eb \u0141ukasz\\AppData \u2014 \U0001F600";
    const std::wstring system = wide(text);
    EXPECT_EQ(system, L"C:\\Users\\Zo\u00eb \u0141ukasz\\AppData \u2014 \U0001F600");
    EXPECT_EQ(system.size(), text.size() - 1 - 1 - 2 - 2);  // ë, Ł and — one unit each, the face two
    EXPECT_EQ(utf8(system), text);
}

TEST(WindowsText, EmptyStaysEmptyAndAZeroInsideIsKept) {
    EXPECT_EQ(wide(""), L"");
    EXPECT_EQ(utf8(L""), "");
    EXPECT_EQ(utf8(wide(std::string("a\0b", 3))), std::string("a\0b", 3));
}
