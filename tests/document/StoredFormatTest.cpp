// What a document keeps of the file it came from: the user is told once
// what opening changed (channels mixed down, overs clipped, damage), is
// asked before saving over a file that held more than the document keeps,
// is told when an Opus save changes the rate, and the file's tags go back
// into the formats that carry them.
#include <gtest/gtest.h>

#include <cstring>

#include "document/LSDLoadFile.h"
#include "formats/LOpenReport.h"
#include "formats/WaveBytes.h"
#include "formats/flac/LFLACFile.h"
#include "support/DocumentFixture.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {

// A WAVE file of count frames of a ramp: 24-bit or 32-bit float, chans channels.
std::string WideWave(const std::string& path, uint32_t bits, bool isFloat, uint32_t chans, int frames, float peak = 0.5f) {
    Bytes data;
    for (int i = 0; i < frames; ++i)
        for (uint32_t c = 0; c < chans; ++c) {
            float v = peak * float((i * 37 + int(c) * 1000) % 2000 - 1000) / 1000.0f;
            if (isFloat) {
                uint32_t u;
                std::memcpy(&u, &v, 4);
                Add32(data, u);
            } else {
                int32_t s = int32_t(v * 8388607.0f);
                data.push_back(uint8_t(s));
                data.push_back(uint8_t(s >> 8));
                data.push_back(uint8_t(s >> 16));
            }
        }
    WriteBytes(path, Riff({Chunk("fmt ", FmtPayload(isFloat ? 3 : 1, chans, 44100, bits, 18)), Chunk("data", data)}));
    return path;
}

}  // namespace

class StoredFormat : public DocumentFixture {};

