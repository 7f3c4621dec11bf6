#include "ui/LMainPictures.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace sondrel {

namespace {

// A shape on the design grid: a pixel belongs to it when its centre, in
// grid units, is inside. Strips have hard edges (a pixel is the key colour
// or opaque), so that the image lists' masks cut them cleanly.
using Shape = std::function<bool(double x, double y)>;

Shape Box(double x0, double y0, double x1, double y1) {
    return [=](double x, double y) { return x >= x0 && x < x1 && y >= y0 && y < y1; };
}
Shape Disc(double cx, double cy, double r) {
    return [=](double x, double y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) < r * r; };
}
Shape Ring(double cx, double cy, double r0, double r1) {
    return [=](double x, double y) {
        double d = (x - cx) * (x - cx) + (y - cy) * (y - cy);
        return d >= r0 * r0 && d < r1 * r1;
    };
}
// A thick segment from (x0, y0) to (x1, y1).
Shape Line(double x0, double y0, double x1, double y1, double width) {
    return [=](double x, double y) {
        double dx = x1 - x0, dy = y1 - y0, len2 = dx * dx + dy * dy;
        double t = len2 > 0 ? std::clamp(((x - x0) * dx + (y - y0) * dy) / len2, 0.0, 1.0) : 0.0;
        double px = x0 + t * dx - x, py = y0 + t * dy - y;
        return px * px + py * py < width * width / 4;
    };
}
Shape Triangle(double ax, double ay, double bx, double by, double cx, double cy) {
    return [=](double x, double y) {
        auto side = [&](double px, double py, double qx, double qy) { return (x - qx) * (py - qy) - (px - qx) * (y - qy); };
        double d1 = side(ax, ay, bx, by), d2 = side(bx, by, cx, cy), d3 = side(cx, cy, ax, ay);
        return !((d1 < 0 || d2 < 0 || d3 < 0) && (d1 > 0 || d2 > 0 || d3 > 0));
    };
}
Shape Except(Shape a, Shape b) {
    return [=](double x, double y) { return a(x, y) && !b(x, y); };
}

constexpr uint32_t kBlack = 0x000000, kWhite = 0xFFFFFF, kGrey = 0x808080, kLight = 0xC0C0C0, kBlue = 0x1F4FA0,
                   kLightBlue = 0xB8D8F8, kYellow = 0xF0C840, kDarkYellow = 0xC09020, kRed = 0xD02020,
                   kGreen = 0x20A030, kBrown = 0xA06830;

// One image of a strip: shapes painted in order over the key colour.
class Cell {
public:
    Cell(LPicture& strip, int32_t index, int32_t units, int32_t scale)
        : strip_(strip), x0_(index * units * scale), scale_(scale), size_(units * scale) {}
    void Paint(const Shape& s, uint32_t colour) {
        for (int32_t y = 0; y < size_; ++y)
            for (int32_t x = 0; x < size_; ++x)
                if (s((x + 0.5) / scale_, (y + 0.5) / scale_))
                    strip_.vPixels[size_t(y) * strip_.nWidth + x0_ + x] = colour;
    }
    // A filled box with a black outline one unit wide.
    void Framed(double x0, double y0, double x1, double y1, uint32_t fill) {
        Paint(Box(x0, y0, x1, y1), kBlack);
        Paint(Box(x0 + 1, y0 + 1, x1 - 1, y1 - 1), fill);
    }

private:
    LPicture& strip_;
    int32_t x0_, scale_, size_;
};

LPicture Strip(int32_t images, int32_t units, int32_t scale) {
    LPicture p;
    p.nWidth = images * units * scale;
    p.nHeight = units * scale;
    p.vPixels.assign(size_t(p.nWidth) * p.nHeight, kPictureKey);
    return p;
}

void Magnifier(Cell& c) {
    c.Paint(Disc(6.5, 6.5, 5.5), kBlack);
    c.Paint(Disc(6.5, 6.5, 4.2), kLightBlue);
    c.Paint(Line(10, 10, 14.5, 14.5, 2.6), kBlack);
}

}  // namespace

