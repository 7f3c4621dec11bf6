#include <gtest/gtest.h>

#include <vector>

#include "WinTestUtil.h"
#include "formats/LWaveFile.h"
#include "formats/win32/LWaveFileCompressed.h"
#include "support/LFile.h"
#include "support/TestUtil.h"

using namespace sondrel;

// LWaveFile::OpenSource hands formats other than 8/16-bit PCM to the
// system-codec reader only once the program has installed it.
TEST(CompressedWaveHook, OpenSourceDecodesThroughTheInstalledReader) {
    std::string dir = wintest::WinePath(SONDREL_FIXTURES_DIR);
    std::string wav = JoinPath(dir, "ulaw.wav");
    std::vector<uint8_t> raw;
    ASSERT_TRUE(LFile::ReadAll(JoinPath(dir, "ulaw.raw").c_str(), raw)) << dir;

    LOpenCompressedWave before = pOpenCompressedWave;
    pOpenCompressedWave = nullptr;
    EXPECT_TRUE(LWaveFile::OpenSource(wav.c_str())->HasError());

    InstallCompressedWaveReader();
    {
        LSoundSourcePtr src = LWaveFile::OpenSource(wav.c_str());
        ASSERT_FALSE(src->HasError());
        EXPECT_EQ(src->nSampleRate, 8000);
        EXPECT_EQ(src->nChans, 1);
        std::vector<int32_t> want;
        for (size_t k = 0; k + 1 < raw.size(); k += 2) want.push_back(int32_t(int16_t(raw[k] | (raw[k + 1] << 8))) * 16);
        EXPECT_EQ(test::ReadAll(*src), want);
    }
    pOpenCompressedWave = before;
}
