// The sound recorder on a real wave-in device: Wine's ALSA input from a
// private PulseAudio whose file plugin delivers a known speech file at real
// time (tools/wine-record.sh, tools/make-speech.sh). The device returns the
// file's samples from its first one, then zeros.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/LSample.h"
#include "devices/LRecorderCore.h"
#include "devices/win32/LSoundRecorder.h"
#include "document/LAudioCutTank.h"
#include "document/LCutListAudio.h"
#include "support/LFile.h"
#include "support/MemorySink.h"
#include "support/TestUtil.h"
#include "win32/WinTestUtil.h"

using namespace sondrel;

namespace {

constexpr int32_t kRate = 44100;
constexpr int32_t kFrames = 4410;  // one device buffer

// The file the device delivers, as internal samples, followed by zeros up
// to a whole number of buffers plus `extra` buffers.
std::vector<int32_t> Infile(int32_t extra) {
    const char* path = std::getenv("SONDREL_RECORD_INFILE");
    std::vector<uint8_t> bytes;
    if (path) LFile::ReadAll(wintest::WinePath(path).c_str(), bytes);
    size_t n = bytes.size() / 2;
    size_t padded = (n + kFrames - 1) / kFrames * kFrames + size_t(extra) * kFrames;
    std::vector<int16_t> pcm(padded, 0);
    if (n) std::memcpy(pcm.data(), bytes.data(), n * 2);
    std::vector<int32_t> v(padded);
    ConvertFromPCM16(pcm.data(), v.data(), int32_t(padded));
    return v;
}

// The same after the recorder's DC filter, run from the first sample.
std::vector<int32_t> Filtered(std::vector<int32_t> v) {
    LDCFilter f;
    f.Setup(kRate, 1);
    f.Apply(v.data(), int32_t(v.size()));
    return v;
}

// What a cut list holds.
std::vector<int32_t> Contents(const LCutListAudio& list) {
    LSoundSourcePtr src = CreateSource(list);
    return test::ReadAll(*src);
}

// A sink that stops taking audio from frame failFrom on, as a full disk
// does; what it took stays in `kept`.
class FailingSink : public LSoundSinkBase {
public:
    FailingSink(std::vector<int32_t>* kept, int32_t failFrom) : LSoundSinkBase(kRate, 1), kept_(kept), fail_(failFrom) {}
    void Write(const int32_t* b, int32_t n) override {
        int32_t ok = std::clamp(fail_ - nPosition, 0, n);
        if (ok < n) SetError();
        kept_->resize(size_t(nPosition));
        kept_->insert(kept_->end(), b, b + ok);
        nPosition += n;
    }
    void Seek(int32_t p) override { nPosition = p; }

private:
    std::vector<int32_t>* kept_;
    int32_t fail_;
};

class Heard : public LSoundRecorderNotify {
public:
    std::string kinds;  // R record, W waiting, S stop, T position, L levels
    std::vector<int32_t> positions;
    int levelsAbove0 = 0;
    void NotifyRecord(uint32_t) override { kinds += 'R'; }
    void NotifyWaiting(uint32_t) override { kinds += 'W'; }
    void NotifyStop(uint32_t) override { kinds += 'S'; }
    void NotifyPosition(uint32_t, int32_t ms) override {
        kinds += 'T';
        positions.push_back(ms);
    }
    void NotifyLevels(uint32_t, const LChannelLevels& lv) override {
        kinds += 'L';
        if (lv.nCount == 1 && lv.iLevels[0] > 0) ++levelsAbove0;
    }
};

template <class F>
bool PumpUntil(F cond, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        if (cond()) return true;
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(5);
    }
}

void PumpFor(DWORD ms) { PumpUntil([] { return false; }, ms); }

class SoundRecorder : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(std::getenv("SONDREL_RECORD_INFILE"), nullptr) << "run under tools/wine-record.sh";
        recorder.SetListener(&heard);
    }
    Heard heard;
    LCutTankScope tank{test::ScratchDir("recorder-tank")};
    LCutListAudio take{kRate, 1};
    LSoundRecorder recorder;
};

std::vector<int32_t> Prefix(const std::vector<int32_t>& v, size_t n) {
    return std::vector<int32_t>(v.begin(), v.begin() + std::min(n, v.size()));
}

