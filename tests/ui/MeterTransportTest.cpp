#include <gtest/gtest.h>

#include "ui/LMeterModel.h"
#include "ui/LTransportModel.h"

using namespace sondrel;

TEST(LevelMeter, OneLevelClampsAndRepaintsTheStripe) {
    LMeterModel m;
    struct {
        int32_t dB, stored;
    } cases[] = {{13, 12}, {12, 12}, {-40, -36}, {-127, -36}, {0, 0}, {-5, -5}};
    for (auto& c : cases) {
        m.SetLevel(c.dB, 480, 20);
        EXPECT_EQ(m.iLevels[0], c.stored) << c.dB;
        EXPECT_EQ(m.nBars, 1);
    }
    // Already one bar: only the stripe between old and new level.
    m.SetLevel(-6, 480, 20);
    LMeterModel::Repaint rp = m.SetLevel(6, 480, 20);
    EXPECT_FALSE(rp.bAll);
    ASSERT_EQ(rp.nStripes, 1);
    EXPECT_EQ(rp.stripes[0].left, 300);   // (-6 + 36) * 480 / 48
    EXPECT_EQ(rp.stripes[0].right, 421); // (6 + 36) * 480 / 48, inclusive
    EXPECT_EQ(rp.stripes[0].top, 0);
    EXPECT_EQ(rp.stripes[0].bottom, 20);
    EXPECT_EQ(m.SetLevel(6, 480, 20).nStripes, 0);  // unchanged: nothing
    // From several bars to one: everything.
    int8_t two[] = {0, 0};
    m.SetLevels(two, 2, 480, 20);
    EXPECT_TRUE(m.SetLevel(0, 480, 20).bAll);
}

TEST(LevelMeter, ChannelLevelsShowAtMostEightBars) {
    LMeterModel m;
    int8_t nine[] = {13, -40, -127, 0, 1, 2, 3, 4, 5};
    EXPECT_TRUE(m.SetLevels(nine, 9, 480, 80).bAll);
    EXPECT_EQ(m.nBars, 8);
    const int8_t expect[] = {12, -36, -36, 0, 1, 2, 3, 4};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(m.iLevels[i], expect[i]) << i;
    // Same count: a stripe per changed bar, in that bar's band.
    int8_t next[] = {12, -36, -20, 0, 1, 2, 3, 10, 99};
    LMeterModel::Repaint rp = m.SetLevels(next, 9, 480, 80);
    EXPECT_FALSE(rp.bAll);
    ASSERT_EQ(rp.nStripes, 2);
    EXPECT_EQ(rp.stripes[0].top, 20);   // bar 2 of 8 over 80 pixels
    EXPECT_EQ(rp.stripes[0].bottom, 30);
    EXPECT_EQ(rp.stripes[0].left, 0);
    EXPECT_EQ(rp.stripes[0].right, 161);
    EXPECT_EQ(rp.stripes[1].top, 70);
    // No channels: no bars.
    EXPECT_TRUE(m.SetLevels(next, 0, 480, 80).bAll);
    EXPECT_EQ(m.nBars, 0);
}

TEST(LevelMeter, BarPaintSplitsGreenRedAndBlack) {
    struct {
        int32_t dB, green, red;
    } cases[] = {{-127, 0, 0}, {-36, 0, 0}, {-12, 240, 240}, {0, 360, 360}, {6, 360, 420}, {40, 360, 480}};
    for (auto& c : cases) {
        LMeterModel::BarPaint p = LMeterModel::PaintBar(c.dB, 480);
        EXPECT_EQ(p.greenEnd, c.green) << c.dB;
        EXPECT_EQ(p.redEnd, c.red) << c.dB;
    }
}

TEST(DBEdit, Text) {
    struct {
        int32_t dB;
        const char* text;
    } texts[] = {{-127, "--dB"}, {-128, "--dB"}, {-126, "-126dB"}, {0, "0dB"}, {7, "7dB"}, {-36, "-36dB"}};
    for (auto& t : texts) EXPECT_EQ(LDBEditModel::Text(t.dB), t.text);
}