LPicture DrawToolbarStrip(int32_t scale) {
    scale = std::max(scale, 1);
    LPicture p = Strip(kToolbarImages, kToolbarUnits, scale);
    {  // 0 cut: two blades crossing over two red handles
        Cell c(p, 0, kToolbarUnits, scale);
        c.Paint(Line(7, 2, 15.5, 15, 2.2), kGrey);
        c.Paint(Line(17, 2, 8.5, 15, 2.2), kGrey);
        c.Paint(Ring(7.5, 18, 2, 4), kRed);
        c.Paint(Ring(16.5, 18, 2, 4), kRed);
    }
    {  // 1 copy: two pages
        Cell c(p, 1, kToolbarUnits, scale);
        c.Framed(3, 2, 15, 17, kWhite);
        c.Framed(9, 7, 21, 22, kWhite);
        for (double y : {11.0, 14.0, 17.0}) c.Paint(Box(11, y, 19, y + 1), kGrey);
    }
    {  // 2 paste: a clipboard with a page on it
        Cell c(p, 2, kToolbarUnits, scale);
        c.Framed(3, 4, 17, 22, kBrown);
        c.Framed(7, 2, 13, 6, kLight);
        c.Framed(10, 9, 21, 23, kWhite);
        for (double y : {13.0, 16.0, 19.0}) c.Paint(Box(12, y, 19, y + 1), kGrey);
    }
    {  // 3 undo: an arrow bending back to the left
        Cell c(p, 3, kToolbarUnits, scale);
        c.Paint(Except(Ring(13, 13, 5, 8), Box(0, 13, 13, 24)), kBlue);
        c.Paint(Triangle(1.5, 12, 11.5, 12, 6.5, 18.5), kBlue);
    }
    {  // 4 play
        Cell c(p, 4, kToolbarUnits, scale);
        c.Paint(Triangle(6, 4, 6, 20, 20, 12), kGreen);
    }
    {  // 5 record
        Cell c(p, 5, kToolbarUnits, scale);
        c.Paint(Disc(12, 12, 8), kRed);
    }
    {  // 6 new: a page with a folded corner
        Cell c(p, 6, kToolbarUnits, scale);
        c.Paint(Except(Box(4, 2, 20, 22), Triangle(14, 1, 21, 1, 21, 8)), kBlack);
        c.Paint(Except(Box(5, 3, 19, 21), Triangle(13, 2, 20, 2, 20, 9)), kWhite);
        c.Paint(Triangle(14, 2.5, 14, 8, 19.5, 8), kLight);
    }
    {  // 7 open: a folder
        Cell c(p, 7, kToolbarUnits, scale);
        c.Framed(2, 4, 10, 8, kDarkYellow);
        c.Framed(2, 6, 20, 20, kDarkYellow);
        c.Paint(Triangle(5, 10, 23, 10, 19, 20), kBlack);
        c.Paint(Triangle(2, 20, 5, 10, 19, 20), kBlack);
        c.Paint(Triangle(6, 11, 21.5, 11, 18.3, 19), kYellow);
        c.Paint(Triangle(3.3, 19, 6, 11, 18.3, 19), kYellow);
    }
    {  // 9 redo: the undo arrow turned to the right
        Cell c(p, 9, kToolbarUnits, scale);
        c.Paint(Except(Ring(11, 13, 5, 8), Box(11, 13, 24, 24)), kBlue);
        c.Paint(Triangle(22.5, 12, 12.5, 12, 17.5, 18.5), kBlue);
    }
    {  // 8 save: a disk
        Cell c(p, 8, kToolbarUnits, scale);
        c.Framed(3, 3, 21, 21, kBlue);
        c.Framed(7, 3, 17, 11, kWhite);
        c.Framed(8, 15, 16, 21, kLight);
        c.Paint(Box(13, 16, 15, 20), kBlue);
    }
    return p;
}

LPicture DrawViewStrip(int32_t scale) {
    scale = std::max(scale, 1);
    LPicture p = Strip(kViewImages, kViewUnits, scale);
    {  // 2 vertical zoom: a wave with an arrow up and down
        Cell c(p, 2, kViewUnits, scale);
        c.Paint([](double x, double y) { return x < 10 && std::fabs(y - (8 - 4 * std::sin(x * 0.9))) < 1; }, kBlue);
        c.Paint(Line(13, 3, 13, 13, 1.6), kBlack);
        c.Paint(Triangle(10.5, 4.5, 15.5, 4.5, 13, 1), kBlack);
        c.Paint(Triangle(10.5, 11.5, 15.5, 11.5, 13, 15), kBlack);
    }
    {  // 4 zoom out
        Cell c(p, 4, kViewUnits, scale);
        Magnifier(c);
        c.Paint(Box(4, 6, 9, 7.5), kBlack);
    }
    {  // 5 zoom to the selection: the lens over a selected band
        Cell c(p, 5, kViewUnits, scale);
        Magnifier(c);
        c.Paint(Box(4.5, 4, 8.5, 9), kBlue);
    }
    {  // 6 zoom in
        Cell c(p, 6, kViewUnits, scale);
        Magnifier(c);
        c.Paint(Box(4, 6, 9, 7.5), kBlack);
        c.Paint(Box(5.75, 4.25, 7.25, 9.25), kBlack);
    }
    {  // 8 zoom full: an arrow to both ends
        Cell c(p, 8, kViewUnits, scale);
        c.Paint(Box(1, 3, 2.5, 13), kBlack);
        c.Paint(Box(13.5, 3, 15, 13), kBlack);
        c.Paint(Line(4, 8, 12, 8, 1.6), kBlack);
        c.Paint(Triangle(3, 8, 6.5, 5, 6.5, 11), kBlack);
        c.Paint(Triangle(13, 8, 9.5, 5, 9.5, 11), kBlack);
    }
    return p;
}

