#include "platform/web/text_1252.h"

#include <emscripten.h>

#include <cstdint>
#include <cstring>

namespace vl::platform {

namespace {

// Bytes 0x80 to 0x9F, as browsers decode "windows-1252": the five bytes the
// code page leaves unassigned stand for the control characters of the same
// value, so every byte keeps a character of its own. The other bytes are
// their own code points.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

uint32_t codePoint(uint8_t byte) { return byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : byte; }

char byteOf(uint32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return char(c);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == c) return char(0x80 + i);
    return '?';
}

void appendUtf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | c >> 6);
        out += char(0x80 | (c & 0x3F));
    } else {  // the table holds nothing above U+FFFF
        out += char(0xE0 | c >> 12);
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

}  // namespace

std::string utf8FromHostText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char b : text) appendUtf8(out, codePoint(uint8_t(b)));
    return out;
}

std::string hostTextFromUtf8(const std::string& utf8) {
    std::string out;
    const size_t n = utf8.size();
    for (size_t i = 0; i < n;) {
        const uint8_t lead = uint8_t(utf8[i]);
        const int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
        uint32_t c = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
        bool valid = length > 0 && i + size_t(length) <= n;
        for (int k = 1; valid && k < length; ++k) {
            const uint8_t next = uint8_t(utf8[i + size_t(k)]);
            valid = (next & 0xC0) == 0x80;
            c = c << 6 | (next & 0x3F);
        }
        out += valid ? byteOf(c) : '?';
        i += valid ? size_t(length) : 1;
    }
    return out;
}

}  // namespace vl::platform

// The two conversions for the module's JavaScript glue (web/velmora_glue.js),
// which turns strings to and from the bytes the exports take and give.
extern "C" {

// In place: UTF-8 text from JavaScript becomes host text, never longer.
EMSCRIPTEN_KEEPALIVE void velmoraWebHostText(char* utf8) {
    if (!utf8) return;
    const std::string text = vl::platform::hostTextFromUtf8(utf8);
    std::memcpy(utf8, text.c_str(), text.size() + 1);
}

// Host text as UTF-8 for JavaScript, valid until the next call.
EMSCRIPTEN_KEEPALIVE const char* velmoraWebUtf8(const char* text) {
    static std::string out;
    out = vl::platform::utf8FromHostText(text ? text : "");
    return out.c_str();
}

}  // extern "C"
