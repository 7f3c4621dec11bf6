// The main window's pictures: the committed resource files are what the
// drawing code makes, the strips hold their images where the window takes
// them, and the 200 % pictures are the same shapes.
#include <gtest/gtest.h>

#include "support/LFile.h"
#include "ui/LMainPictures.h"

namespace sondrel::test {
namespace {

TEST(MainPictures, CommittedFilesAreTheDrawnOnes) {
    // tools/makebitmaps ui/win32/res writes them again after a change.
    for (const LPictureFile& f : MainPictureFiles()) {
        std::string path = std::string(SONDREL_SOURCE_DIR) + "/ui/win32/res/" + f.szName;
        std::vector<uint8_t> file;
        ASSERT_TRUE(LFile::ReadAll(path.c_str(), file)) << path;
        EXPECT_EQ(file, f.vBytes) << path;
    }
}

// How many pixels of image i of a strip are not the key colour.
int Opaque(const LPicture& strip, int i, int size) {
    int n = 0;
    for (int y = 0; y < size; ++y)
        for (int x = i * size; x < (i + 1) * size; ++x) n += strip.At(x, y) != kPictureKey;
    return n;
}

TEST(MainPictures, StripsHoldTheirImagesAtBothScales) {
    LPicture tb1 = DrawToolbarStrip(1), tb2 = DrawToolbarStrip(2);
    ASSERT_EQ(tb1.nWidth, kToolbarImages * 24);
    ASSERT_EQ(tb2.nHeight, 48);
    for (int i = 0; i < kToolbarImages; ++i) {
        int one = Opaque(tb1, i, 24), two = Opaque(tb2, i, 48);
        EXPECT_GT(one, 40) << i;
        EXPECT_LT(one, 24 * 24) << i;  // the key shows round every image
        EXPECT_NEAR(two, 4 * one, one) << i;
    }
    // The view strip has pictures only where the view buttons take them.
    LPicture v = DrawViewStrip(1);
    for (int i = 0; i < kViewImages; ++i) {
        bool used = i == 2 || i == 4 || i == 5 || i == 6 || i == 8;
        EXPECT_EQ(Opaque(v, i, 16) > 20, used) << i;
    }
    // Zoom in and zoom out differ only by the plus's upright stroke.
    int in = Opaque(v, 6, 16), out = Opaque(v, 4, 16);
    EXPECT_EQ(in, out);
}

TEST(MainPictures, IconIsATileWithSoftEdges) {
    std::vector<uint8_t> ico = IconFile({DrawProgramIcon(16), DrawProgramIcon(32)});
    ASSERT_GT(ico.size(), 6u + 32u);
    EXPECT_EQ(ico[2], 1);  // an icon
    EXPECT_EQ(ico[4], 2);  // two images
    EXPECT_EQ(ico[6], 16);
    EXPECT_EQ(ico[22], 32);
    LPicture p = DrawProgramIcon(32);
    EXPECT_EQ(p.At(0, 0) >> 24, 0u);       // the rounded corner is clear
    EXPECT_EQ(p.At(16, 2) >> 24, 255u);    // the tile is solid
    EXPECT_EQ(p.At(16, 16) & 0xFFFFFF, 0xB0F0B8u);  // the wave crosses the middle
    int soft = 0;  // the corners' arcs are smoothed
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) soft += (p.At(x, y) >> 24) > 0 && (p.At(x, y) >> 24) < 255;
    EXPECT_GE(soft, 4);
}

TEST(MainPictures, ActiveAndRecordPicturesUseTheTransportPalette) {
    for (int g = 0; g < kMainGlyphCount; ++g) {
        LGlyphImage one = DrawMainGlyph(LMainGlyph(g), 1);
        int lit = 0, face = 0;
        for (uint8_t px : one.vPixels) {
            EXPECT_LT(px, kGlyphPaletteSize);
            lit += px == 3 || px == 5;
            face += px == 0;
        }
        EXPECT_GT(lit, 10) << MainGlyphName(LMainGlyph(g));
        EXPECT_GT(face, 100) << MainGlyphName(LMainGlyph(g));
    }
}

}  // namespace
}  // namespace sondrel::test