TEST_F(StoredFormat, OpeningTellsOnceWhatItChanged) {
    struct Case {
        const char* name;
        uint32_t bits;
        bool isFloat;
        uint32_t chans;
        float peak;
        const char* told;  // "" when nothing is told
    };
    const Case cases[] = {
        {"plain24.wav", 24, false, 2, 0.5f, ""},
        {"six.wav", 24, false, 6, 0.5f, "\"six.wav\" has 6 channels; they were mixed down to stereo."},
        {"loud.wav", 32, true, 1, 1.5f, "samples of \"loud.wav\" lay past full scale and were clipped."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host.notices.clear();
        std::string path = WideWave(JoinPath(dir, c.name), c.bits, c.isFloat, c.chans, 3000, c.peak);
        ASSERT_TRUE(docs->LoadFile(path));
        EXPECT_EQ(docs->Current()->audio.nChans, c.chans > 2 ? 2 : c.chans);
        if (!*c.told) {
            EXPECT_TRUE(host.notices.empty());
            continue;
        }
        ASSERT_EQ(host.notices.size(), 1u);
        EXPECT_NE(host.notices[0].find(c.told), std::string::npos) << host.notices[0];
    }
    EXPECT_TRUE(host.errors.empty());
}

TEST_F(StoredFormat, SavingOverAWiderFileAsksFirst) {
    std::string path = WideWave(JoinPath(dir, "take.wav"), 24, false, 2, 5000);
    Bytes before = ReadBytes(path);
    ASSERT_TRUE(docs->LoadFile(path));
    LSDFile& doc = *docs->Current();
    doc.bDirty = 1;
    // No: nothing is written.
    host.answers = {LDocumentHost::kNo};
    EXPECT_FALSE(docs->CmSave());
    ASSERT_EQ(host.asked.size(), 1u);
    EXPECT_EQ(host.asked[0],
              "\"take.wav\" holds 24-bit audio; saving over it keeps only 16-bit audio and the rest is lost. Save anyway?");
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_TRUE(doc.bDirty);
    // Yes: saved as 16 bits; the file now holds what the document does, so
    // the next save does not ask again.
    host.answers = {LDocumentHost::kYes};
    EXPECT_TRUE(docs->CmSave());
    EXPECT_EQ(Get16(ReadBytes(path), 34), 16u);
    doc.bDirty = 1;
    EXPECT_TRUE(docs->CmSave());
    EXPECT_EQ(host.asked.size(), 2u);
    // Saving a wide file's document elsewhere asks nothing.
    std::string other = WideWave(JoinPath(dir, "other.wav"), 32, true, 1, 500);
    ASSERT_TRUE(docs->LoadFile(other));
    host.savePaths = {JoinPath(dir, "copy.flac")};
    EXPECT_TRUE(docs->CmSaveAs());
    EXPECT_EQ(host.asked.size(), 2u);
}

TEST_F(StoredFormat, EveryNewTypeSavesAndOpensAgainWithItsTags) {
    // A FLAC file with tags, as another program would leave it.
    std::string flac = JoinPath(dir, "tagged.flac");
    std::vector<int32_t> tone = Sine(44100, 2, 44100, 440, 200000);
    for (int32_t& v : tone) v &= ~15;  // whole 16-bit steps, as a 16-bit file holds them
    {
        LSoundSinkPtr s = OpenFLACSink(flac.c_str(), 44100, 2, 5, LAudioTags{"Title", "Artist", "Album", "Note"});
        for (size_t at = 0; at < tone.size(); at += 8192 * 2)
            s->Write(tone.data() + at, int32_t(std::min<size_t>(8192, (tone.size() - at) / 2)));
        ASSERT_TRUE(s->Finish());
    }
    ASSERT_TRUE(docs->LoadFile(flac));
    EXPECT_EQ(Samples(docs->Current()->audio), tone);
    struct Case {
        const char* name;
        int32_t rate;  // of the file written
        bool told;
    };
    for (Case c : {Case{"a.ogg", 44100, false}, Case{"b.opus", 48000, true}, Case{"c.flac", 44100, false},
                   Case{"d.wav", 44100, false}}) {
        SCOPED_TRACE(c.name);
        host.notices.clear();
        std::string out = JoinPath(dir, c.name);
        host.savePaths = {out};
        ASSERT_TRUE(docs->CmSaveAs());
        EXPECT_EQ(host.notices.size(), c.told ? 1u : 0u);
        if (c.told) {
            EXPECT_EQ(host.notices[0],
                      "\"b.opus\" was saved at 48000 Hz, the rate of Opus files; the document stays at 44100 Hz.");
        }
        ResetOpenReport(out);
        LSoundSourcePtr back = OpenAudioFileSource(out, 8000);
        ASSERT_FALSE(back->HasError());
        EXPECT_EQ(back->nSampleRate, c.rate);
        // (The rate converter takes 44100 to 48000 Hz as 34 to 37 frames.)
        EXPECT_NEAR(back->GetLength(), 44100.0 * c.rate / 44100, 10);
        if (std::strcmp(c.name, "d.wav") != 0) {
            EXPECT_EQ(OpenReport().tags, (LAudioTags{"Title", "Artist", "Album", "Note"}));
        }
    }
}

TEST_F(StoredFormat, DamagedAndForeignFilesAreToldByName) {
    std::string flac = JoinPath(dir, "short.flac");
    std::vector<int32_t> tone = Sine(44100 * 2, 1, 44100, 440, 200000);
    {
        LSoundSinkPtr s = OpenFLACSink(flac.c_str(), 44100, 1, 5, LAudioTags());
        for (size_t at = 0; at < tone.size(); at += 8192) s->Write(tone.data() + at, int32_t(std::min<size_t>(8192, tone.size() - at)));
        ASSERT_TRUE(s->Finish());
    }
    Bytes b = ReadBytes(flac);
    b.resize(b.size() / 2);
    WriteBytes(flac, b);
    ASSERT_TRUE(docs->LoadFile(flac));
    ASSERT_EQ(host.notices.size(), 1u);
    EXPECT_EQ(host.notices[0], "\"short.flac\" is damaged or incomplete; it was opened as far as it could be read.");
    EXPECT_GT(docs->Current()->audio.GetLength(), 30000);

    for (const char* name : {"noise.ogg", "noise.opus", "noise.flac"}) {
        std::string p = JoinPath(dir, name);
        WriteBytes(p, Bytes(4096, 0x33));
        host.errors.clear();
        EXPECT_FALSE(docs->LoadFile(p));
        ASSERT_EQ(host.errors.size(), 1u);
        std::string type = FileExtension(p).substr(1);
        for (char& ch : type) ch = char(ch - 'a' + 'A');
        EXPECT_EQ(host.errors[0], "Cannot open \"" + p + "\": it is not a readable " + type + " file.");
    }
}
