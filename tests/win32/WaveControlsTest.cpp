#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "support/LResourceIds.h"
#include "support/TestUtil.h"
#include "ui/LWaveScan.h"
#include "ui/LWaveScanThread.h"
#include "ui/win32/LMeterControls.h"
#include "ui/win32/LWaveWindow.h"
#include "win32/ControlHost.h"

using namespace sondrel;
using namespace sondrel::wintest;

namespace {

// Feeds a scan into the control the way the worker does, synchronously.
class WindowHost : public LWaveScanHost {
public:
    explicit WindowHost(LWaveWindow& w) : win(w) {}
    void StoreColumn(int32_t c, uint8_t h) override { win.ScanStoreColumn(c, h); }
    LWaveWindow& win;
};

void Scan(LWaveWindow& win, LWaveScanner& scanner, int32_t start, int32_t length) {
    LWaveView mapping;
    LViewChange ch = win.ScanSetView(start, length, mapping);
    WindowHost host(win);
    scanner.Compute(mapping, ch.from, ch.to, host);
}

// Ten samples a column; column c peaks at (c % 50) * 5000 (height (c % 50) * 5000 >> 10).
std::vector<int32_t> KnownWave(int32_t columns) {
    std::vector<int32_t> s(size_t(columns) * 10, 0);
    for (int32_t c = 0; c < columns; ++c) s[size_t(c) * 10 + 4] = (c % 50) * 5000 * ((c & 1) ? -1 : 1);
    return s;
}

// What a column must look like: background above and below, wave around the middle.
void ExpectColumn(HWND w, int32_t c, int32_t height, int32_t column, COLORREF wave, COLORREF back) {
    const int32_t mid = height / 2, h = (column * height) >> 9, x = c + 1;
    SCOPED_TRACE(testing::Message() << "column " << c << " height " << column);
    if (mid - h > 1) {
        EXPECT_EQ(PixelAt(w, x, 1), back);
        EXPECT_EQ(PixelAt(w, x, mid - h - 1), back);
    }
    EXPECT_EQ(PixelAt(w, x, mid - h), wave);
    EXPECT_EQ(PixelAt(w, x, mid + h), wave);
    if (mid + h + 1 < height) {
        EXPECT_EQ(PixelAt(w, x, mid + h + 1), back);
    }
}

class WaveControls : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(LWaveWindow::RegisterClass(GetModuleHandleA(nullptr)));
        ASSERT_TRUE(RegisterMeterClasses(GetModuleHandleA(nullptr)));
    }
    // A wave window of 200 columns and height 100 in the host, attached to win.
    HWND AddWave(ControlHost& host, LWaveWindow& win) {
        HWND w = host.AddControl(kWaveWindowClass, IDC_TRANSPORT_WAVE, 10, 10, 202, 101);
        if (w) win.Attach(w);
        return w;
    }
};

}  // namespace

