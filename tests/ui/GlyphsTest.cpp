#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/LFile.h"
#include "ui/LTransportGlyphs.h"

using namespace sondrel;

// The BMP files the resources are built from are what the drawing code
// makes (run build/native/tools/makebitmaps ui/win32/res after changing it).
TEST(TransportGlyphs, CommittedBitmapsAreTheDrawnOnes) {
    for (int g = 0; g < kGlyphCount; ++g) {
        for (int scale : {1, 2}) {
            std::string path = std::string(SONDREL_SOURCE_DIR) + "/ui/win32/res/" + GlyphFileName(LGlyph(g), scale);
            std::vector<uint8_t> file;
            ASSERT_TRUE(LFile::ReadAll(path.c_str(), file)) << path;
            EXPECT_EQ(file, GlyphBmp(DrawGlyph(LGlyph(g), scale))) << path;
        }
    }
}

// Each button picture has ink and face at both scales, and the 200 % one
// is the same shape, not a blurred or shifted copy: its ink covers about
// four times the pixels and stays inside the same design box.
TEST(TransportGlyphs, ButtonPicturesKeepTheirShapeAtTwiceTheScale) {
    for (int g = kGlyphPlay; g <= kGlyphEnd; ++g) {
        SCOPED_TRACE(GlyphName(LGlyph(g)));
        LGlyphImage one = DrawGlyph(LGlyph(g), 1), two = DrawGlyph(LGlyph(g), 2);
        ASSERT_EQ(one.nWidth, 16);
        ASSERT_EQ(two.nWidth, 32);
        int inkOne = 0, inkTwo = 0, inTwoOutsideOne = 0;
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                bool ink = two.At(x, y) == 1;
                inkTwo += ink;
                if (ink && one.At(x / 2, y / 2) != 1) ++inTwoOutsideOne;
            }
        }
        for (uint8_t p : one.vPixels) inkOne += p == 1;
        EXPECT_GT(inkOne, 10);
        EXPECT_LT(inkOne, 16 * 16 / 2);
        EXPECT_NEAR(double(inkTwo) / inkOne, 4.0, 1.2);
        EXPECT_LT(inTwoOutsideOne, inkTwo / 5);
    }
}