LPicture DrawProgramIcon(int32_t size) {
    // A rounded blue tile with a light waveform, smoothed by 4 x 4 samples a pixel.
    LPicture p;
    p.nWidth = p.nHeight = size;
    p.vPixels.assign(size_t(size) * size, 0);
    const double r = 6.0;  // corner radius in 32ths of the size
    auto tile = [&](double x, double y) {
        double cx = std::clamp(x, r, 32 - r), cy = std::clamp(y, r, 32 - r);
        return (x - cx) * (x - cx) + (y - cy) * (y - cy) < r * r;
    };
    auto wave = [](double x, double y) {
        if (x < 4 || x > 28) return false;
        double env = std::sin((x - 4) / 24 * 3.14159265358979) * 10;
        double h = env * (0.55 + 0.45 * std::fabs(std::sin(x * 1.7)));
        return std::fabs(y - 16) < h + 0.6 && std::fmod(x, 2.0) < 1.4;
    };
    for (int32_t py = 0; py < size; ++py) {
        for (int32_t px = 0; px < size; ++px) {
            int inTile = 0, inWave = 0;
            for (int sy = 0; sy < 4; ++sy) {
                for (int sx = 0; sx < 4; ++sx) {
                    double x = (px + (sx + 0.5) / 4) * 32.0 / size, y = (py + (sy + 0.5) / 4) * 32.0 / size;
                    if (tile(x, y)) {
                        ++inTile;
                        if (wave(x, y)) ++inWave;
                    }
                }
            }
            if (!inTile) continue;
            // Blend the wave's light green over the tile's blue by coverage.
            double k = double(inWave) / inTile;
            auto mix = [k](int a, int b) { return uint32_t(std::lround(a + (b - a) * k)); };
            uint32_t rgb = mix(0x1F, 0xB0) << 16 | mix(0x4F, 0xF0) << 8 | mix(0xA0, 0xB8);
            uint32_t alpha = uint32_t(std::lround(inTile * 255.0 / 16));
            p.vPixels[size_t(py) * size + px] = alpha << 24 | rgb;
        }
    }
    return p;
}

LGlyphImage DrawMainGlyph(LMainGlyph glyph, int32_t scale) {
    // The transport glyphs' palette: 0 face, 1 ink, 3 lit green, 4 dark
    // green, 5 lit red, 6 dark red; same 16-unit grid.
    scale = std::max(scale, 1);
    LGlyphImage img;
    img.nWidth = img.nHeight = 16 * scale;
    img.vPixels.assign(size_t(img.nWidth) * img.nHeight, 0);
    Shape dark, lit;
    switch (glyph) {
        case kMainGlyphPlayActive:  // the Play triangle alight
            dark = Triangle(4.5, 3, 4.5, 13, 12.5, 8);
            lit = Triangle(5.5, 5, 5.5, 11, 10.5, 8);
            break;
        case kMainGlyphStopActive:  // the Stop square alight
            dark = Box(4, 4, 12, 12);
            lit = Box(5, 5, 11, 11);
            break;
        case kMainGlyphRecord:  // a red disc
            dark = Disc(8, 8, 4.5);
            lit = Disc(8, 8, 3.5);
            break;
        default:
            return img;
    }
    const bool green = glyph == kMainGlyphPlayActive;
    for (int32_t y = 0; y < img.nHeight; ++y) {
        for (int32_t x = 0; x < img.nWidth; ++x) {
            double u = (x + 0.5) / scale, v = (y + 0.5) / scale;
            uint8_t& px = img.vPixels[size_t(y) * img.nWidth + x];
            if (lit(u, v))
                px = green ? 3 : 5;
            else if (dark(u, v))
                px = green ? 4 : 6;
        }
    }
    return img;
}

const char* MainGlyphName(LMainGlyph glyph) {
    static const char* const names[kMainGlyphCount] = {"PlayActive", "StopActive", "Record"};
    return glyph >= 0 && glyph < kMainGlyphCount ? names[glyph] : "";
}