TEST(DBEdit, ValueClampsAndFollowsTheMouse) {
    LDBEditModel m;
    EXPECT_TRUE(m.SetValue(7));
    EXPECT_FALSE(m.SetValue(7));
    m.SetValue(40);
    EXPECT_EQ(m.iValue, 12);
    m.SetValue(-127);
    EXPECT_EQ(m.iValue, -36);
    int32_t v = 99;
    EXPECT_FALSE(m.ValueAt(31, 128, v));  // on the edit
    EXPECT_EQ(v, 99);
    struct {
        int32_t x, dB;
    } mouse[] = {{32, -36}, {80, -12}, {104, 0}, {128, 12}, {500, 12}};
    for (auto& c : mouse) {
        ASSERT_TRUE(m.ValueAt(c.x, 128, v));
        EXPECT_EQ(v, c.dB) << c.x;
    }
    EXPECT_TRUE(m.ValueAt(40, 20, v));  // narrower than its edit: no division by zero
    EXPECT_EQ(v, 12);
    EXPECT_EQ(m.ValueX(0, 128), 104);
    m.SetRange(0, -60);
    m.SetValue(5);
    EXPECT_EQ(m.iValue, 0);
}

TEST(Transport, ButtonChecksAndModesFollowThePlayer) {
    struct {
        uint16_t state;
        bool play, scrub, stop;
        LTransportMode mode;
    } cases[] = {{0, false, false, true, kModeStopped},
                 {kPlayerOpen, true, false, false, kModePlaying},
                 {kPlayerOpen | 0x02, true, false, false, kModePlaying},
                 {kPlayerOpen | kPlayerCueing, false, true, false, kModeScrubbing},
                 {kPlayerOpen | kPlayerCueing | 0x10, false, true, false, kModeScrubbing}};
    for (auto& c : cases) {
        LTransportChecks k = ChecksOf(c.state);
        EXPECT_EQ(k.bPlay, c.play) << c.state;
        EXPECT_EQ(k.bScrub, c.scrub) << c.state;
        EXPECT_EQ(k.bStop, c.stop) << c.state;
        EXPECT_EQ(ModeOf(c.state), c.mode) << c.state;
    }
}

TEST(Transport, ScanSpeeds) {
    struct {
        bool forward;
        LTransportMode mode;
        double factor, target;
    } cases[] = {{false, kModePlaying, -0.5, -7.0}, {false, kModeStopped, -0.5, -7.0}, {false, kModeScrubbing, -0.1, -3.0},
                 {true, kModePlaying, 1.5, 7.0},    {true, kModeStopped, 1.5, 7.0},    {true, kModeScrubbing, 0.1, 3.0}};
    for (auto& c : cases) {
        LScanSpeed s = ScanSpeed(c.forward, c.mode);
        EXPECT_EQ(s.dFactor, c.factor);
        EXPECT_EQ(s.dTarget, c.target);
    }
}

TEST(Transport, ScrollBarArithmetic) {
    struct {
        int32_t request, thumb, pos, length, target;
    } cases[] = {{kScrollLineLeft, 0, 1500, 60000, 0},     {kScrollPageLeft, 0, 5000, 60000, 3000},
                 {kScrollLineRight, 0, 5000, 60000, 7000}, {kScrollPageRight, 0, 59000, 60000, 61000},
                 {kScrollThumbTrack, 100, 0, 60000, 30000}, {kScrollThumbPosition, 200, 0, 60000, 60000},
                 {kScrollTop, 0, 5000, 60000, 0},           {kScrollBottom, 0, 5000, 60000, 60000}};
    for (auto& c : cases) {
        int32_t t = -1;
        ASSERT_TRUE(ScrollTarget(c.request, c.thumb, c.pos, c.length, t)) << c.request;
        EXPECT_EQ(t, c.target) << c.request;
    }
    int32_t t = 77;
    EXPECT_FALSE(ScrollTarget(8 /* SB_ENDSCROLL */, 0, 5000, 60000, t));
    EXPECT_EQ(t, 77);
}

TEST(Transport, ShowPositionAsksForTheTwoSecondView) {
    LShownPosition p = ShowPosition(3000, 60000, 44100, false);
    EXPECT_EQ(p.nMs, 3000);
    EXPECT_EQ(p.nScroll, 10);  // 3000 / 60000 * 201
    EXPECT_EQ(p.nCursor, 132300);
    EXPECT_EQ(p.nCursorLength, 0);
    EXPECT_EQ(p.nViewStart, 88200);
    EXPECT_EQ(p.nViewLength, 88200);
    p = ShowPosition(-20, 60000, 8000, true);
    EXPECT_EQ(p.nMs, 0);
    EXPECT_EQ(p.nCursorLength, 200);
    EXPECT_EQ(p.nViewStart, 0);
    EXPECT_EQ(ShowPosition(500, 0, 8000, false).nScroll, 0);
    EXPECT_EQ(ShowPosition(60000, 60000, 8000, false).nScroll, 201);
}
