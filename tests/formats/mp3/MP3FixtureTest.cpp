// lame-made files decoded by us and by mpg123 (the fixture files): runs in
// both builds, so the Windows build's decoder is held to the same ±1.
#include <gtest/gtest.h>

#include "MP3TestUtil.h"
#include "support/LFile.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {
std::string Fixture(const std::string& name) {
    std::string p = std::string(SONDREL_FIXTURES_DIR) + "/" + name;
#ifdef _WIN32
    if (!p.empty() && p[0] == '/') {
        p = "Z:" + p;
        for (char& c : p)
            if (c == '/') c = '\\';
    }
#endif
    return p;
}
}  // namespace

TEST(MP3Fixtures, DecodeLikeMpg123) {
    struct Case { const char* name; int32_t chans, rate; };
    for (Case c : {Case{"mp3_joint44", 2, 44100}, Case{"mp3_mono22", 1, 22050}, Case{"mp3_mono8", 1, 8000}}) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> raw;
        ASSERT_TRUE(LFile::ReadAll(Fixture(std::string(c.name) + ".raw").c_str(), raw));
        std::vector<int16_t> ref(raw.size() / 2);
        for (size_t i = 0; i < ref.size(); ++i) ref[i] = int16_t(raw[2 * i] | (raw[2 * i + 1] << 8));
        int32_t chans = 0, rate = 0;
        std::vector<int16_t> ours = Rounded16(DecodeFile(Fixture(std::string(c.name) + ".mp3"), &chans, &rate));
        EXPECT_EQ(chans, c.chans);
        EXPECT_EQ(rate, c.rate);
        ASSERT_GE(ours.size(), ref.size());
        // lame's tag frame decodes to silence here; mpg123 leaves it out.
        size_t skip = ours.size() - ref.size();
        for (size_t i = 0; i < skip; ++i) ASSERT_EQ(ours[i], 0);
        Agreement a = Compare(ours, ref, skip);
        EXPECT_EQ(a.compared, ref.size());
        EXPECT_LE(a.maxDiff, 1);
    }
}