namespace {
void Put16(std::vector<uint8_t>& f, size_t at, uint32_t v) {
    f[at] = uint8_t(v);
    f[at + 1] = uint8_t(v >> 8);
}
void Put32(std::vector<uint8_t>& f, size_t at, uint32_t v) {
    Put16(f, at, v & 0xFFFF);
    Put16(f, at + 2, v >> 16);
}
// BITMAPINFOHEADER at f[at].
void InfoHeader(std::vector<uint8_t>& f, size_t at, int32_t w, int32_t h, uint16_t bits, uint32_t imageBytes) {
    Put32(f, at, 40);
    Put32(f, at + 4, uint32_t(w));
    Put32(f, at + 8, uint32_t(h));
    Put16(f, at + 12, 1);
    Put16(f, at + 14, bits);
    Put32(f, at + 20, imageBytes);
}
}  // namespace

std::vector<uint8_t> PictureBmp(const LPicture& p) {
    const uint32_t stride = (uint32_t(p.nWidth) * 3 + 3) & ~3u;
    const uint32_t offset = 14 + 40;
    const uint32_t size = offset + stride * uint32_t(p.nHeight);
    std::vector<uint8_t> f(size, 0);
    f[0] = 'B';
    f[1] = 'M';
    Put32(f, 2, size);
    Put32(f, 10, offset);
    InfoHeader(f, 14, p.nWidth, p.nHeight, 24, stride * uint32_t(p.nHeight));
    for (int32_t y = 0; y < p.nHeight; ++y) {
        size_t row = offset + stride * uint32_t(p.nHeight - 1 - y);
        for (int32_t x = 0; x < p.nWidth; ++x) {
            uint32_t c = p.At(x, y);
            f[row + 3 * size_t(x)] = uint8_t(c);
            f[row + 3 * size_t(x) + 1] = uint8_t(c >> 8);
            f[row + 3 * size_t(x) + 2] = uint8_t(c >> 16);
        }
    }
    return f;
}

std::vector<uint8_t> IconFile(const std::vector<LPicture>& images) {
    const size_t n = images.size();
    std::vector<uint8_t> f(6 + 16 * n, 0);
    Put16(f, 2, 1);  // icon
    Put16(f, 4, uint32_t(n));
    for (size_t i = 0; i < n; ++i) {
        const LPicture& p = images[i];
        const uint32_t maskStride = ((uint32_t(p.nWidth) + 31) / 32) * 4;
        const uint32_t bytes = 40 + uint32_t(p.nWidth) * p.nHeight * 4 + maskStride * p.nHeight;
        const size_t entry = 6 + 16 * i;
        f[entry] = uint8_t(p.nWidth >= 256 ? 0 : p.nWidth);
        f[entry + 1] = uint8_t(p.nHeight >= 256 ? 0 : p.nHeight);
        Put16(f, entry + 4, 1);   // planes
        Put16(f, entry + 6, 32);  // bits
        Put32(f, entry + 8, bytes);
        Put32(f, entry + 12, uint32_t(f.size()));
        size_t at = f.size();
        f.resize(at + bytes, 0);
        // An icon's header gives the height of colour and mask together.
        InfoHeader(f, at, p.nWidth, p.nHeight * 2, 32, bytes - 40);
        for (int32_t y = 0; y < p.nHeight; ++y) {
            size_t row = at + 40 + size_t(p.nHeight - 1 - y) * p.nWidth * 4;
            for (int32_t x = 0; x < p.nWidth; ++x) Put32(f, row + 4 * size_t(x), p.At(x, y));
        }
        // The mask stays clear: the alpha channel decides.
    }
    return f;
}

std::vector<LPictureFile> MainPictureFiles() {
    std::vector<LPictureFile> files;
    files.push_back({"Toolbar.bmp", PictureBmp(DrawToolbarStrip(1))});
    files.push_back({"Toolbar@2x.bmp", PictureBmp(DrawToolbarStrip(2))});
    files.push_back({"View.bmp", PictureBmp(DrawViewStrip(1))});
    files.push_back({"View@2x.bmp", PictureBmp(DrawViewStrip(2))});
    for (int g = 0; g < kMainGlyphCount; ++g) {
        std::string name = MainGlyphName(LMainGlyph(g));
        files.push_back({name + ".bmp", GlyphBmp(DrawMainGlyph(LMainGlyph(g), 1))});
        files.push_back({name + "@2x.bmp", GlyphBmp(DrawMainGlyph(LMainGlyph(g), 2))});
    }
    files.push_back({"Sondrel.ico", IconFile({DrawProgramIcon(16), DrawProgramIcon(32), DrawProgramIcon(48)})});
    return files;
}

}  // namespace sondrel
