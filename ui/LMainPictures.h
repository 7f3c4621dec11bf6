// The main window's own pictures, drawn from simple shapes at any scale:
// the toolbar's strip (nine 24-unit images: cut, copy, paste, undo, play,
// record, new, open, save), the view buttons' strip (nine 16-unit slots,
// images 2 vertical zoom, 4 zoom out, 5 zoom to selection, 6 zoom in and 8
// zoom full), the Play and Stop buttons' active pictures and the Record
// button's in the transport glyphs' palette, and the program icon.
// tools/makebitmaps writes them as the files the Windows resources are
// built from; a test keeps those files equal to what is drawn here.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "ui/LTransportGlyphs.h"

namespace sondrel {

// 0xRRGGBB per pixel, top row first; kPictureKey marks a transparent pixel
// of a strip (magenta, the image lists' mask colour).
constexpr uint32_t kPictureKey = 0xFF00FF;

struct LPicture {
    int32_t nWidth = 0, nHeight = 0;
    std::vector<uint32_t> vPixels;
    uint32_t At(int32_t x, int32_t y) const { return vPixels[size_t(y) * nWidth + x]; }
};

constexpr int32_t kToolbarImages = 10, kToolbarUnits = 24;
constexpr int32_t kViewImages = 9, kViewUnits = 16;

LPicture DrawToolbarStrip(int32_t scale);
LPicture DrawViewStrip(int32_t scale);
// The program icon's image of size pixels, 0xAARRGGBB (alpha in the top byte).
LPicture DrawProgramIcon(int32_t size);

enum LMainGlyph : int32_t { kMainGlyphPlayActive, kMainGlyphStopActive, kMainGlyphRecord, kMainGlyphCount };
LGlyphImage DrawMainGlyph(LMainGlyph glyph, int32_t scale);
const char* MainGlyphName(LMainGlyph glyph);  // "PlayActive", "StopActive", "Record"

// A strip as a 24-bit BMP file; icon images (16, 32 and 48 pixels) as one ICO file.
std::vector<uint8_t> PictureBmp(const LPicture& picture);
std::vector<uint8_t> IconFile(const std::vector<LPicture>& images);

// Every file the main window's resources take, by name ("Toolbar.bmp",
// "Toolbar@2x.bmp", "View.bmp", ..., "PlayActive@2x.bmp", "Sondrel.ico").
struct LPictureFile {
    std::string szName;
    std::vector<uint8_t> vBytes;
};
std::vector<LPictureFile> MainPictureFiles();

}  // namespace sondrel