// A known waveform read back from the screen: the wave, the selection in
// the highlight colours, the scrub range in green, the cursor column and
// the greyed columns past the end; before a scan everything is grey.
TEST_F(WaveControls, WaveWindowPaintsTheColumnsItWasGiven) {
    ControlHost host(260, 140);
    LWaveWindow win;
    HWND w = AddWave(host, win);
    ASSERT_NE(w, nullptr);
    InvalidateRect(w, nullptr, FALSE);
    EXPECT_EQ(PixelAt(w, 50, 50), RGB(128, 128, 128));  // grey until a scan starts

    LWaveScanner scanner(MakeSource<test::VectorSource>(KnownWave(200), 44100, 1));
    win.ScanStarted();
    win.SetLength(1800);     // columns 180.. past the end
    win.SetMarkStart(400);
    win.SetMarkEnd(800);     // columns 40..79 selected
    win.SetCursor(1000, 100);  // columns 100..109 green, cursor line at 100
    Scan(win, scanner, 0, 2000);
    ControlHost::Pump();

    const COLORREF text = GetSysColor(COLOR_WINDOWTEXT), window = GetSysColor(COLOR_WINDOW);
    const COLORREF hiText = GetSysColor(COLOR_HIGHLIGHTTEXT), hi = GetSysColor(COLOR_HIGHLIGHT);
    const COLORREF grey = GetSysColor(COLOR_GRAYTEXT), face = GetSysColor(COLOR_BTNFACE);
    auto height = [](int32_t c) { return LWaveView::ColumnHeight((c % 50) * 5000); };
    for (int32_t c : {0, 1, 13, 39}) ExpectColumn(w, c, 100, height(c), text, window);
    for (int32_t c : {40, 49, 79}) ExpectColumn(w, c, 100, height(c), hiText, hi);
    for (int32_t c : {101, 109}) ExpectColumn(w, c, 100, height(c), RGB(0, 128, 0), RGB(170, 255, 170));
    for (int32_t c : {110, 149, 179}) ExpectColumn(w, c, 100, height(c), text, window);
    for (int32_t c : {180, 199}) ExpectColumn(w, c, 100, height(c), grey, face);
    // The cursor's own column is one bright green line.
    for (int32_t y : {1, 30, 50, 99}) EXPECT_EQ(PixelAt(w, 101, y), RGB(0, 255, 0)) << y;
    // The frame: black along the top and left, white along the bottom and right.
    EXPECT_EQ(PixelAt(w, 0, 40), RGB(0, 0, 0));
    EXPECT_EQ(PixelAt(w, 60, 0), RGB(0, 0, 0));
    EXPECT_EQ(PixelAt(w, 60, 100), RGB(255, 255, 255));
    EXPECT_EQ(PixelAt(w, 201, 40), RGB(255, 255, 255));

    // The green range inside the selection swaps its colours.
    win.SetMarkEnd(1100);
    ControlHost::Pump();
    ExpectColumn(w, 105, 100, height(105), RGB(170, 255, 170), RGB(0, 128, 0));

    // A scroll by 50 columns moves the picture and computes the rest.
    Scan(win, scanner, 500, 2000);
    ControlHost::Pump();
    LWaveView now = win.Snapshot();
    for (int32_t c = 0; c < 150; ++c) ASSERT_EQ(now.columns[c], height(c + 50)) << c;
    for (int32_t c = 150; c < 200; ++c) ASSERT_EQ(now.columns[c], 0) << c;  // past the samples
    ExpectColumn(w, 5, 100, height(55), hiText, hi);

    win.ScanStopped();
    ControlHost::Pump();
    EXPECT_EQ(PixelAt(w, 50, 50), RGB(128, 128, 128));
}

