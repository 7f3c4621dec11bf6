// What every effect source owes its readers: a Seek starts it afresh, so
// the frames after Seek(p) are those of a new source sought to p; frames past
// the end are silence; position, length and format follow the input.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "effects/LEchoReverb.h"
#include "effects/LEnvelope.h"
#include "effects/LEqualiser.h"
#include "effects/LHighPass.h"
#include "support/TestUtil.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {
struct Effect {
    const char* name;
    std::function<LSoundSourcePtr(const LSoundSourcePtr&)> open;
};

std::vector<Effect> Effects() {
    PointList curve;
    curve.Set({{0, 40}, {70, 250}, {180, 90}, {255, 128}});
    return {
        {"echo", [](const LSoundSourcePtr& in) { return LSPEcho(120, 60).OpenSource(in); }},
        {"reverb", [](const LSoundSourcePtr& in) { return LSPReverb(100, 300).OpenSource(in); }},
        {"high-pass", [](const LSoundSourcePtr& in) { return LSPHighPass(500).OpenSource(in); }},
        {"equaliser",
         [curve](const LSoundSourcePtr& in) {
             return LSPEqualiser(CreateEqFromPointList(curve, in->nSampleRate)).OpenSource(in);
         }},
        {"envelope", [curve](const LSoundSourcePtr& in) { return LSPEnvelope(curve, 3000, 20000).OpenSource(in); }},
    };
}

std::vector<int32_t> Read(LSoundSourceBase& s, int32_t frames) {
    std::vector<int32_t> out(size_t(frames) * s.nChans), buf(8192 * size_t(s.nChans));
    for (int32_t done = 0; done < frames;) {
        int32_t n = std::min(frames - done, 5000);
        s.Read(buf.data(), n);
        std::copy(buf.begin(), buf.begin() + n * s.nChans, out.begin() + size_t(done) * s.nChans);
        done += n;
    }
    return out;
}
}  // namespace

TEST(EffectSources, SeekRestartsAndTheEndIsSilent) {
    std::mt19937 rng(Seed());
    const int32_t frames = 30000;
    std::vector<int32_t> in(size_t(frames) * 2);
    for (int32_t& v : in) v = int32_t(rng() % 1000001) - 500000;
    for (const Effect& e : Effects()) {
        SCOPED_TRACE(e.name);
        auto used = e.open(MakeSource<VectorSource>(in, 44100, 2));
        EXPECT_EQ(used->nSampleRate, 44100);
        EXPECT_EQ(used->nChans, 2);
        EXPECT_EQ(used->GetLength(), frames);
        EXPECT_FALSE(used->HasError());
        Read(*used, 12345);
        EXPECT_EQ(used->GetPosition(), 12345);
        for (int32_t p : {17000, 0, 4000}) {
            used->Seek(p);
            EXPECT_EQ(used->GetPosition(), p);
            auto fresh = e.open(MakeSource<VectorSource>(in, 44100, 2));
            fresh->Seek(p);
            ASSERT_EQ(Read(*used, 9000), Read(*fresh, 9000)) << "after Seek(" << p << ")";
        }
        // The last frames and what lies past them: the material ends, silence follows.
        used->Seek(frames - 10000);
        auto tail = Read(*used, 10000 + 9000);
        EXPECT_NE(std::vector<int32_t>(tail.begin() + 2 * 9990, tail.begin() + 2 * 10000), std::vector<int32_t>(20, 0));
        EXPECT_EQ(std::vector<int32_t>(tail.begin() + 2 * 10000, tail.end()), std::vector<int32_t>(2 * 9000, 0));
        EXPECT_EQ(used->GetPosition(), frames + 9000);
    }
}

TEST(EffectSources, CarryTheInputErrorFlag) {
    for (const Effect& e : Effects()) {
        auto s = e.open(LSoundSourcePtr());  // the silent default source has its error flag set
        EXPECT_TRUE(s->HasError()) << e.name;
        std::vector<int32_t> buf(100 * s->nChans, 7);
        s->Read(buf.data(), 100);
        EXPECT_EQ(buf, std::vector<int32_t>(100 * s->nChans, 0)) << e.name;
    }
}
