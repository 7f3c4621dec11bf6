#include "ui/LTransportGlyphs.h"

#include <cmath>
#include <cstring>

namespace sondrel {

const uint8_t kGlyphPalette[kGlyphPaletteSize][3] = {{192, 192, 192}, {0, 0, 0},     {128, 128, 128}, {0, 224, 0},
                                                      {0, 96, 0},      {240, 32, 32}, {112, 0, 0}};

namespace {

constexpr uint8_t kFace = 0, kInk = 1, kLitGreen = 3, kDarkGreen = 4, kLitRed = 5, kDarkRed = 6;

// Shapes on a 16 x 16 design grid; a pixel is inked when its centre, in
// grid units, falls inside.
struct Point {
    double x, y;
};

bool InTriangle(Point p, Point a, Point b, Point c) {
    auto side = [](Point p, Point q, Point r) { return (p.x - r.x) * (q.y - r.y) - (q.x - r.x) * (p.y - r.y); };
    double d1 = side(p, a, b), d2 = side(p, b, c), d3 = side(p, c, a);
    bool neg = d1 < 0 || d2 < 0 || d3 < 0, pos = d1 > 0 || d2 > 0 || d3 > 0;
    return !(neg && pos);
}

bool InBox(Point p, double x0, double y0, double x1, double y1) { return p.x >= x0 && p.x < x1 && p.y >= y0 && p.y < y1; }

// Right-pointing triangle with its left edge at x0, its tip at x1.
bool Right(Point p, double x0, double x1) { return InTriangle(p, {x0, 3}, {x0, 13}, {x1, 8}); }
bool Left(Point p, double x0, double x1) { return InTriangle(p, {x1, 3}, {x1, 13}, {x0, 8}); }

// A short wave with the cursor through it: scrubbing plays a snippet.
bool Scrub(Point p) {
    if (InBox(p, 7.5, 2, 9, 14)) return true;
    const double k = 3.14159265358979 / 3.5, a = 3.0;
    double y = 8 - a * std::sin((p.x - 2) * k);
    double slope = a * k * std::cos((p.x - 2) * k);
    // Distance to the curve, so that steep parts keep the same thickness.
    return p.x >= 2 && p.x < 15 && std::fabs(p.y - y) / std::sqrt(1 + slope * slope) < 0.7;
}

bool Inked(LGlyph g, Point p) {
    switch (g) {
        case kGlyphPlay: return Right(p, 4.5, 12.5);
        case kGlyphScrub: return Scrub(p);
        case kGlyphStop: return InBox(p, 4, 4, 12, 12);
        case kGlyphStart: return InBox(p, 3, 3, 5, 13) || Left(p, 5, 13);
        case kGlyphRewind: return Left(p, 1, 7.5) || Left(p, 8, 14.5);
        case kGlyphForward: return Right(p, 1.5, 8) || Right(p, 8.5, 15);
        case kGlyphEnd: return Right(p, 3, 11) || InBox(p, 11, 3, 13, 13);
        default: return false;
    }
}

}  // namespace

LGlyphImage DrawGlyph(LGlyph g, int32_t scale) {
    LGlyphImage img;
    if (scale < 1) scale = 1;
    if (g == kGlyphMeterGreen || g == kGlyphMeterRed) {
        // Lamps three units wide with a one-unit gap, repeating every 8
        // units both ways (a pattern brush).
        img.nWidth = img.nHeight = 8 * scale;
        img.vPixels.assign(size_t(img.nWidth) * img.nHeight, 0);
        const uint8_t lit = g == kGlyphMeterGreen ? kLitGreen : kLitRed;
        const uint8_t dark = g == kGlyphMeterGreen ? kDarkGreen : kDarkRed;
        for (int32_t y = 0; y < img.nHeight; ++y) {
            for (int32_t x = 0; x < img.nWidth; ++x) {
                img.vPixels[size_t(y) * img.nWidth + x] = ((x / scale) % 4 == 3) ? dark : lit;
            }
        }
        return img;
    }
    img.nWidth = img.nHeight = 16 * scale;
    img.vPixels.assign(size_t(img.nWidth) * img.nHeight, kFace);
    for (int32_t y = 0; y < img.nHeight; ++y) {
        for (int32_t x = 0; x < img.nWidth; ++x) {
            Point p{(x + 0.5) / scale, (y + 0.5) / scale};
            if (Inked(g, p)) img.vPixels[size_t(y) * img.nWidth + x] = kInk;
        }
    }
    return img;
}

const char* GlyphName(LGlyph g) {
    static const char* const names[kGlyphCount] = {"Play",    "Scrub",   "Stop",       "Start",   "Rewind",
                                                   "Forward", "End",     "MeterGreen", "MeterRed"};
    return (g >= 0 && g < kGlyphCount) ? names[g] : "";
}

std::string GlyphFileName(LGlyph g, int32_t scale) {
    std::string n = GlyphName(g);
    if (scale > 1) n += "@" + std::to_string(scale) + "x";
    return n + ".bmp";
}

std::vector<uint8_t> GlyphBmp(const LGlyphImage& img) {
    const uint32_t stride = (uint32_t(img.nWidth) + 3) & ~3u;
    const uint32_t paletteBytes = kGlyphPaletteSize * 4;
    const uint32_t offset = 14 + 40 + paletteBytes;
    const uint32_t size = offset + stride * uint32_t(img.nHeight);
    std::vector<uint8_t> f(size, 0);
    auto put16 = [&](size_t at, uint32_t v) {
        f[at] = uint8_t(v);
        f[at + 1] = uint8_t(v >> 8);
    };
    auto put32 = [&](size_t at, uint32_t v) {
        put16(at, v & 0xFFFF);
        put16(at + 2, v >> 16);
    };
    f[0] = 'B';
    f[1] = 'M';
    put32(2, size);
    put32(10, offset);
    put32(14, 40);
    put32(18, uint32_t(img.nWidth));
    put32(22, uint32_t(img.nHeight));
    put16(26, 1);
    put16(28, 8);
    put32(34, stride * uint32_t(img.nHeight));
    put32(38, 2835);  // 72 dpi, as pixels per metre
    put32(42, 2835);
    put32(46, kGlyphPaletteSize);
    put32(50, kGlyphPaletteSize);
    for (int32_t i = 0; i < kGlyphPaletteSize; ++i) {
        f[54 + 4 * i] = kGlyphPalette[i][2];
        f[54 + 4 * i + 1] = kGlyphPalette[i][1];
        f[54 + 4 * i + 2] = kGlyphPalette[i][0];
    }
    for (int32_t y = 0; y < img.nHeight; ++y) {
        std::memcpy(&f[offset + stride * uint32_t(img.nHeight - 1 - y)], &img.vPixels[size_t(y) * img.nWidth],
                    size_t(img.nWidth));
    }
    return f;
}

}  // namespace sondrel
