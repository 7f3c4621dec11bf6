// Our own pictures for the transport buttons and the level meter's bar
// patterns, drawn from simple shapes at any scale (1 for 100 %, 2 for
// 200 %), as 8-bit palette images. tools/makebitmaps writes them as the
// BMP files the Windows resources are built from; a test keeps those files
// equal to what is drawn here.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace sondrel {

enum LGlyph : int32_t {
    kGlyphPlay,
    kGlyphScrub,
    kGlyphStop,
    kGlyphStart,
    kGlyphRewind,
    kGlyphForward,
    kGlyphEnd,
    kGlyphMeterGreen,
    kGlyphMeterRed,
    kGlyphCount
};

// Palette: 0 button face grey (192,192,192; mapped to the system's face
// colour when loaded), 1 black, 2 shadow grey (128,128,128), 3 lit green,
// 4 dark green, 5 lit red, 6 dark red.
constexpr int32_t kGlyphPaletteSize = 7;
extern const uint8_t kGlyphPalette[kGlyphPaletteSize][3];  // r, g, b

struct LGlyphImage {
    int32_t nWidth = 0, nHeight = 0;
    std::vector<uint8_t> vPixels;  // palette indices, top row first
    uint8_t At(int32_t x, int32_t y) const { return vPixels[size_t(y) * nWidth + x]; }
};

LGlyphImage DrawGlyph(LGlyph glyph, int32_t scale);

// Base file name of a glyph ("Play", "MeterGreen", …) and of its BMP at a
// scale ("Play.bmp", "Play@2x.bmp").
const char* GlyphName(LGlyph glyph);
std::string GlyphFileName(LGlyph glyph, int32_t scale);

// The image as an 8-bit BMP file (bottom-up rows padded to 4 bytes).
std::vector<uint8_t> GlyphBmp(const LGlyphImage& image);

}  // namespace sondrel
