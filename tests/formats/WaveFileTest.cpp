#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

#include "WaveBytes.h"
#include "formats/LWaveFile.h"
#include "support/TestUtil.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {

std::vector<int32_t> Times16(const std::vector<int16_t>& v) {
    std::vector<int32_t> r;
    for (int16_t s : v) r.push_back(int32_t(s) * 16);
    return r;
}

// Reads n frames starting at position p.
std::vector<int32_t> ReadAt(LSoundSourceBase& src, int32_t p, int32_t n) {
    src.Seek(p);
    std::vector<int32_t> out(size_t(n) * src.nChans, 0x55555555);
    src.Read(out.data(), n);
    return out;
}

bool IsNull(const LSoundSourcePtr& p) { return dynamic_cast<LSRCNull*>(p.Get()) != nullptr; }

}  // namespace

// ------------------------------------------------------------------ opening

TEST(WaveOpen, MalformedFilesFailWithTheirReason) {
    const Bytes fmt = Chunk("fmt ", FmtPayload(1, 1, 8000, 16));
    const Bytes data = Chunk("data", Pcm16({1, 2, 3}));
    Bytes cutFmt = Riff({});
    cutFmt.insert(cutFmt.end(), {'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 1, 0, 0x40, 0x1F});
    Bytes otherForm = {'R', 'I', 'F', 'F', 12, 0, 0, 0, 'A', 'V', 'I', ' ', 0, 0, 0, 0, 0, 0, 0, 0};
    struct Case {
        const char* what;
        Bytes bytes;
        const char* reason;
    };
    const Case cases[] = {
        {"empty file", {}, "No RIFF WAVE chunk found"},
        {"only a RIFF chunk of another form", otherForm, "No RIFF WAVE chunk found"},
        {"top-level chunk of 4 bytes", Chunk("JUNK", Bytes(4)), "chunk too short!"},
        {"top-level chunk size 0xFFFFFFFF", Chunk("JUNK", Bytes(8), 0xFFFFFFFF), "chunk too short!"},
        {"fmt of 12 bytes", Riff({Chunk("fmt ", FmtPayload(1, 1, 8000, 16, 12)), data}),
         "fmt to short or too long!"},
        {"fmt of 8193 bytes", Riff({Chunk("fmt ", FmtPayload(1, 1, 8000, 16, 8193)), data}), "fmt to short or too long!"},
        {"fmt cut off by the end of the file", cutFmt, "fmt error!"},
        {"no fmt", Riff({data}), "fmt subchunk not found!"},
        {"no data", Riff({fmt, Chunk("LIST", Bytes(4))}), "data subchunk not found!"},
        {"data before fmt", Riff({data, fmt}), "data subchunk not found!"},
        {"negative chunk size before fmt", Riff({Chunk("junk", {}, 0x80000000), fmt, data}), "(< 0)"},
        {"negative chunk size before data", Riff({fmt, Chunk("junk", {}, 0xFFFFFFF0), data}), "subchunk too short!"},
        {"0 channels", Riff({Chunk("fmt ", FmtPayload(1, 0, 8000, 16)), data}), "Channels out of range"},
        {"256 channels", Riff({Chunk("fmt ", FmtPayload(1, 256, 8000, 16)), data}), "Channels out of range"},
        {"rate 0", Riff({Chunk("fmt ", FmtPayload(1, 1, 0, 16)), data}), "SampleRate out of range"},
        {"rate 196001", Riff({Chunk("fmt ", FmtPayload(1, 1, 196001, 16)), data}), "SampleRate out of range"},
        // No decoder is installed in the tests: formats for the compressed
        // reader fail cleanly.
        {"unknown format tag", Riff({Chunk("fmt ", FmtPayload(0x1234, 1, 8000, 4)), data}), "no decoder"},
        {"16-bit floating point", Riff({Chunk("fmt ", FmtPayload(3, 1, 8000, 16)), Chunk("data", Bytes(8))}), "no decoder"},
    };
    std::string dir = ScratchDir("reject");
    int i = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string path = WriteBytes(dir, "f" + std::to_string(i++) + ".wav", c.bytes);
        {
            LSoundSourcePtr src = LWaveFile::OpenSource(path.c_str());
            EXPECT_TRUE(IsNull(src));
            EXPECT_TRUE(src->HasError());
            EXPECT_NE(std::strstr(LWaveFile::LastDiagnostic(), c.reason), nullptr) << LWaveFile::LastDiagnostic();
        }
        // The file is not left open (Windows refuses to delete an open file).
        EXPECT_TRUE(LFile::Delete(path.c_str()));
    }
    LSoundSourcePtr missing = LWaveFile::OpenSource(JoinPath(dir, "absent.wav").c_str());
    EXPECT_TRUE(IsNull(missing));
    EXPECT_NE(std::strstr(LWaveFile::LastDiagnostic(), "Unable to Open File"), nullptr);
}

TEST(WaveOpen, AcceptedLayoutsReadTheirSamples) {
    const std::vector<int16_t> st = {100, -100, 32767, -32768, 0, 1};  // 3 stereo frames
    const Bytes data = Chunk("data", Pcm16(st));
    auto fmt = [](uint32_t size) { return Chunk("fmt ", FmtPayload(1, 2, 44100, 16, size)); };
    Bytes fmt17 = Chunk("fmt ", FmtPayload(1, 2, 44100, 16, 17));
    ASSERT_EQ(fmt17.size(), 8u + 18u);  // with its pad byte
    Bytes list = Chunk("LIST", Bytes{'I', 'N', 'F', 'O', 'I', 'S', 'F', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0});
    Bytes beforeRiff = Chunk("JUNK", Bytes{1, 2, 3, 4, 5});
    Bytes afterJunk = Wave16(2, 44100, st);
    beforeRiff.insert(beforeRiff.end(), afterJunk.begin(), afterJunk.end());
    std::vector<int16_t> wide(255 * 2);
    for (size_t k = 0; k < wide.size(); ++k) wide[k] = int16_t(k * 100 - 20000);
    Bytes unfinished = Riff({fmt(16), Chunk("data", Pcm16(st), 0xFFFFFFFF)});
    unfinished.push_back(0x7F);  // a stray byte: not a whole frame
    Set32(unfinished, 4, 0xFFFFFFFF);

    struct Case {
        const char* what;
        Bytes bytes;
        int32_t rate;
        int chans;
        std::vector<int32_t> samples;
    };
    const Case cases[] = {
        {"fmt of 16 bytes", Riff({fmt(16), data}), 44100, 2, Times16(st)},
        {"fmt of 18 bytes", Riff({fmt(18), data}), 44100, 2, Times16(st)},
        {"fmt of 8192 bytes", Riff({fmt(8192), data}), 44100, 2, Times16(st)},
        {"fmt of 17 bytes and its pad byte", Riff({fmt17, data}), 44100, 2, Times16(st)},
        {"odd chunk and LIST between fmt and data", Riff({fmt(16), Chunk("junk", {9, 9, 9}), list, data}), 44100, 2,
         Times16(st)},
        {"odd chunk before fmt", Riff({Chunk("bext", {1}), fmt(16), data}), 44100, 2, Times16(st)},
        {"chunk after data is not audio", Riff({fmt(16), data, list}), 44100, 2, Times16(st)},
        {"top-level chunk before RIFF", beforeRiff, 44100, 2, Times16(st)},
        {"rate 196000", Wave16(1, 196000, {5}), 196000, 1, {80}},
        {"rate 1", Wave16(1, 1, {-5}), 1, 1, {-80}},
        // Mixed down to stereo; no channel past the usual layouts has a
        // position, so each of the two is the mean of all 255.
        {"255 channels", Wave16(255, 8000, wide), 8000, 2, {-7300 * 16, -7300 * 16, 18200 * 16, 18200 * 16}},
        {"unfinished data size", unfinished, 44100, 2, Times16(st)},
        {"8-bit", Riff({Chunk("fmt ", FmtPayload(1, 1, 11025, 8)), Chunk("data", {0, 128, 255, 1, 127})}), 11025, 1,
         {-524288, 0, 520192, -520192, -4096}},
    };
    std::string dir = ScratchDir("accept");
    int i = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string path = WriteBytes(dir, "f" + std::to_string(i++) + ".wav", c.bytes);
        LSoundSourcePtr src = LWaveFile::OpenSource(path.c_str());
        ASSERT_FALSE(src->HasError()) << LWaveFile::LastDiagnostic();
        EXPECT_EQ(src->nSampleRate, c.rate);
        EXPECT_EQ(src->nChans, c.chans);
        EXPECT_EQ(src->iPeakBound, kMax16);
        EXPECT_EQ(src->GetLength(), int32_t(c.samples.size() / c.chans));
        EXPECT_EQ(src->GetPosition(), 0);
        EXPECT_EQ(ReadAll(*src), c.samples);
    }
}

