// The overview of a file while it loads: it fills from the left with only
// what has arrived, and ends as the scan worker draws the finished audio.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "document/LAudioCutTank.h"
#include "document/LCutListAudio.h"
#include "support/TestUtil.h"
#include "ui/LLoadOverview.h"
#include "ui/LWaveScan.h"

using namespace sondrel;

namespace {

class Columns : public LWaveScanHost {
public:
    explicit Columns(int32_t width) : heights(size_t(width), -1) {}
    void StoreColumn(int32_t c, uint8_t h) override {
        ++stores;
        heights[size_t(c)] = h;
    }
    std::vector<int> heights;  // -1: never stored
    int stores = 0;
};

class LoadOverview : public ::testing::Test {
protected:
    void SetUp() override { pScope = std::make_unique<LCutTankScope>(test::ScratchDir("loadoverview")); }
    void TearDown() override { pScope.reset(); }
    std::unique_ptr<LCutTankScope> pScope;
};

// 100 columns of 512 frames (two summary blocks) each, column c at a level
// of its own, so that block heights and sample heights agree; the view is
// as long as the reader said, which a short file may not fill.
TEST_F(LoadOverview, FillsWithWhatHasArrivedAndEndsAsTheScanDrawsIt) {
    constexpr int32_t kWidth = 100, kColumn = 512;
    static_assert(kColumn % kSummaryBlockFrames == 0);
    struct Case {
        const char* name;
        int32_t frames;    // what the file holds
        int32_t expected;  // what its reader said it would hold
    } cases[] = {
        {"as said", kWidth * kColumn, kWidth * kColumn},
        {"shorter than said", kWidth * kColumn * 3 / 4, kWidth * kColumn},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LWaveView map;
        map.Size(kWidth + 2, 101);
        map.SetView(0, c.expected);
        ASSERT_EQ(map.nWidth, kWidth);

        LCutListAudio list;
        LLoadOverview load;
        Columns shown(kWidth);
        std::shared_ptr<const LGrowingSummary> growing;
        {
            LSoundSinkPtr sink = CreateSink(list, 44100, 2);
            growing = static_cast<LSNKCutListAudio*>(sink.Get())->Overview();
            ASSERT_TRUE(growing);
            EXPECT_EQ(load.Advance(*growing, map, shown), 0);  // nothing yet
            std::vector<int32_t> block;
            for (int32_t at = 0; at < c.frames; at += 700) {
                block.clear();
                const int32_t n = std::min(700, c.frames - at);
                for (int32_t i = at; i < at + n; ++i) {
                    const int32_t level = ((i / kColumn) * 2000) % 200000;
                    block.push_back(level);
                    block.push_back(-level / 2);
                }
                sink->Write(block.data(), n);
                const int32_t done = load.Advance(*growing, map, shown);
                // Only columns whose frames are all there.
                const int64_t arrived = growing->Frames();
                for (int32_t k = 0; k < kWidth; ++k) {
                    EXPECT_EQ(shown.heights[size_t(k)] >= 0, k < done) << "column " << k;
                    if (k < done) {
                        EXPECT_LE(map.ColumnToSample(k + 1), arrived) << "column " << k;
                    }
                }
            }
            // Columns past what arrived wait for the end of the load.
            if (c.frames < c.expected) {
                EXPECT_LT(load.Advance(*growing, map, shown), kWidth);
            }
        }
        // The writer has finished: every column, as the scan draws the
        // finished audio.
        ASSERT_TRUE(growing->IsComplete());
        EXPECT_EQ(load.Advance(*growing, map, shown), kWidth);
        LWaveView scanned;
        scanned.Size(kWidth + 2, 101);
        LWaveScanner scanner(CreateSource(list));
        ScanView(scanned, scanner, 0, c.expected);
        for (int32_t k = 0; k < kWidth; ++k) EXPECT_EQ(shown.heights[size_t(k)], scanned.columns[k]) << "column " << k;
        // Nothing is stored twice, and a new view starts again.
        EXPECT_EQ(shown.stores, kWidth);
        load.Restart();
        EXPECT_EQ(load.Advance(*growing, map, shown), kWidth);
        EXPECT_EQ(shown.stores, 2 * kWidth);
    }
}

}  // namespace
