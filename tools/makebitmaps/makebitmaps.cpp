// Writes the transport and meter bitmaps (1x and 2x) drawn by
// ui/LTransportGlyphs, and the main window's strips, active and record
// pictures and icon drawn by ui/LMainPictures, into a folder:
// makebitmaps ui/win32/res
#include <cstdio>
#include <string>

#include "support/LFile.h"
#include "ui/LMainPictures.h"
#include "ui/LTransportGlyphs.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: makebitmaps FOLDER\n");
        return 2;
    }
    using namespace sondrel;
    for (int g = 0; g < kGlyphCount; ++g) {
        for (int scale : {1, 2}) {
            std::vector<uint8_t> bmp = GlyphBmp(DrawGlyph(LGlyph(g), scale));
            std::string path = JoinPath(argv[1], GlyphFileName(LGlyph(g), scale));
            if (!LFile::WriteAll(path.c_str(), bmp.data(), bmp.size())) {
                std::fprintf(stderr, "makebitmaps: cannot write %s\n", path.c_str());
                return 1;
            }
        }
    }
    for (const LPictureFile& f : MainPictureFiles()) {
        std::string path = JoinPath(argv[1], f.szName);
        if (!LFile::WriteAll(path.c_str(), f.vBytes.data(), f.vBytes.size())) {
            std::fprintf(stderr, "makebitmaps: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
