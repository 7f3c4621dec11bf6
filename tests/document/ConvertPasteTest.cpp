#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DocTestUtil.h"
#include "document/LCutListAudio.h"
#include "document/LCutListEdit.h"
#include "support/TestUtil.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {

std::vector<int32_t> Channel(const std::vector<int32_t>& interleaved, uint32_t chans, uint32_t c) {
    std::vector<int32_t> v;
    for (size_t i = c; i < interleaved.size(); i += chans) v.push_back(interleaved[i]);
    return v;
}
std::vector<int32_t> Twice(const std::vector<int32_t>& mono) {
    std::vector<int32_t> v;
    for (int32_t s : mono) v.insert(v.end(), {s, s});
    return v;
}
std::vector<int32_t> Concat(std::initializer_list<std::vector<int32_t>> parts) {
    std::vector<int32_t> v;
    for (const auto& p : parts) v.insert(v.end(), p.begin(), p.end());
    return v;
}
std::vector<int32_t> Slice(const std::vector<int32_t>& v, size_t from, size_t to) {
    return std::vector<int32_t>(v.begin() + from, v.begin() + to);
}

class ConvertList : public TankTest {
protected:
    // A several-cut list in the given channel count: gains, silence, split cuts.
    LCutListAudio Edited(uint32_t chans, int32_t frames) {
        std::vector<int32_t> data(size_t(frames) * chans);
        for (size_t k = 0; k < data.size(); ++k) data[k] = int32_t(k % 2 ? -7 * k : 3 * k) % 400000;
        LCutListAudio l = MakeSegment(data, chans, 44100);
        l.EfAmplify(frames / 4, frames / 2, 50);
        l.EfSilence(frames / 8, frames / 8 + 100);
        l.EfRepeatLoop(10, 9000, 1);
        return l;
    }
};

TEST_F(ConvertList, ChannelConversionRewritesTheListAsOneSegment) {
    struct Case {
        uint32_t from, to;
    };
    for (const Case& c : {Case{2, 1}, Case{1, 2}}) {
        SCOPED_TRACE(testing::Message() << c.from << " -> " << c.to);
        LCutListAudio l = Edited(c.from, 30000);
        std::vector<int32_t> before = ReadList(l);
        LNullProgress progress;
        LCLAConvertRateChannels rec{&l, 44100, uint8_t(c.to)};
        ASSERT_EQ(Process(&progress, rec), kProcessDone);
        EXPECT_EQ(l.nChans, c.to);
        EXPECT_EQ(l.nSampleRate, 44100);
        EXPECT_EQ(l.lstCuts.Count(), 1u);
        std::vector<int32_t> after = ReadList(l);
        EXPECT_EQ(after, c.to == 1 ? Channel(before, 2, 0) : Twice(before));
        EXPECT_EQ(AudFileCount(szDir), 1u);  // the old segment went with its cuts
    }
}

TEST_F(ConvertList, NothingToDoOrNothingPossibleLeavesTheList) {
    LCutListAudio l = Edited(2, 5000);
    size_t cuts = l.lstCuts.Count();
    std::vector<int32_t> before = ReadList(l);
    LNullProgress progress;
    for (uint8_t chans : {uint8_t(2), uint8_t(3), uint8_t(0)}) {
        SCOPED_TRACE(int(chans));
        LCLAConvertRateChannels rec{&l, 44100, chans};
        EXPECT_EQ(Process(&progress, rec), chans == 2 ? kProcessDone : kProcessFailed);
        EXPECT_EQ(l.lstCuts.Count(), cuts);
        EXPECT_EQ(l.nChans, 2);
        EXPECT_EQ(ReadList(l), before);
    }
}

TEST_F(ConvertList, CancelledConversionKeepsThePartDone) {
    LCutListAudio l = Edited(1, 40000);
    std::vector<int32_t> before = ReadList(l);
    CancelAfter cancel(2);
    LCLAConvertRateChannels rec{&l, 44100, 2};
    EXPECT_EQ(Process(&cancel, rec), kProcessCancelled);
    EXPECT_EQ(cancel.szText[0], "Converting rate or channels...");
    EXPECT_EQ(l.nChans, 2);
    EXPECT_EQ(ReadList(l), Twice(Slice(before, 0, 2 * 8192)));
}

