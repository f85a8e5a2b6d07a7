// Text in a real window: glyph shapes from the system font, pixels ours.
#include <gtest/gtest.h>

#include <algorithm>

#include "host.h"

namespace {

const uint32_t kWhite = rgb(255, 255, 255);

std::vector<uint32_t> present(Velmora& v) {
    EXPECT_EQ(v.vlDrawScreen(), 1.0);
    return readWindow(testWindow());
}

TEST(DllText, TransparentTextChangesOnlyGlyphPixelsAllInTheFontColour) {
    Velmora& v = velmora();
    v.vlInit(double(uintptr_t(testWindow())));
    v.vlDrawColor(0, 0, 200);
    v.vlDrawText(20, 20, "Velmora 123");
    v.vlDrawText(700, 500, "HUD");  // outside the rendered view, still shown
    const std::vector<uint32_t> px = present(v);
    size_t glyph = 0, other = 0, inCorner = 0;
    for (size_t i = 0; i < px.size(); ++i) {
        if (px[i] == rgb(0, 0, 200)) {
            ++glyph;
            inCorner += (i % 800) >= 700 && (i / 800) >= 500;
        } else if (px[i] != kWhite) {
            ++other;
        }
    }
    EXPECT_GT(glyph, 40u);
    EXPECT_GT(inCorner, 5u);
    EXPECT_EQ(other, 0u) << "no smoothing, no background box";
}

TEST(DllText, TextBeforeAnyColourUsesTheSystemWindowTextColour) {
    Velmora& v = velmora();
    v.vlInit(double(uintptr_t(testWindow())));
    v.vlDrawText(10, 10, "Window text");
    const DWORD sys = GetSysColor(COLOR_WINDOWTEXT);
    const std::vector<uint32_t> px = present(v);
    const size_t glyph = size_t(std::count(px.begin(), px.end(), uint32_t(sys)));
    EXPECT_GT(glyph, 20u);
    EXPECT_EQ(glyph + size_t(std::count(px.begin(), px.end(), kWhite)), px.size());
}

TEST(DllText, EmptyTextDrawsNothingButLeavesTheBrushClear) {
    Velmora& v = velmora();
    v.vlInit(double(uintptr_t(testWindow())));
    v.vlDrawColor(255, 0, 0);
    v.vlDrawText(0, 0, "");
    v.vlDrawText(0, 0, nullptr);
    v.vlDrawRectangle(0, 0, 50, 50);
    const std::vector<uint32_t> px = present(v);
    EXPECT_EQ(size_t(std::count(px.begin(), px.end(), kWhite)), px.size());
}

TEST(DllText, UpperHalfOfTheCodePageDrawsGlyphsAndLinesAreTallEnough) {
    Velmora& v = velmora();
    v.vlInit(double(uintptr_t(testWindow())));
    v.vlDrawColor(0, 0, 0);
    std::vector<int> codes;
    for (int c = 128; c < 256; ++c)
        if (c != 0x81 && c != 0x8D && c != 0x8F && c != 0x90 && c != 0x9D && c != 0xA0) codes.push_back(c);
    for (size_t i = 0; i < codes.size(); ++i) {
        const char s[2] = {char(codes[i]), 0};
        v.vlDrawText(double(20 + (i % 20) * 30), double(20 + (i / 20) * 30), s);
    }
    v.vlDrawText(20, 300, "\xC9jg|");
    const std::vector<uint32_t> px = present(v);
    for (size_t i = 0; i < codes.size(); ++i) {
        const int x0 = 20 + int(i % 20) * 30, y0 = 20 + int(i / 20) * 30;
        int ink = 0;
        for (int y = y0; y < y0 + 25; ++y)
            for (int x = x0; x < x0 + 25; ++x) ink += px[size_t(y) * 800 + size_t(x)] != kWhite;
        EXPECT_GT(ink, 0) << "character " << codes[i];
    }
    int top = 600, bottom = -1;
    for (int y = 290; y < 340; ++y)
        for (int x = 15; x < 80; ++x)
            if (px[size_t(y) * 800 + size_t(x)] != kWhite) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    EXPECT_GE(bottom - top + 1, 11) << "from the accent's top to the descender's bottom";
}

}  // namespace