// Posted mouse messages give the notifications in order: dragging out to
// the right and back posts 4 then 5 once each.
TEST_F(WaveControls, WaveWindowMouseNotifiesItsParent) {
    ControlHost host(260, 140);
    LWaveWindow win;
    HWND w = AddWave(host, win);
    ASSERT_NE(w, nullptr);
    LWaveScanner scanner(MakeSource<test::VectorSource>(KnownWave(200), 44100, 1));
    win.ScanStarted();
    win.SetLength(2000);
    Scan(win, scanner, 0, 2000);
    auto post = [&](UINT msg, int x) { PostMessageA(w, msg, msg == WM_MOUSEMOVE ? 0 : MK_LBUTTON, MAKELPARAM(x, 50)); };

    // A release with no press first changes nothing.
    post(WM_LBUTTONUP, 70);
    ControlHost::Pump();
    EXPECT_TRUE(host.notes.empty());
    EXPECT_EQ(win.MarkEnd(), -1);

    post(WM_LBUTTONDOWN, 40);
    for (int x : {60, 205, 240, 300, 120}) post(WM_MOUSEMOVE, x);
    post(WM_LBUTTONUP, 150);
    ControlHost::Pump();
    EXPECT_EQ(host.Codes(IDC_TRANSPORT_WAVE), (std::vector<int>{8, 4, 8, 8, 8, 5, 8, 2}));
    EXPECT_EQ(win.MarkStart(), 400);
    EXPECT_EQ(win.MarkEnd(), 1500);
    EXPECT_EQ(win.Cursor(), 1500);
    EXPECT_EQ(GetCapture(), nullptr);
    // The selection shows in the highlight colours.
    EXPECT_EQ(PixelAt(w, 61, 2), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(PixelAt(w, 161, 2), GetSysColor(COLOR_WINDOW));
}

// The meter's bars: green to 0 dB, red above, black after; clamped levels;
// nine channels show eight bars; disabled it is grey.
TEST_F(WaveControls, LevelMeterPaintsTheBarExtents) {
    ControlHost host(520, 120);
    HWND m = host.AddControl(kDBDisplayClass, IDC_TRANSPORT_METER, 10, 10, 480, 80);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(PixelAt(m, 100, 40), RGB(128, 128, 128));  // no bars yet
    const COLORREF litGreen = RGB(0, 224, 0), darkGreen = RGB(0, 96, 0), litRed = RGB(240, 32, 32), black = RGB(0, 0, 0);

    DBDisplaySetLevel(m, 6);  // green to x 360, red to 420
    EXPECT_EQ(PixelAt(m, 1, 40), litGreen);
    EXPECT_EQ(PixelAt(m, 3, 40), darkGreen);  // the pattern's gap
    EXPECT_EQ(PixelAt(m, 359, 40), darkGreen);
    EXPECT_EQ(PixelAt(m, 361, 79), litRed);
    EXPECT_EQ(PixelAt(m, 420, 40), black);
    EXPECT_EQ(PixelAt(m, 479, 40), black);

    DBDisplaySetLevel(m, 13);  // shows as 12: red to the end
    EXPECT_EQ(DBDisplayLevel(m, 0), 12);
    EXPECT_EQ(PixelAt(m, 477, 40), litRed);
    DBDisplaySetLevel(m, -40);
    EXPECT_EQ(DBDisplayLevel(m, 0), -36);
    DBDisplaySetLevel(m, -127);  // an empty bar
    EXPECT_EQ(PixelAt(m, 0, 40), black);
    EXPECT_EQ(PixelAt(m, 200, 40), black);

    int8_t nine[] = {12, -36, 0, -12, 6, -24, 3, -6, 12};
    DBDisplaySetLevels(m, nine, 9);
    EXPECT_EQ(DBDisplayBars(m), 8);
    // Bar i fills y 10i..10i+9 and ends where its level says.
    for (int i = 0; i < 8; ++i) {
        const int x = (nine[i] + 36) * 480 / 48;
        SCOPED_TRACE(i);
        if (x > 0) {
            EXPECT_NE(PixelAt(m, x - 1, i * 10 + 5), black);
        }
        if (x < 480) {
            EXPECT_EQ(PixelAt(m, x, i * 10 + 5), black);
        }
    }
    EnableWindow(m, FALSE);
    EXPECT_EQ(PixelAt(m, 100, 40), RGB(128, 128, 128));
}

// The decibel slider: its text, typing, the mouse and its painting.
TEST_F(WaveControls, DBEditTextTypingAndMouse) {
    ControlHost host(200, 60);
    HWND e = host.AddControl(kDBEditClass, IDC_TRANSPORT_VOLUME, 10, 10, 128, 20);
    ASSERT_NE(e, nullptr);
    HWND child = GetDlgItem(e, IDC_DBEDIT_TEXT);
    ASSERT_NE(child, nullptr);
    auto text = [&] {
        char t[16] = {};
        GetWindowTextA(child, t, sizeof t);
        return std::string(t);
    };
    EXPECT_EQ(text(), "0dB");
    SendMessageA(e, kDBEditSetValue, 0, -50);  // clamped to the default minimum
    EXPECT_EQ(SendMessageA(e, kDBEditGetValue, 0, 0), -36);
    EXPECT_EQ(text(), "-36dB");
    SendMessageA(e, kDBEditSetRange, WPARAM(-127), 12);
    SendMessageA(e, kDBEditSetValue, 0, -127);
    EXPECT_EQ(text(), "--dB");
    SendMessageA(e, kDBEditSetRange, WPARAM(-36), 12);
    ControlHost::Pump();
    EXPECT_TRUE(host.notes.empty());  // setting the value is not a change by the user

    // Typing 7 sets 7 and tells the parent once.
    SetFocus(e);
    ControlHost::Pump();
    EXPECT_EQ(GetFocus(), child);
    SendMessageA(child, EM_SETSEL, 0, -1);
    SendMessageA(child, WM_CHAR, '7', 0);
    ControlHost::Pump();
    EXPECT_EQ(SendMessageA(e, kDBEditGetValue, 0, 0), 7);
    EXPECT_EQ(host.Codes(IDC_TRANSPORT_VOLUME), (std::vector<int>{0x300}));

    // The mouse on the track: x 104 is 0 dB on a 96-pixel track.
    host.notes.clear();
    PostMessageA(e, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(104, 5));
    PostMessageA(e, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(116, 5));
    PostMessageA(e, WM_LBUTTONUP, 0, MAKELPARAM(116, 5));
    ControlHost::Pump();
    EXPECT_EQ(SendMessageA(e, kDBEditGetValue, 0, 0), 6);
    EXPECT_EQ(text(), "6dB");
    EXPECT_EQ(host.Codes(IDC_TRANSPORT_VOLUME), (std::vector<int>{0x300, 0x300}));
    // Green to 0 dB, dark red to the value, black after, the thumb at the value.
    EXPECT_EQ(PixelAt(e, 50, 10), RGB(0, 128, 0));
    EXPECT_EQ(PixelAt(e, 108, 10), RGB(192, 0, 0));
    EXPECT_EQ(PixelAt(e, 116, 10), RGB(192, 192, 192));
    EXPECT_EQ(PixelAt(e, 125, 10), RGB(0, 0, 0));
    EnableWindow(e, FALSE);
    EXPECT_FALSE(IsWindowEnabled(child));
    EXPECT_EQ(PixelAt(e, 50, 10), RGB(128, 128, 128));
}

// A larger font (a high DPI) widens the edit to its text and moves the
// track's start with it; the control's height is the edit's.
TEST_F(WaveControls, DBEditFollowsItsFont) {
    ControlHost host(400, 80);
    HWND e = host.AddControl(kDBEditClass, IDC_TRANSPORT_VOLUME, 10, 10, 300, 20);
    ASSERT_NE(e, nullptr);
    HWND child = GetDlgItem(e, IDC_DBEDIT_TEXT);
    HFONT big = CreateFontA(-26, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, "Arial");
    HDC dc = GetDC(child);
    HGDIOBJ old = SelectObject(dc, big);
    SIZE wide{};
    GetTextExtentPoint32A(dc, "-99dB", 5, &wide);
    SelectObject(dc, old);
    ReleaseDC(child, dc);
    ASSERT_GT(wide.cx, 40);

    SendMessageA(e, WM_SETFONT, WPARAM(big), TRUE);
    SetWindowPos(e, nullptr, 0, 0, 300, 40, SWP_NOMOVE | SWP_NOZORDER);
    RECT r;
    GetWindowRect(child, &r);
    const int start = r.right - r.left;
    EXPECT_GE(start, wide.cx);
    EXPECT_EQ(r.bottom - r.top, 40);
    // The track's left end is the minimum, its right end the maximum.
    PostMessageA(e, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(start, 5));
    PostMessageA(e, WM_LBUTTONUP, 0, MAKELPARAM(start, 5));
    ControlHost::Pump();
    EXPECT_EQ(SendMessageA(e, kDBEditGetValue, 0, 0), -36);
    PostMessageA(e, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(299, 5));
    PostMessageA(e, WM_LBUTTONUP, 0, MAKELPARAM(299, 5));
    ControlHost::Pump();
    EXPECT_GE(SendMessageA(e, kDBEditGetValue, 0, 0), 11);
    EXPECT_EQ(PixelAt(e, start + 2, 20), RGB(0, 128, 0));  // the track, not the edit
    DestroyWindow(e);
    DeleteObject(big);
}

// The worker on its own thread draws into the window while the window's
// thread paints: columns arrive progressively, scrolls move the picture,
// and stopping greys it again.
TEST_F(WaveControls, ScanWorkerDrawsWhileTheWindowPaints) {
    ControlHost host(260, 140);
    LWaveWindow win;
    HWND w = AddWave(host, win);
    ASSERT_NE(w, nullptr);
    LWaveScanThread scan;
    std::vector<int32_t> samples = KnownWave(400);
    scan.Start(MakeSource<test::VectorSource>(samples, 44100, 1), &win);
    EXPECT_TRUE(IsWindowEnabled(w));
    win.SetLength(4000);
    scan.RequestView(0, 2000);
    ASSERT_TRUE(ControlHost::PumpUntil(5000, [&] { return scan.IsIdle(); }));
    auto height = [](int32_t c) { return LWaveView::ColumnHeight((c % 50) * 5000); };
    const COLORREF text = GetSysColor(COLOR_WINDOWTEXT), window = GetSysColor(COLOR_WINDOW);
    for (int32_t c : {3, 77, 150}) ExpectColumn(w, c, 100, height(c), text, window);
    // Follow a moving position, as playback does: many small scrolls.
    for (int32_t s = 0; s <= 1000; s += 30) {
        scan.RequestView(s, 2000);
        ControlHost::Pump();
    }
    ASSERT_TRUE(ControlHost::PumpUntil(5000, [&] { return scan.IsIdle(); }));
    ControlHost::Pump();
    LWaveView now = win.Snapshot();
    EXPECT_EQ(now.nViewStart, 990);
    for (int32_t c = 0; c < 200; ++c) ASSERT_EQ(now.columns[c], height(c + 99)) << c;
    for (int32_t c : {0, 60, 199}) ExpectColumn(w, c, 100, height(c + 99), text, window);
    scan.Stop();
    ControlHost::Pump();
    EXPECT_FALSE(IsWindowEnabled(w));
    EXPECT_EQ(PixelAt(w, 50, 50), RGB(128, 128, 128));
}
