#include "world/world.h"

#include <gtest/gtest.h>

#include "base/error.h"

namespace {

using namespace vl;

std::vector<int32_t> row(const MapGrid& m, int32_t x) {
    return std::vector<int32_t>(m.cells.begin() + x * m.rowLength, m.cells.begin() + (x + 1) * m.rowLength);
}

TEST(MapGrid, RowsLoadFromDigitsAndStopAtTheFirstBadCharacter) {
    MapGrid m;
    setMapSize(m, 24, 24);
    for (int32_t c : m.cells) ASSERT_EQ(c, 0);
    loadMapRow(m, 0, std::string(24, '1'));
    EXPECT_EQ(row(m, 0), std::vector<int32_t>(24, 1));

    loadMapRow(m, 3, std::string(24, '7'));
    loadMapRow(m, 3, "1020");
    EXPECT_EQ(row(m, 3)[3], 0);
    EXPECT_EQ(row(m, 3)[4], 7) << "cells past the text are unchanged";
    loadMapRow(m, 3, "");
    EXPECT_EQ(row(m, 3)[0], 1);

    try {
        loadMapRow(m, 3, "90x1");
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.className, "EConvertError");
        EXPECT_EQ(e.message, "'x' is not a valid integer value");
    }
    EXPECT_EQ(row(m, 3)[0], 9);
    EXPECT_EQ(row(m, 3)[1], 0);
    EXPECT_EQ(row(m, 3)[2], 2) << "the rest of the row is unchanged";
    EXPECT_THROW(loadMapRow(m, 4, "-1"), Error);
    EXPECT_THROW(loadMapRow(m, 4, " 1"), Error);
}

TEST(MapGrid, ResizingKeepsCellsAndBrokenLimitsWriteNothing) {
    MapGrid m;
    loadMapRow(m, 0, "111");  // never sized: nothing to load into
    setMapSize(m, 4, 3);
    loadMapRow(m, 2, "1234");
    loadMapRow(m, 1, "56789999");  // longer than a row: the rest is ignored
    loadMapRow(m, 3, "1111");      // outside the grid
    loadMapRow(m, -1, "1111");
    EXPECT_EQ(row(m, 1), (std::vector<int32_t>{5, 6, 7, 8}));
    setMapSize(m, 2, 5);
    EXPECT_EQ(row(m, 1), (std::vector<int32_t>{5, 6}));
    EXPECT_EQ(row(m, 2), (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(row(m, 4), (std::vector<int32_t>{0, 0}));
    setMapSize(m, 3, 2);
    EXPECT_EQ(row(m, 1), (std::vector<int32_t>{5, 6, 0}));
    EXPECT_THROW(setMapSize(m, -1, 2), Error);
    EXPECT_THROW(setMapSize(m, 2, kMaxMapSide + 1), Error);
    EXPECT_EQ(m.rowLength, 3);
    EXPECT_EQ(m.cells.size(), 6u);

    // Each side's cap is accepted, one more (or less than 0) refused.
    const struct {
        int32_t rowLength, rowCount;
        bool accepted;
    } sizes[] = {{kMaxMapSide, 1, true},      {1, kMaxMapSide, true}, {0, 0, true},  {kMaxMapSide + 1, 1, false},
                 {1, kMaxMapSide + 1, false}, {-1, 1, false},         {1, -1, false}};
    for (const auto& size : sizes) {
        MapGrid g;
        SCOPED_TRACE(std::to_string(size.rowLength) + " x " + std::to_string(size.rowCount));
        if (size.accepted) {
            EXPECT_NO_THROW(setMapSize(g, size.rowLength, size.rowCount));
            EXPECT_EQ(g.cells.size(), size_t(size.rowLength) * size_t(size.rowCount));
        } else {
            EXPECT_THROW(setMapSize(g, size.rowLength, size.rowCount), Error);
        }
    }
}

TEST(FlatColours, EveryCallAppendsOneEntryAndOddIndexesStaySafe) {
    World w;
    w.flatColors.push_back(0);  // the reserved entry vlInit makes
    setFlatWallColor(w, 1, makeColour(255, 0, 0));
    EXPECT_EQ(w.flatColors.size(), 2u);
    EXPECT_EQ(w.flatColors[1], 255u);
    EXPECT_EQ(makeColour(256, 300, -1), 0x00FF2C00u) << "channels keep their low 8 bits";
    setFlatWallColor(w, 1, 7);
    EXPECT_EQ(w.flatColors.size(), 3u);
    setFlatWallColor(w, 10, 5);  // beyond the table: it grows to hold it
    EXPECT_EQ(w.flatColors.size(), 11u);
    EXPECT_EQ(w.flatColors[10], 5u);
    setFlatWallColor(w, -1, 5);  // stores nothing, still appends
    EXPECT_EQ(w.flatColors.size(), 12u);
    setFlatWallColor(w, kMaxTableIndex, 6);  // the highest index there may be
    EXPECT_EQ(w.flatColors.size(), size_t(kMaxTableIndex) + 1);
    EXPECT_EQ(w.flatColors[kMaxTableIndex], 6u);
    EXPECT_THROW(setFlatWallColor(w, kMaxTableIndex + 1, 5), Error);
    EXPECT_EQ(w.flatColors.size(), size_t(kMaxTableIndex) + 1);
}

TEST(Sprites, AddReturnsIndexesAndKeepsTheListsInStep) {
    Sprites s;
    EXPECT_EQ(addSprite(s, 10.1, 3.25, 2), 0);
    EXPECT_EQ(addSprite(s, 1, 2, 4), 1);
    EXPECT_EQ(s.spriteCount, 2);
    for (size_t n : {s.spriteX.size(), s.spriteY.size(), s.spriteTexture.size(), s.spriteOrder.size(),
                     s.spriteDistance.size()})
        EXPECT_EQ(n, 2u);
    EXPECT_EQ(s.spriteX[0], 10.1);
    EXPECT_EQ(s.spriteY[0], 3.25);
    EXPECT_EQ(s.spriteOrder[1], 0);
    EXPECT_EQ(s.spriteDistance[1], 0.0);
    setSpritePos(s, 1, 4.0, 5.0);
    EXPECT_EQ(s.spriteX[1], 4.0);
    EXPECT_EQ(s.spriteX[0], 10.1);
    setSpritePos(s, 2, 9, 9);  // outside the table: ignored
    setSpritePos(s, -1, 9, 9);
    EXPECT_EQ(s.spriteX.size(), 2u);
    EXPECT_EQ(s.spriteY[1], 5.0);

    // The last sprite there may be is added; the one after it is refused.
    Sprites full;
    full.spriteCount = kMaxSprites - 1;
    for (auto* list : {&full.spriteX, &full.spriteY, &full.spriteDistance}) list->resize(kMaxSprites - 1);
    for (auto* list : {&full.spriteTexture, &full.spriteOrder}) list->resize(kMaxSprites - 1);
    EXPECT_EQ(addSprite(full, 1, 2, 3), kMaxSprites - 1);
    EXPECT_THROW(addSprite(full, 1, 2, 3), Error);
    EXPECT_EQ(full.spriteCount, kMaxSprites);
    EXPECT_EQ(full.spriteX.size(), size_t(kMaxSprites));
}

}  // namespace
