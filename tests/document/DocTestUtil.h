// Shared pieces of the document tests: a tank over a scratch folder, segment
// makers, whole-list readers and a progress double that cancels.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/LProgress.h"
#include "document/LAudioCutTank.h"
#include "document/LCutListAudio.h"

namespace sondrel::test {

// Every test gets a tank of its own over a fresh scratch folder; the tank
// and its folder's segment files go when the test ends.
class TankTest : public ::testing::Test {
protected:
    void SetUp() override {
        szDir = ScratchFolder();
        pScope = std::make_unique<LCutTankScope>(szDir);
    }
    void TearDown() override { pScope.reset(); }
    LAudioCutTank& Tank() { return pScope->Tank(); }
    static std::string ScratchFolder();

    std::string szDir;
    std::unique_ptr<LCutTankScope> pScope;
};

// A one-cut list over a new segment holding exactly these samples.
LCutListAudio MakeSegment(const std::vector<int32_t>& samples, uint32_t chans = 1, int32_t rate = 44100);
// frames x chans samples, sample k = base + k (distinct, easy to trace).
std::vector<int32_t> Ramp(int32_t frames, uint32_t chans, int32_t base);
// The whole list through a reader, in blocks of the given size.
std::vector<int32_t> ReadList(const LCutListAudio& list, int32_t block = 8192);
// Number of "*.aud" files in a folder.
size_t AudFileCount(const std::string& dir);
bool SegmentFileExists(uint16_t index);

// Cancels once IsCancelled has been asked more than nBlocks times.
class CancelAfter : public LProgress {
public:
    explicit CancelAfter(int blocks) : nBlocks(blocks) {}
    bool IsCancelled() override { return nCalls++ >= nBlocks; }
    void SetText(const char* text, int line) override { szText[line & 1] = text; }
    void SetProgress(double) override {}
    int nBlocks;
    int nCalls = 0;
    std::string szText[2];
};

}  // namespace sondrel::test