// ------------------------------------------------------------------ reading

TEST(WaveRead, PositionsBeforeStartAndPastEndReadZeros) {
    std::vector<int16_t> s;
    for (int16_t v = 1; v <= 10; ++v) s.push_back(v);
    std::string path = WriteBytes(ScratchDir("positions"), "p.wav", Wave16(1, 8000, s));
    LSoundSourcePtr src = LWaveFile::OpenSource(path.c_str());
    ASSERT_EQ(src->GetLength(), 10);
    struct Case {
        int32_t seek, n;
        std::vector<int32_t> frames;  // in 16-bit units
    };
    const Case cases[] = {
        {0, 10, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
        {-5, 3, {0, 0, 0}},
        {-2, 4, {0, 0, 1, 2}},
        {-8192, 8194, {}},  // checked below: 8192 zeros, then 1 2
        {8, 4, {9, 10, 0, 0}},
        {10, 2, {0, 0}},
        {500, 3, {0, 0, 0}},
        {INT32_MAX - 1, 4, {0, 0, 0, 0}},  // the position wraps past the largest value
        {INT32_MIN, 2, {0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "seek " << c.seek << " read " << c.n);
        if (c.n > kMaxBlockFrames) {
            // Two calls, as every caller splits at 8192 frames.
            src->Seek(c.seek);
            std::vector<int32_t> out(kMaxBlockFrames, 7);
            src->Read(out.data(), kMaxBlockFrames);
            EXPECT_EQ(out, std::vector<int32_t>(kMaxBlockFrames, 0));
            out.assign(2, 7);
            src->Read(out.data(), 2);
            EXPECT_EQ(out, (std::vector<int32_t>{16, 32}));
            continue;
        }
        std::vector<int32_t> want;
        for (int32_t v : c.frames) want.push_back(v * 16);
        EXPECT_EQ(ReadAt(*src, c.seek, c.n), want);
        EXPECT_EQ(src->GetPosition(), int32_t(uint32_t(c.seek) + uint32_t(c.n)));
    }
}

TEST(WaveRead, SequentialReadsAndSeekingBackAfterTheEnd) {
    std::vector<int16_t> s;
    for (int v = 0; v < 20; ++v) s.push_back(int16_t(v));
    // A chunk after the data must not read as frames past the end.
    Bytes b = Riff({Chunk("fmt ", FmtPayload(1, 2, 8000, 16)), Chunk("data", Pcm16(s)),
                    Chunk("LIST", Bytes(24, 0x33))});
    std::string path = WriteBytes(ScratchDir("sequence"), "s.wav", b);
    LSoundSourcePtr src = LWaveFile::OpenSource(path.c_str());
    ASSERT_EQ(src->GetLength(), 10);
    std::vector<int32_t> out(2 * 6);
    src->Read(out.data(), 4);
    src->Read(out.data() + 8, 2);
    EXPECT_EQ(std::vector<int32_t>(out.begin(), out.end()), Times16({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
    src->Read(out.data(), 6);  // frames 6..9, then two past the end
    EXPECT_EQ(out, Times16({12, 13, 14, 15, 16, 17, 18, 19, 0, 0, 0, 0}));
    src->Read(out.data(), 6);
    EXPECT_EQ(out, std::vector<int32_t>(12, 0));
    EXPECT_EQ(src->GetPosition(), 18);
    EXPECT_EQ(ReadAt(*src, 3, 2), Times16({6, 7, 8, 9}));
    EXPECT_EQ(src->GetPosition(), 5);
}

TEST(WaveRead, DataShorterThanDeclaredEndsWithTheRealFrames) {
    // 100 stereo frames declared; 3 and the left sample of a fourth are there.
    Bytes b = Riff({Chunk("fmt ", FmtPayload(1, 2, 8000, 16)), Chunk("data", Pcm16({1, 2, 3, 4, 5, 6, 7}), 400)});
    std::string path = WriteBytes(ScratchDir("truncated"), "t.wav", b);
    LSoundSourcePtr src = LWaveFile::OpenSource(path.c_str());
    ASSERT_FALSE(src->HasError());
    EXPECT_EQ(src->GetLength(), 3);
    std::vector<int32_t> want = Times16({1, 2, 3, 4, 5, 6});
    want.resize(200, 0);
    EXPECT_EQ(ReadAt(*src, 0, 100), want);
    EXPECT_EQ(ReadAt(*src, 50, 3), std::vector<int32_t>(6, 0));
    EXPECT_EQ(ReadAt(*src, 1, 2), Times16({3, 4, 5, 6}));
}

TEST(WaveRead, HugeDeclaredSizesCountOnlyTheRealData) {
    // 8-bit mono with data size 0xFFFFFFF0: more frames than a position can hold.
    Bytes b = Riff({Chunk("fmt ", FmtPayload(1, 1, 8000, 8)), Chunk("data", {200, 56}, 0xFFFFFFF0)});
    std::string path = WriteBytes(ScratchDir("huge"), "h.wav", b);
    LSoundSourcePtr src = LWaveFile::OpenSource(path.c_str());
    EXPECT_EQ(src->GetLength(), 2);
    EXPECT_EQ(ReadAt(*src, 0, 3), (std::vector<int32_t>{72 * 4096, -72 * 4096, 0}));
    EXPECT_EQ(ReadAt(*src, INT32_MAX - 2, 2), (std::vector<int32_t>{0, 0}));
}

TEST(WaveRead, FullBlocksOfTheWidestFrames) {
    // 255 channels: the conversion buffer must hold 8192 such frames. Past
    // the usual layouts no channel has a position, so each of the two
    // channels read is the mean of all (a whole step here: no dither).
    std::vector<int16_t> s(255 * 3);
    for (size_t k = 0; k < s.size(); ++k) s[k] = int16_t(k);
    std::string path = WriteBytes(ScratchDir("wide"), "w.wav", Wave16(255, 8000, s));
    LSoundSourcePtr src = LWaveFile::OpenSource(path.c_str());
    ASSERT_EQ(src->nChans, 2);
    std::vector<int32_t> want;
    for (int f = 0; f < 3; ++f) want.insert(want.end(), 2, (f * 255 + 127) * 16);
    want.resize(size_t(2) * kMaxBlockFrames, 0);
    EXPECT_EQ(ReadAt(*src, 0, kMaxBlockFrames), want);
}

// Files larger than the read-ahead and not a whole number of its blocks
// (more than two channels go through the mixdown reader instead): every
// frame reads right across the block boundaries, in the pump's blocks, in
// small odd pieces, and after seeks into, before and past the block held.
TEST(WaveRead, FramesAcrossReadAheadBlocks) {
    struct Case {
        uint32_t chans, bits;
    };
    for (const Case& c : {Case{2, 16}, Case{1, 8}, Case{1, 16}}) {
        SCOPED_TRACE(std::to_string(c.chans) + " channels, " + std::to_string(c.bits) + " bits");
        const uint32_t frameBytes = c.chans * c.bits / 8;
        const int32_t frames = int32_t(LSRCPCMFileBase::kReadAheadBytes / frameBytes * 2 + 777);
        std::vector<int32_t> want(size_t(frames) * c.chans);
        Bytes data;
        for (size_t k = 0; k < want.size(); ++k) {
            if (c.bits == 16) {
                int16_t v = int16_t(k * 2654435761u >> 16);
                want[k] = v * 16;
                data.push_back(uint8_t(v));
                data.push_back(uint8_t(uint16_t(v) >> 8));
            } else {
                uint8_t v = uint8_t(k * 2654435761u >> 24);
                want[k] = (int32_t(v) - 128) * 4096;
                data.push_back(v);
            }
        }
        std::string path = WriteBytes(ScratchDir("readahead"), "r.wav",
                                      Riff({Chunk("fmt ", FmtPayload(1, uint16_t(c.chans), 8000, uint16_t(c.bits))),
                                            Chunk("data", data)}));
        LSoundSourcePtr src = LWaveFile::OpenSource(path.c_str());
        ASSERT_EQ(src->GetLength(), frames);
        auto slice = [&](int32_t from, int32_t n) {
            std::vector<int32_t> r(size_t(n) * c.chans, 0);
            for (int32_t f = std::max(from, 0); f < std::min(from + n, frames); ++f)
                std::copy_n(want.begin() + ptrdiff_t(size_t(f) * c.chans), c.chans,
                            r.begin() + ptrdiff_t(size_t(f - from) * c.chans));
            return r;
        };
        EXPECT_TRUE(ReadAll(*src) == want);
        src->Seek(0);
        std::vector<int32_t> got;
        for (int32_t at = 0, n = 1; at < frames; at += n, n = n * 7 % 4093 + 1) {
            std::vector<int32_t> piece(size_t(n) * c.chans);
            src->Read(piece.data(), n);
            got.insert(got.end(), piece.begin(), piece.end());
        }
        got.resize(want.size());
        EXPECT_TRUE(got == want);
        const int32_t edge = int32_t(LSRCPCMFileBase::kReadAheadBytes / frameBytes);
        for (int32_t p : {edge - 3, 5, edge + 1, 2 * edge - 2, frames - 4, -6, edge - 1})
            EXPECT_TRUE(ReadAt(*src, p, 10) == slice(p, 10)) << "at " << p;
    }
}

TEST(WaveRead, SoxMadeFixtures) {
    // Made by the test fixture script for both builds: sox's 8-bit file and
    // its 16-bit decode; a 24-bit file holding 16-bit audio, which we read
    // exactly and sox's decode dithers (one step at most).
    std::string dir = SONDREL_FIXTURES_DIR;
    Bytes raw = ReadBytes(JoinPath(dir, "pcm8.raw"));
    if (raw.empty()) GTEST_SKIP() << "no fixture files in " << dir;
    LSoundSourcePtr src = LWaveFile::OpenSource(JoinPath(dir, "pcm8.wav").c_str());
    ASSERT_FALSE(src->HasError());
    EXPECT_EQ(src->nSampleRate, 8000);
    std::vector<int32_t> want;
    for (size_t k = 0; k + 1 < raw.size(); k += 2) want.push_back(int32_t(int16_t(Get16(raw, k))) * 16);
    EXPECT_EQ(ReadAll(*src), want);
    LSoundSourcePtr wide = LWaveFile::OpenSource(JoinPath(dir, "pcm24.wav").c_str());
    ASSERT_FALSE(wide->HasError());
    Bytes raw24 = ReadBytes(JoinPath(dir, "pcm24.raw"));
    std::vector<int32_t> want24;
    for (size_t k = 0; k + 1 < raw24.size(); k += 2) want24.push_back(int32_t(int16_t(Get16(raw24, k))) * 16);
    std::vector<int32_t> got24 = ReadAll(*wide);
    ASSERT_EQ(got24.size(), want24.size());
    for (size_t i = 0; i < got24.size(); ++i) ASSERT_LE(std::abs(got24[i] - want24[i]), 16) << i;
}

// ------------------------------------------------------------------ writing

TEST(WaveWrite, HeaderFields) {
    struct Case {
        int32_t bits;
        uint32_t chans;
        int32_t rate;
        uint32_t align, perSecond, bitsField;
    };
    const Case cases[] = {
        {16, 2, 44100, 4, 176400, 16}, {8, 1, 8000, 1, 8000, 8}, {12, 1, 22050, 2, 44100, 16},
        {1, 2, 11025, 2, 22050, 8},    {9, 255, 48000, 510, 24480000, 16},
    };
    std::string dir = ScratchDir("header");
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << " bits, " << c.chans << " channels");
        std::string path = JoinPath(dir, "h" + std::to_string(c.bits) + ".wav");
        {
            LSoundSinkPtr sink = LWaveFile::OpenSinkPCM(path.c_str(), c.rate, 0, c.bits, c.chans);
            ASSERT_TRUE(sink);
            ASSERT_FALSE(sink->HasError());
            std::vector<int32_t> frames(size_t(3) * c.chans, 0);
            sink->Write(frames.data(), 3);
        }
        Bytes b = ReadBytes(path);
        uint32_t data = 3 * c.align;
        ASSERT_EQ(b.size(), 46u + data);
        EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
        EXPECT_EQ(Get32(b, 4), data + 38);
        EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 16), "WAVEfmt ");
        EXPECT_EQ(Get32(b, 16), 18u);
        EXPECT_EQ(Get16(b, 20), 1u);
        EXPECT_EQ(Get16(b, 22), c.chans);
        EXPECT_EQ(Get32(b, 24), uint32_t(c.rate));
        EXPECT_EQ(Get32(b, 28), c.perSecond);
        EXPECT_EQ(Get16(b, 32), c.align);
        EXPECT_EQ(Get16(b, 34), c.bitsField);
        EXPECT_EQ(Get16(b, 36), 0u);
        EXPECT_EQ(std::string(b.begin() + 38, b.begin() + 42), "data");
        EXPECT_EQ(Get32(b, 42), data);
    }
}

TEST(WaveWrite, BitsChooseTheWriter) {
    std::string dir = ScratchDir("bits");
    for (int32_t bits : {0, -8, 17, 24, 32}) {
        std::string path = JoinPath(dir, "b.wav");
        EXPECT_FALSE(LWaveFile::OpenSinkPCM(path.c_str(), 8000, 0, bits, 1)) << bits;
        EXPECT_FALSE(LFile::Exists(path.c_str())) << bits;
    }
    LWaveFile::OpenSinkPCM(JoinPath(dir, "c.wav").c_str(), 8000, 0, 24, 1);
    EXPECT_NE(std::strstr(LWaveFile::LastDiagnostic(), "BitsPerSample too large"), nullptr);
}

TEST(WaveWrite, SampleConversion) {
    struct Case {
        int32_t bits;
        int32_t internal;
        int32_t stored;  // unsigned byte or signed 16-bit word
    };
    const Case cases[] = {
        {8, 0, 128},      {8, -524288, 0}, {8, 520192, 255},      {8, 2047, 128},       {8, 2048, 129},
        {8, -2049, 127},  {16, 0, 0},      {16, 0x7FFF0, 32767},  {16, -524288, -32768}, {16, 7, 0},
        {16, 8, 1},       {16, -9, -1},    {16, 524280, -32768},  // not limited here: wraps
    };
    std::string dir = ScratchDir("convert");
    for (int32_t bits : {8, 16}) {
        std::vector<int32_t> in, want;
        for (const Case& c : cases)
            if (c.bits == bits) in.push_back(c.internal), want.push_back(c.stored);
        std::string path = JoinPath(dir, "c" + std::to_string(bits) + ".wav");
        {
            LSoundSinkPtr sink = LWaveFile::OpenSinkPCM(path.c_str(), 8000, 0, bits, 1);
            sink->Write(in.data(), int32_t(in.size()));
        }
        Bytes b = ReadBytes(path);
        std::vector<int32_t> got;
        for (size_t k = 46; k < b.size(); k += bits / 8) got.push_back(bits == 8 ? b[k] : int16_t(Get16(b, k)));
        EXPECT_EQ(got, want) << bits << " bits";
    }
}

TEST(WaveWrite, UnfinishedFileHasPlaceholderSizesAndStillReads) {
    std::string path = JoinPath(ScratchDir("open"), "o.wav");
    LSoundSinkPtr sink = LWaveFile::OpenSinkPCM(path.c_str(), 22050, 0, 16, 2);
    std::vector<int32_t> frames = Times16({1, -1, 2, -2, 3, -3, 4, -4, 5, -5});
    sink->Write(frames.data(), 5);
    EXPECT_EQ(sink->nPosition, 5);
    Bytes b = ReadBytes(path);
    ASSERT_EQ(b.size(), 46u + 20u);
    EXPECT_EQ(Get32(b, 4), 0xFFFFFFFFu);
    EXPECT_EQ(Get32(b, 42), 0xFFFFFFFFu);
    {
        LSoundSourcePtr src = LWaveFile::OpenSource(path.c_str());
        EXPECT_EQ(src->nSampleRate, 22050);
        EXPECT_EQ(src->GetLength(), 5);
        EXPECT_EQ(ReadAll(*src), frames);
    }
    sink.Reset();
    b = ReadBytes(path);
    EXPECT_EQ(Get32(b, 4), 20u + 38u);
    EXPECT_EQ(Get32(b, 42), 20u);
}

TEST(WaveWrite, SeekCutsBackwardsOnly) {
    struct Case {
        int32_t seek, position;
    };
    // After writing frames 0..9: where the sink stands after Seek, then two
    // more frames (100, 101) are written and the sink released.
    const Case cases[] = {{4, 4}, {10, 10}, {0, 0}, {-3, 0}, {11, 10}, {1000, 10}};
    std::string dir = ScratchDir("seek");
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "Seek(" << c.seek << ")");
        std::string path = JoinPath(dir, "s.wav");
        {
            LSoundSinkPtr sink = LWaveFile::OpenSinkPCM(path.c_str(), 8000, 0, 16, 1);
            std::vector<int32_t> ten;
            for (int v = 0; v < 10; ++v) ten.push_back(v * 16);
            sink->Write(ten.data(), 10);
            sink->Seek(c.seek);
            EXPECT_EQ(sink->nPosition, c.position);
            std::vector<int32_t> two = {100 * 16, 101 * 16};
            sink->Write(two.data(), 2);
        }
        Bytes b = ReadBytes(path);
        uint32_t frames = uint32_t(c.position) + 2;
        ASSERT_EQ(b.size(), 46 + 2 * frames);
        EXPECT_EQ(Get32(b, 42), 2 * frames);
        EXPECT_EQ(Get32(b, 4), 2 * frames + 38);
        std::vector<int16_t> want;
        for (int v = 0; v < c.position; ++v) want.push_back(int16_t(v));
        want.push_back(100);
        want.push_back(101);
        EXPECT_EQ(Bytes(b.begin() + 46, b.end()), Pcm16(want));
    }
}

