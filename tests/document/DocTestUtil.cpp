#include "DocTestUtil.h"

#include "support/LFile.h"
#include "support/TestUtil.h"

namespace sondrel::test {

std::string TankTest::ScratchFolder() { return ScratchDir("tank"); }

LCutListAudio MakeSegment(const std::vector<int32_t>& samples, uint32_t chans, int32_t rate) {
    LCutListAudio list;
    {
        LSoundSinkPtr sink = CreateSink(list, rate, chans);
        int32_t frames = int32_t(samples.size() / chans);
        for (int32_t done = 0; done < frames;) {
            int32_t n = std::min(frames - done, kMaxBlockFrames);
            sink->Write(samples.data() + size_t(done) * chans, n);
            done += n;
        }
    }
    return list;
}

std::vector<int32_t> Ramp(int32_t frames, uint32_t chans, int32_t base) {
    std::vector<int32_t> v(size_t(frames) * chans);
    for (size_t k = 0; k < v.size(); ++k) v[k] = base + int32_t(k);
    return v;
}

std::vector<int32_t> ReadList(const LCutListAudio& list, int32_t block) {
    LSoundSourcePtr src = CreateSource(list);
    return ReadAll(*src, block);
}

size_t AudFileCount(const std::string& dir) { return LFile::List(dir.c_str(), ".aud").size(); }

bool SegmentFileExists(uint16_t index) {
    return LFile::Exists(LAudioCutTank::Current()->GetAudFilePath(index).c_str());
}

}  // namespace sondrel::test