TEST_F(SoundRecorder, RecordsTheDevicesSamplesThroughTheDCFilter) {
    ASSERT_TRUE(recorder.Start(CreateSink(take, kRate, 1), 0, 216000000, -127, 0));
    EXPECT_EQ(recorder.GetState(), kRecorderWaiting);
    EXPECT_EQ(heard.kinds, "WT");
    ASSERT_TRUE(PumpUntil([&] { return recorder.GetLastLoud() >= 2500; }, 20000));
    EXPECT_EQ(recorder.GetState(), kRecorderRecording);
    recorder.Stop();
    EXPECT_EQ(recorder.GetState(), kRecorderStopped);
    EXPECT_EQ(recorder.GetStopReason(), LSoundRecorder::kStopByOwner);
    EXPECT_EQ(heard.kinds.substr(0, 2), "WT");
    EXPECT_NE(heard.kinds.find('R'), std::string::npos);
    EXPECT_EQ(heard.kinds.back(), 'S');
    EXPECT_GT(heard.levelsAbove0, 0);  // speech is loud

    std::vector<int32_t> got = Contents(take);
    std::vector<int32_t> want = Filtered(Infile(40));
    EXPECT_GE(got.size(), size_t(2500 * kRate / 1000));
    ASSERT_LE(got.size(), want.size());
    EXPECT_TRUE(got == Prefix(want, got.size()));
}

TEST_F(SoundRecorder, VoiceActivationCutsThePauseTo450ms) {
    std::vector<int32_t> input = Infile(30);
    ASSERT_TRUE(recorder.Start(CreateSink(take, kRate, 1), 0, 5000, -30, 0));
    // The whole file, its 6 s pause, and a little more.
    DWORD fileMs = DWORD(input.size() / kFrames * 100);
    PumpFor(fileMs + 500);
    ASSERT_TRUE(PumpUntil([&] { return recorder.GetState() == kRecorderWaiting; }, 10000));
    recorder.Stop();
    std::string& k = heard.kinds;
    // Waiting, recording, back to waiting in the pause, recording again.
    size_t r1 = k.find('R'), w1 = k.find('W', r1 == std::string::npos ? 0 : r1);
    EXPECT_NE(r1, std::string::npos);
    EXPECT_NE(w1, std::string::npos);
    EXPECT_NE(k.find('R', w1 == std::string::npos ? k.size() : w1), std::string::npos) << k;

    // The same buffers through the recorder's rules.
    std::vector<int32_t> expected;
    {
        LRecorderCore core;
        LSoundSinkPtr sink(new test::MemorySink(kRate, &expected));
        ASSERT_TRUE(core.Begin(sink, false, 5000, -30, 0));
        core.Prepare();
        std::vector<int16_t> pcm(kFrames);
        for (size_t at = 0; at + kFrames <= input.size(); at += kFrames) {
            ConvertToPCM16(input.data() + at, pcm.data(), kFrames);
            core.LoadBuffer(pcm.data());
            core.ProcessBuffer();
        }
        core.Finish();
    }
    std::vector<int32_t> got = Contents(take);
    EXPECT_EQ(got.size(), expected.size());
    EXPECT_TRUE(got == expected);
    // Independently of the rules' code: the 6 s pause went, all but about half a second.
    double gone = double(input.size() - 30 * kFrames - got.size()) / kRate;
    EXPECT_GT(gone, 5.0);
    EXPECT_LT(gone, 7.0);
}

TEST_F(SoundRecorder, RestartEmptiesTheSink) {
    LSoundSinkPtr sink = CreateSink(take, kRate, 1);
    ASSERT_TRUE(recorder.Start(sink, LSoundRecorder::kStartRecording, 216000000, -127, 0));
    EXPECT_EQ(heard.kinds, "RT");
    ASSERT_TRUE(PumpUntil([&] { return recorder.GetLastLoud() >= 1500; }, 20000));
    heard.kinds.clear();
    heard.positions.clear();
    recorder.Restart();
    EXPECT_EQ(heard.kinds, "WT");
    EXPECT_EQ(heard.positions.back(), 0);
    EXPECT_EQ(recorder.GetState(), kRecorderWaiting);
    EXPECT_EQ(recorder.GetLastLoud(), 0);
    ASSERT_TRUE(PumpUntil([&] { return recorder.GetLastLoud() >= 500; }, 20000));
    recorder.Stop();
    sink.Reset();
    std::vector<int32_t> got = Contents(take);
    // Only the new take: shorter than both takes together.
    EXPECT_GE(got.size(), size_t(kRate / 2));
    EXPECT_LT(got.size(), size_t(kRate * 15 / 10));
    // The device starts the file over; the new take filters from scratch.
    std::vector<int32_t> want = Filtered(Infile(40));
    EXPECT_TRUE(got == Prefix(want, got.size()));
}