TEST(WaveWrite, StartFrameKeepsWhatTheFileHolds) {
    struct Case {
        int32_t start, position;
    };
    // An existing file of 10 frames (0..9) reopened at a start frame; then
    // frames 100, 101 are written.
    const Case cases[] = {{4, 4}, {10, 10}, {0, 0}, {-5, 0}, {50, 10}};
    std::string dir = ScratchDir("start");
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "start " << c.start);
        std::string path = JoinPath(dir, "s.wav");
        {
            LSoundSinkPtr sink = LWaveFile::OpenSinkPCM(path.c_str(), 8000, 0, 8, 2);
            std::vector<int32_t> ten;
            for (int v = 0; v < 20; ++v) ten.push_back(v * 4096);
            sink->Write(ten.data(), 10);
        }
        {
            LSoundSinkPtr sink = LWaveFile::OpenSinkPCM(path.c_str(), 8000, c.start, 8, 2);
            EXPECT_EQ(sink->nPosition, c.position);
            std::vector<int32_t> two = {100 * 4096, 101 * 4096, -100 * 4096, -101 * 4096};
            sink->Write(two.data(), 2);
            EXPECT_EQ(sink->nPosition, c.position + 2);
        }
        Bytes b = ReadBytes(path);
        uint32_t frames = uint32_t(c.position) + 2;
        ASSERT_EQ(b.size(), 46 + 2 * frames);
        EXPECT_EQ(Get32(b, 42), 2 * frames);
        Bytes want;
        for (int v = 0; v < 2 * c.position; ++v) want.push_back(uint8_t(128 + v));
        want.insert(want.end(), {228, 229, 28, 27});
        EXPECT_EQ(Bytes(b.begin() + 46, b.end()), want);
    }
}

