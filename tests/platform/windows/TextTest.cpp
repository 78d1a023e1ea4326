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

TEST(WindowsText, BytesThatAreNotUtf8ComeBackAsTheyWent) {
    for (const std::string& bytes : {std::string("R\xff\xfe 10"), std::string("\xc3"), std::string("\xed\xa0\x80"),
                                     std::string("\xc0\xaf"), std::string("\xf4\x90\x80\x80")})
        EXPECT_EQ(utf8(wide(bytes)), bytes);
    EXPECT_EQ(wide("R\xff"), L"R\xdcff");
}
