#include "effects/PointList.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/LSoundTime.h"
#include "support/LFile.h"

namespace sondrel {

void PointList::Validate() {
    if (nPoints >= POINTLISTMAX) nPoints = POINTLISTMAX;
    uint8_t prev = 0;
    for (int32_t i = 0; i < nPoints; ++i) {
        if (points[i].x < prev) points[i].x = prev;
        prev = points[i].x;
    }
}

void PointList::SetFlat() { Set({{0, 128}, {255, 128}}); }

void PointList::Set(std::initializer_list<LCurvePoint> pts) {
    std::memset(this, 0, sizeof *this);
    for (const LCurvePoint& p : pts) {
        if (nPoints == POINTLISTMAX) break;
        points[nPoints++] = p;
    }
}

PointList FlatCurve() {
    PointList l;
    l.SetFlat();
    return l;
}

PointList FadeInCurve() {
    PointList l;
    l.Set({{0, 0}, {255, 128}});
    return l;
}

PointList FadeOutCurve() {
    PointList l;
    l.Set({{0, 128}, {255, 0}});
    return l;
}

bool SavePointList(const std::string& folder, const char* name, const PointList& list) {
    LFile f;
    if (!f.Open(JoinPath(folder, name).c_str(), LFile::kCreate)) return false;
    uint32_t n = std::min<uint32_t>(list.nPoints, POINTLISTMAX);
    uint8_t image[sizeof(PointList)];
    image[0] = uint8_t(n);
    std::memcpy(image + 1, list.points, n * sizeof(LCurvePoint));
    uint32_t bytes = 1 + n * uint32_t(sizeof(LCurvePoint));
    return f.Write(image, bytes) == bytes;
}

bool LoadPointList(const std::string& folder, const char* name, PointList& list) {
    std::memset(&list, 0, sizeof list);
    std::string path = JoinPath(folder, name);
    LFile f;
    if (f.Open(path.c_str(), LFile::kRead)) {
        uint8_t count = 0;
        if (f.Read(&count, 1) == 1) {
            uint32_t want = std::min<uint32_t>(count, POINTLISTMAX);
            uint32_t got = 0;
            // A short read may end inside a point; only whole points count.
            while (got < want * sizeof(LCurvePoint)) {
                uint32_t r = f.Read(reinterpret_cast<uint8_t*>(list.points) + got,
                                    uint32_t(want * sizeof(LCurvePoint)) - got);
                if (r == 0) break;
                got += r;
            }
            list.nPoints = uint8_t(got / sizeof(LCurvePoint));
        }
        f.Close();
    }
    list.Validate();
    if (list.nPoints != 0) return true;
    list.SetFlat();
    return SavePointList(folder, name, list);
}

void LCurveView::SetClientSize(int32_t clientWidth, int32_t clientHeight, bool bordered) {
    if (bordered) {
        --clientWidth;
        --clientHeight;
    }
    width = std::clamp(clientWidth, 1, 2048);
    // The height divides window coordinates; it must not be 0 either.
    height = std::max(clientHeight, 1);
}

int32_t ClampCurve(int32_t v) { return std::clamp(v, 0, 255); }

int32_t LCurveEdit::HitTest(int32_t x, int32_t y) const {
    for (int32_t i = 0; i < list.nPoints; ++i)
        if (std::abs(x - list.points[i].x) <= 4 && std::abs(y - list.points[i].y) <= 4) return i;
    return -1;
}

bool LCurveEdit::LeftDown(int32_t x, int32_t y) {
    int32_t hit = HitTest(x, y);
    if (hit >= 0) {
        iSelected = hit;
        return false;
    }
    if (list.nPoints >= POINTLISTMAX - 1) {
        // A full list adds nothing; no earlier point stays selected, so the
        // drag that follows moves nothing.
        iSelected = -1;
        return false;
    }
    int32_t n = list.nPoints;
    int32_t k = n;
    for (int32_t i = 1; i < n; ++i)
        if (list.points[i].x > x) {
            k = i;
            break;
        }
    std::memmove(&list.points[k + 1], &list.points[k], size_t(n - k) * sizeof(LCurvePoint));
    list.points[k] = LCurvePoint{uint8_t(ClampCurve(x)), uint8_t(ClampCurve(y))};
    list.nPoints = uint8_t(n + 1);
    iSelected = k;
    return true;
}

bool LCurveEdit::Drag(int32_t x, int32_t y, LCurvePoint& moved) {
    int32_t n = list.nPoints;
    if (iSelected < 0 || iSelected >= n) return false;
    int32_t i = iSelected;
    int32_t nx;
    if (i == 0)
        nx = 0;
    else if (i == n - 1)
        nx = 255;
    else
        nx = std::clamp(x, int32_t(list.points[i - 1].x), int32_t(list.points[i + 1].x));
    moved = LCurvePoint{uint8_t(nx), uint8_t(ClampCurve(y))};
    list.points[i] = moved;
    return true;
}

bool LCurveEdit::RightDown(int32_t x, int32_t y) {
    int32_t hit = HitTest(x, y);
    int32_t n = list.nPoints;
    if (hit <= 0 || hit >= n - 1) return false;
    std::memmove(&list.points[hit], &list.points[hit + 1], size_t(n - 1 - hit) * sizeof(LCurvePoint));
    list.nPoints = uint8_t(n - 1);
    // Keep the selection on the same point, or drop it when that point went.
    if (iSelected == hit)
        iSelected = -1;
    else if (iSelected > hit)
        --iSelected;
    return true;
}

std::string EqualizerLabel(int32_t x, int32_t y) {
    char text[64];
    std::snprintf(text, sizeof text, "%d Hz, %d %%", int(x * 78.43137254901961), int(y * 0.78125));
    return text;
}

std::string EnvelopeLabel(int32_t x, int32_t y, int32_t selStart, int32_t selFrames, int32_t rate) {
    int32_t frame = int32_t(x * (double(selFrames) / 255)) + selStart;
    std::string time = FormatPosition(LSoundTime::FromSamples(frame, rate));
    char text[96];
    std::snprintf(text, sizeof text, "(%s, %d %%)", time.c_str(), int(y * 0.7843137254901961));
    return text;
}

}  // namespace sondrel