// The length the rate converter gives.
TEST_F(ConvertList, RateConversionGivesTheConvertedLength) {
    struct Case {
        uint8_t fromChans, toChans;
        int32_t toRate, length;
    };
    for (const Case& c : {Case{1, 1, 22050, 22050}, Case{1, 2, 22050, 22050}, Case{2, 1, 88200, 88200},
                          Case{1, 1, 48000, 47991}}) {  // 44100 -> 48000 steps 34/37: 1297 * 37 + 2
        SCOPED_TRACE(testing::Message() << int(c.fromChans) << "ch -> " << c.toRate << " Hz " << int(c.toChans) << "ch");
        LCutListAudio l = MakeSegment(Sine(44100, c.fromChans, 44100, 440.0, 200000.0), c.fromChans, 44100);
        LNullProgress progress;
        LCLAConvertRateChannels rec{&l, c.toRate, c.toChans};
        ASSERT_EQ(Process(&progress, rec), kProcessDone);
        EXPECT_EQ(l.nSampleRate, c.toRate);
        EXPECT_EQ(l.nChans, c.toChans);
        EXPECT_EQ(l.GetLength(), c.length);
        if (c.toChans == 2) {
            std::vector<int32_t> s = ReadList(l);
            EXPECT_EQ(Channel(s, 2, 0), Channel(s, 2, 1));
        }
    }
}

class PasteInsert : public TankTest {
protected:
    void SetUp() override {
        TankTest::SetUp();
        docData = Ramp(2000, 1, 1);
        doc = MakeSegment(docData, 1, 44100);
    }
    std::vector<int32_t> docData;
    LCutListAudio doc;
};

TEST_F(PasteInsert, OtherFormatsAreConvertedBeforeTheyGoIn) {
    std::vector<int32_t> stereo = Ramp(300, 2, 100000);
    LCutListAudio clip = MakeSegment(stereo, 2, 44100);
    LNullProgress progress;
    // 10 ms to 20 ms at 44100 Hz: frames 441 to 882.
    LEfPasteOver paste{&doc, 10, 20, &clip};
    EXPECT_EQ(Process(&progress, paste), kProcessDone);
    EXPECT_EQ(ReadList(doc), Concat({Slice(docData, 0, 441), Channel(stereo, 2, 0), Slice(docData, 882, 2000)}));
    EXPECT_EQ(clip.nChans, 2);  // the clipboard itself is not converted
    EXPECT_EQ(ReadList(clip), stereo);

    LCutListAudio stereoDoc = MakeSegment(Ramp(1000, 2, 1), 2, 8000);
    LCutListAudio mono = MakeSegment(Ramp(50, 1, -5000), 1, 8000);
    LEfInsert insert{&stereoDoc, 5, &mono};  // 5 ms at 8000 Hz: frame 40
    EXPECT_EQ(Process(&progress, insert), kProcessDone);
    std::vector<int32_t> old = Ramp(1000, 2, 1);
    EXPECT_EQ(ReadList(stereoDoc), Concat({Slice(old, 0, 80), Twice(Ramp(50, 1, -5000)), Slice(old, 80, 2000)}));
}

TEST_F(PasteInsert, SameFormatGoesInWithoutNewAudio) {
    LCutListAudio clip;
    doc.EfCopy(100, 200, clip);
    size_t files = AudFileCount(szDir);
    LNullProgress progress;
    LEfInsert insert{&doc, 0, &clip};
    EXPECT_EQ(Process(&progress, insert), kProcessDone);
    LEfPasteOver paste{&doc, 1000, 2000, &clip};  // frames 44100.. lie past the end: pasted after a gap
    EXPECT_EQ(Process(&progress, paste), kProcessDone);
    EXPECT_EQ(AudFileCount(szDir), files);
    std::vector<int32_t> copy = Slice(docData, 100, 200);
    EXPECT_EQ(ReadList(doc), Concat({copy, docData, std::vector<int32_t>(44100 - 2100, 0), copy}));
}

