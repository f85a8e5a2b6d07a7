// The browser module's windows-1252 table (src/platform/web/text_1252.cpp),
// compiled natively: every byte to its character and back, and every
// character the code page lacks to '?'.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/web/text_1252.h"

extern "C" void velmoraWebHostText(char* utf8);
extern "C" const char* velmoraWebUtf8(const char* text);

namespace {

using vl::platform::hostTextFromUtf8;
using vl::platform::utf8FromHostText;

// Bytes 0x80 to 0x9F as Python's cp1252 codec decodes them, and the five it
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) as the control characters
// of the same value, as browsers decode them. Every other byte is its own
// code point.
const char16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                            0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                            0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                            0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t characterOf(int byte) { return byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : char32_t(byte); }

std::string utf8(char32_t c) {
    if (c < 0x80) return std::string(1, char(c));
    if (c < 0x800) return {char(0xC0 | c >> 6), char(0x80 | (c & 0x3F))};
    if (c < 0x10000) return {char(0xE0 | c >> 12), char(0x80 | (c >> 6 & 0x3F)), char(0x80 | (c & 0x3F))};
    return {char(0xF0 | c >> 18), char(0x80 | (c >> 12 & 0x3F)), char(0x80 | (c >> 6 & 0x3F)), char(0x80 | (c & 0x3F))};
}

TEST(WebText1252, EveryByteIsItsCharacterAndBack) {
    for (int byte = 0; byte <= 0xFF; ++byte) {
        SCOPED_TRACE(byte);
        EXPECT_EQ(utf8FromHostText(std::string(1, char(byte))), utf8(characterOf(byte)));
        EXPECT_EQ(hostTextFromUtf8(utf8(characterOf(byte))), std::string(1, char(byte)));
    }
}

TEST(WebText1252, CharactersTheCodePageLacksBecomeQuestionMarks) {
    // U+0080 to U+009F but the five that stand for themselves, and others
    // near the table's.
    for (char32_t c = 0x80; c < 0xA0; ++c) {
        if (c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D) continue;
        EXPECT_EQ(hostTextFromUtf8(utf8(c)), "?") << std::hex << uint32_t(c);
    }
    for (char32_t c : {0x0100, 0x0151, 0x0191, 0x2012, 0x2015, 0x20AD, 0xFFFD, 0x1F600})
        EXPECT_EQ(hostTextFromUtf8(utf8(c)), "?") << std::hex << uint32_t(c);
    // Bytes that are no UTF-8: one '?' each, and what follows is read again.
    EXPECT_EQ(hostTextFromUtf8("a\x80" "b\xE2\x82" "c\xFF"), "a?b??c?");
}

// The two functions the glue calls, in place and as C strings: one text of
// every byte but 0.
TEST(WebText1252, TheGluesConversionsTakeAndGiveEveryByte) {
    std::string bytes, text;
    for (int byte = 1; byte <= 0xFF; ++byte) {
        bytes += char(byte);
        text += utf8(characterOf(byte));
    }
    EXPECT_EQ(std::string(velmoraWebUtf8(bytes.c_str())), text);
    velmoraWebHostText(text.data());
    EXPECT_EQ(std::string(text.c_str()), bytes);
    EXPECT_STREQ(velmoraWebUtf8(nullptr), "");
}

}  // namespace