TEST_F(SoundRecorder, ASinkThatFailsStopsTheRecorderAndKeepsWhatCameBefore) {
    std::vector<int32_t> kept;
    LSoundSinkPtr sink(new FailingSink(&kept, 46000));  // inside the eleventh buffer
    ASSERT_TRUE(recorder.Start(sink, LSoundRecorder::kStartRecording, 216000000, -127, 0));
    ASSERT_TRUE(PumpUntil([&] { return heard.kinds.find('S') != std::string::npos; }, 20000))
        << "the recorder went on recording into a failed sink";
    EXPECT_EQ(recorder.GetState(), kRecorderStopped);
    EXPECT_EQ(recorder.GetStopReason(), LSoundRecorder::kStopSinkFailed);
    EXPECT_EQ(sink->nPosition, 10 * kFrames);  // the ten whole buffers before the failure
    EXPECT_EQ(sink->RefCount(), 1);            // released by the recorder
    std::vector<int32_t> want = Filtered(Infile(40));
    EXPECT_TRUE(Prefix(kept, size_t(sink->nPosition)) == Prefix(want, 10 * kFrames));

    // A later take starts normally.
    heard.kinds.clear();
    ASSERT_TRUE(recorder.Start(CreateSink(take, kRate, 1), LSoundRecorder::kStartRecording, 216000000, -127, 0));
    EXPECT_EQ(recorder.GetStopReason(), LSoundRecorder::kStopByOwner);
    recorder.Stop();
}

TEST_F(SoundRecorder, MaxTimeStopsTheRecorder) {
    LSoundSinkPtr sink = CreateSink(take, kRate, 1);
    ASSERT_TRUE(recorder.Start(sink, LSoundRecorder::kStartRecording, 216000000, -127, 1000));
    ASSERT_TRUE(PumpUntil([&] { return recorder.GetState() == kRecorderStopped; }, 20000));
    EXPECT_EQ(recorder.GetStopReason(), LSoundRecorder::kStopMaxTime);
    EXPECT_EQ(heard.kinds.back(), 'S');
    sink.Reset();
    std::vector<int32_t> got = Contents(take);
    EXPECT_GT(got.size(), size_t(kRate));  // past the max time, by less than a second
    EXPECT_LT(got.size(), size_t(kRate * 2));
    std::vector<int32_t> want = Filtered(Infile(40));
    EXPECT_TRUE(got == Prefix(want, got.size()));
}

TEST_F(SoundRecorder, HeldStartRecordsNothingUntilGo) {
    LSoundSinkPtr sink = CreateSink(take, kRate, 1);
    ASSERT_TRUE(recorder.Start(sink, LSoundRecorder::kStartHeld | LSoundRecorder::kStartRecording, 216000000, -127,
                               0));
    EXPECT_EQ(heard.kinds, "RT");
    PumpFor(2500);  // a started device would have delivered its first buffers by now
    EXPECT_EQ(sink->nPosition, 0);
    EXPECT_EQ(heard.kinds, "RT");
    recorder.Go();
    // (What this test set-up delivers after a held start is silence, not the
    // file: only the recording itself is checked here.)
    ASSERT_TRUE(PumpUntil([&] { return recorder.GetLastLoud() >= 500; }, 20000));
    recorder.Stop();
    EXPECT_EQ(heard.kinds.back(), 'S');
}

TEST_F(SoundRecorder, StartFailuresChangeNothing) {
    LSoundSinkPtr sink = CreateSink(take, kRate, 1);
    recorder.SetDevice(50);  // no such device
    EXPECT_FALSE(recorder.Start(sink, 0, 5000, -30, 0));
    EXPECT_EQ(recorder.GetState(), kRecorderStopped);
    EXPECT_EQ(sink->RefCount(), 1);
    EXPECT_TRUE(heard.kinds.empty());

    recorder.SetDevice(0);
    EXPECT_FALSE(recorder.Start(LSoundSinkPtr(), 0, 5000, -30, 0));
    sink->SetError();
    EXPECT_FALSE(recorder.Start(sink, 0, 5000, -30, 0));
    EXPECT_TRUE(heard.kinds.empty());
    recorder.Restart();  // stopped: nothing
    recorder.Stop();
    EXPECT_TRUE(heard.kinds.empty());
}

}  // namespace
