// Point curves: the polyline of up to 64 points that shapes the envelope and
// the equaliser, the two files that keep the last curve, and the editing
// rules of the curve editor window (the window itself only paints and
// forwards the mouse to LCurveEdit).
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>

namespace sondrel {

constexpr int32_t POINTLISTMAX = 64;

#pragma pack(push, 1)
struct LCurvePoint {
    uint8_t x;  // 0..255 over the selection (envelope) or 0..20000 Hz (equaliser)
    uint8_t y;  // 128 = unity, 0 = silence, 255 = just under double
};

// Also the image of the curve files: the count byte, then the points.
struct PointList {
    uint8_t nPoints;
    LCurvePoint points[POINTLISTMAX];

    // Caps the count at 64 and makes x non-decreasing (a point left of its
    // predecessor moves onto it; the first point is compared with 0).
    void Validate();
    // Two points, (0, 128) and (255, 128).
    void SetFlat();
    void Set(std::initializer_list<LCurvePoint> pts);
};
#pragma pack(pop)
static_assert(sizeof(PointList) == 129, "PointList is the file image");

PointList FlatCurve();
PointList FadeInCurve();   // (0, 0) to (255, 128)
PointList FadeOutCurve();  // (0, 128) to (255, 0)

constexpr const char* kEnvelopeFile = "envelope.dat";
constexpr const char* kEqualizerFile = "equalizer.dat";

// Reads folder/name into list and validates it. A missing, empty or
// unreadable file (no complete point) gives the flat curve, which is then
// written back. A count above 64 reads 64 points; a file that ends early
// keeps the complete points it has. False only when the flat curve was
// needed and could not be written.
bool LoadPointList(const std::string& folder, const char* name, PointList& list);
// Writes the count byte and the points (count capped at 64), replacing the file.
bool SavePointList(const std::string& folder, const char* name, const PointList& list);

// Curve <-> window coordinates of an editor whose drawing area is
// width x height pixels.
struct LCurveView {
    int32_t width = 1;   // 1..2048
    int32_t height = 1;  // at least 1

    int32_t ToWindowX(int32_t x) const { return (x * width) >> 8; }
    int32_t ToWindowY(int32_t y) const { return ((255 - y) * height) >> 8; }
    // Unclamped curve coordinates of a window point (may leave 0..255).
    int32_t ToCurveX(int32_t X) const { return (X * 256) / width; }
    int32_t ToCurveY(int32_t Y) const { return 255 - (Y * 256) / height; }
    // Sets the drawing area from a client size; a bordered window draws its
    // frame on the last row and column, so they are not part of it.
    void SetClientSize(int32_t clientWidth, int32_t clientHeight, bool bordered);
};

int32_t ClampCurve(int32_t v);  // to 0..255

// The editor's state and mouse rules. All coordinates are curve units.
class LCurveEdit {
public:
    PointList list{};
    int32_t iSelected = -1;  // point being dragged; -1 when none

    // Index of the first point within 4 units in both x and y, or -1.
    int32_t HitTest(int32_t x, int32_t y) const;
    // Left button (clamped coordinates): picks the point under the pointer,
    // or inserts one there (not when 63 points are already in use; then no
    // point is selected). True when the list changed.
    bool LeftDown(int32_t x, int32_t y);
    // Mouse move with the left button down (clamped coordinates): moves the
    // selected point; the first and last points keep x 0 and 255, the others
    // stay between their neighbours. False when no point is selected. The
    // point's new position is left in moved.
    bool Drag(int32_t x, int32_t y, LCurvePoint& moved);
    // Right button (unclamped coordinates): removes the point under the
    // pointer unless it is the first or the last. True when one was removed.
    bool RightDown(int32_t x, int32_t y);
};

// Labels shown by the editor dialogs while the pointer moves.
// Equaliser: "%d Hz, %d %" (frequency x * 20000 / 255, percent y * 100 / 128).
std::string EqualizerLabel(int32_t x, int32_t y);
// Envelope: "(h:mm:ss.hh, %d %)" for the time of curve x within the selection
// [selStart, selStart + selFrames) at rate, percent y * 100 / 127.5.
std::string EnvelopeLabel(int32_t x, int32_t y, int32_t selStart, int32_t selFrames, int32_t rate);

}  // namespace sondrel