TEST(WaveWrite, SinkThatCannotWriteCountsAndDiscards) {
    std::string dir = ScratchDir("nowrite");
    std::vector<int32_t> frames(16, 0);
    {
        std::string path = JoinPath(JoinPath(dir, "missing-folder"), "x.wav");
        LSoundSinkPtr sink = LWaveFile::OpenSinkPCM(path.c_str(), 8000, 3, 16, 2);
        ASSERT_TRUE(sink);
        EXPECT_TRUE(sink->HasError());
        sink->Write(frames.data(), 8);
        EXPECT_EQ(sink->nPosition, 11);
        sink->Seek(0);
        EXPECT_EQ(sink->nPosition, 11);  // nothing to cut
    }
    // A rate no reader accepts makes no file.
    std::string zeroRate = JoinPath(dir, "zero.wav");
    {
        LSoundSinkPtr sink = LWaveFile::OpenSinkPCM(zeroRate.c_str(), 0, 0, 16, 1);
        EXPECT_TRUE(sink->HasError());
        sink->Write(frames.data(), 8);
    }
    EXPECT_FALSE(LFile::Exists(zeroRate.c_str()));
#ifndef _WIN32
    // A device that takes no data: the failed write is reported.
    if (LFile::Exists("/dev/full")) {
        LSoundSinkPtr sink = LWaveFile::OpenSinkPCM("/dev/full", 8000, 0, 16, 1);
        sink->Write(frames.data(), 8);
        EXPECT_TRUE(sink->HasError());
    }
#endif
}

TEST(WaveWrite, ReleasedFileReadsBackExactly) {
    for (int32_t bits : {8, 16}) {
        SCOPED_TRACE(bits);
        std::string path = JoinPath(ScratchDir("roundtrip"), "r.wav");
        // Samples on the file's own grid read back unchanged, across several blocks.
        int32_t step = bits == 8 ? 4096 : 16;
        std::vector<int32_t> in = Sine(20000, 2, 44100, 997.0, 500000.0);
        for (int32_t& s : in) s = (s / step) * step;
        {
            LSoundSinkPtr sink = LWaveFile::OpenSinkPCM(path.c_str(), 44100, 0, bits, 2);
            for (int32_t at = 0; at < 20000; at += kMaxBlockFrames) {
                int32_t n = std::min(kMaxBlockFrames, 20000 - at);
                sink->Write(in.data() + size_t(at) * 2, n);
            }
        }
        LSoundSourcePtr src = LWaveFile::OpenSource(path.c_str());
        ASSERT_FALSE(src->HasError());
        EXPECT_EQ(src->GetLength(), 20000);
        EXPECT_EQ(ReadAll(*src), in);
    }
}