TEST_F(PasteInsert, AConversionThatDoesNotFinishPastesNothing) {
    LCutListAudio clip = MakeSegment(Ramp(40000, 2, 1), 2, 44100);
    size_t files = AudFileCount(szDir);
    CancelAfter cancel(1);
    LEfPasteOver paste{&doc, 10, 20, &clip};
    EXPECT_EQ(Process(&cancel, paste), kProcessDone);
    EXPECT_EQ(ReadList(doc), docData);
    EXPECT_EQ(AudFileCount(szDir), files);  // the partial conversion is gone

    LCutListAudio odd = MakeSegment(Ramp(30, 3, 1), 3, 44100);  // no converter for 3 channels
    LNullProgress progress;
    LEfInsert insert{&doc, 0, &odd};
    EXPECT_EQ(Process(&progress, insert), kProcessDone);
    EXPECT_EQ(ReadList(doc), docData);
}

// An effect for the tests: every sample negated.
class LSRCNegate : public LSRCFilter {
public:
    using LSRCFilter::LSRCFilter;
    void Read(int32_t* buffer, int32_t n) override {
        pInput->Read(buffer, n);
        for (int32_t i = 0; i < n * nChans; ++i) buffer[i] = -buffer[i];
    }
};
class LSPNegate : public LSoundProcessor {
public:
    using LSoundProcessor::OpenSource;
    void OpenSource(LSoundSourcePtr& result, const LSoundSourcePtr& input) override {
        result = MakeSource<LSRCNegate>(input);
    }
};

std::vector<int32_t> Negated(std::vector<int32_t> v) {
    for (int32_t& s : v) s = -s;
    return v;
}

TEST_F(PasteInsert, ReplacingASelectionWithComputedAudio) {
    LSPNegate negate;
    doc.EfDelete(1500, 1500);  // two cuts, so selections can span a cut edge
    struct Case {
        int32_t stStart, stEnd;  // ms at 44100 Hz
        size_t from, to;         // frames that come out negated
    };
    for (const Case& c : {Case{20, 40, 882, 1764}, Case{-10, 20, 0, 882}, Case{10, 10, 0, 0}, Case{30, 10, 0, 0}}) {
        SCOPED_TRACE(testing::Message() << c.stStart << " .. " << c.stEnd << " ms");
        LCutListAudio work = doc;
        LNullProgress progress;
        LEfReplaceSelection rec{
            .pAudio = &work, .stStart = c.stStart, .stEnd = c.stEnd, .pProcessor = &negate, .szCaption = "Negate"};
        EXPECT_EQ(Process(&progress, rec), kProcessDone);
        EXPECT_EQ(ReadList(work), Concat({Slice(docData, 0, c.from), Negated(Slice(docData, c.from, c.to)),
                                          Slice(docData, c.to, 2000)}));
    }
    EXPECT_EQ(AudFileCount(szDir), 1u);  // the results went with their lists

    LCutListAudio work = doc;
    CancelAfter cancel(0);
    LEfReplaceSelection cancelled{
        .pAudio = &work, .stStart = 0, .stEnd = 40, .pProcessor = &negate, .szCaption = "Negate"};
    EXPECT_EQ(Process(&cancel, cancelled), kProcessCancelled);
    EXPECT_EQ(cancel.szText[0], "Negate");
    EXPECT_EQ(ReadList(work), docData);
    EXPECT_EQ(AudFileCount(szDir), 1u);  // the discarded result left no segment behind
}

TEST_F(PasteInsert, AResultThatCannotBeStoredLeavesTheSelection) {
    LSPNegate negate;
    LNullProgress progress;
    std::string folder = Tank().GetFolder();
    Tank().SetFolder(folder + "/missing");  // new segments cannot be created
    LEfReplaceSelection rec{.pAudio = &doc, .stStart = 20, .stEnd = 40, .pProcessor = &negate, .szCaption = ""};
    EXPECT_EQ(Process(&progress, rec), kProcessFailed);
    Tank().SetFolder(folder);
    EXPECT_EQ(ReadList(doc), docData);
}

}  // namespace
