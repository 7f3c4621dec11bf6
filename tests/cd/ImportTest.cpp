// The "Load Audio CD Track(s)" dialog's behaviour behind a recorded view,
// and the main window's opening of the imported files as documents.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "cd/LCDRipper.h"
#include "document/LAudioCutTank.h"
#include "document/LDocuments.h"
#include "support/LFile.h"
#include "support/LSettings.h"
#include "support/ScriptedHost.h"
#include "support/TestUtil.h"
#include "tests/cd/FakeSCSI.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {

// Records what the dialog would show; operations run at once.
class RecordedView : public LCDRipperView {
public:
    std::vector<std::string> titles, messages, drives, tracks, durations;
    std::vector<LProcessResult> results;
    int selectedDrive = -1;
    int closed = -1;  // 1 OK, 0 cancelled
    // This operation (counted from 0) is cancelled at its fourth poll: after
    // finding the drive and reading its contents, at the second read.
    int cancelOperation = -1;

    LProcessResult RunOperation(const char* title, const std::function<LProcessResult(LProgress*)>& op) override {
        RecordingProgress p;
        if (int(titles.size()) == cancelOperation) p.cancelAtPoll = 3;
        titles.push_back(title);
        results.push_back(op(&p));
        return results.back();
    }
    void ShowMessage(const char* text, const char* caption, bool error) override {
        messages.push_back(std::string(caption) + (error ? " (error): " : ": ") + text);
    }
    void SetDrives(const std::vector<std::string>& names, int selected) override {
        drives = names;
        selectedDrive = selected;
    }
    void SetTracks(const std::vector<std::string>& t, const std::vector<std::string>& d) override {
        tracks = t;
        durations = d;
    }
    void Close(bool ok) override { closed = ok ? 1 : 0; }
};

class RipperDialog : public ::testing::Test {
protected:
    void SetUp() override { dir = ScratchDir("cdimport"); }
    std::string Track(int n) const { return JoinPath(dir, "Track " + std::to_string(n) + ".wav"); }

    std::string dir;
    FakeSCSIPlatform fake;
    FakeSCSIScope scope{fake};
    RecordedView view;
};

}  // namespace

TEST_F(RipperDialog, OpeningListsTheDrivesAndTheFirstDrivesTracks) {
    fake.adapters = 2;
    fake.AddCD(0, 2, 0, {4500, 4575, 150});
    fake.AddCD(1, 0, 0, {75});
    LCDRipperModel model(view, dir);
    model.UpdateDrive();
    EXPECT_EQ(view.titles, std::vector<std::string>{"Load CD Drives"});
    EXPECT_EQ(view.drives, (std::vector<std::string>{"CD-ROM 1", "CD-ROM 2"}));
    EXPECT_EQ(view.selectedDrive, 0);
    EXPECT_EQ(view.tracks, (std::vector<std::string>{"Track 1", "Track 2", "Track 3"}));
    EXPECT_EQ(view.durations, (std::vector<std::string>{"1 :00", "1 :01", "0 :02"}));
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(view.closed, -1);

    model.CDDriveChanged(1);
    EXPECT_EQ(view.tracks, std::vector<std::string>{"Track 1"});
    EXPECT_EQ(view.durations, std::vector<std::string>{"0 :01"});

    // Refresh lists the drives afresh, one entry each.
    fake.AddCD(1, 1, 0, {75});
    model.UpdateDrive();
    EXPECT_EQ(view.drives, (std::vector<std::string>{"CD-ROM 1", "CD-ROM 2", "CD-ROM 3"}));
    EXPECT_EQ(view.tracks.size(), 3u) << "the first drive is selected again";
}

TEST_F(RipperDialog, NoDriveAndNoDiscMessages) {
    LCDRipperModel none(view, dir);
    none.UpdateDrive();
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0], std::string("Error (error): ") + kNoCDDrivesText);
    EXPECT_EQ(view.closed, 0);

    RecordedView v2;
    fake.AddCD(0, 0, 0, {100}).hasDisc = false;
    LCDRipperModel empty(v2, dir);
    empty.UpdateDrive();
    EXPECT_EQ(v2.messages, std::vector<std::string>{"Insert CD: No CD track found. Please insert CD."});
    EXPECT_EQ(v2.drives, std::vector<std::string>{"CD-ROM 1"});
    EXPECT_TRUE(v2.tracks.empty());
    EXPECT_EQ(v2.closed, -1) << "the dialog stays open for Refresh";
}

TEST_F(RipperDialog, ImportReadsTheSelectedTracksIntoTheDataFolder) {
    fake.AddCD(0, 0, 0, {30, 40, 50, 60});
    LCDRipperModel model(view, dir);
    model.UpdateDrive();
    model.Import(0, {0, 2, 3});
    EXPECT_EQ(model.Imported(), (std::vector<std::string>{Track(1), Track(3), Track(4)}));
    EXPECT_EQ(view.closed, 1);
    EXPECT_EQ(view.titles, (std::vector<std::string>{"Load CD Drives", "Import CD Track(s)", "Import CD Track(s)",
                                                     "Import CD Track(s)"}));
    for (int n : {1, 3, 4}) EXPECT_TRUE(LFile::Exists(Track(n).c_str())) << n;
    EXPECT_FALSE(LFile::Exists(Track(2).c_str()));
    std::vector<uint8_t> bytes;
    LFile::ReadAll(Track(4).c_str(), bytes);
    EXPECT_EQ(bytes.size(), 46u + 60 * 2352);
}

TEST_F(RipperDialog, AFailedTrackStopsTheImportAndKeepsTheEarlierOnes) {
    for (int cancel : {0, 1}) {
        FakeSCSIPlatform f;
        FakeDevice& d = f.AddCD(0, 0, 0, {30, 40, 50});
        if (!cancel) d.readErrorAt = 75;  // in track 3
        FakeSCSIScope s(f);
        RecordedView v;
        if (cancel) v.cancelOperation = 3;  // the third track's read
        LCDRipperModel model(v, dir);
        model.UpdateDrive();
        model.Import(0, {0, 1, 2});
        EXPECT_EQ(model.Imported(), (std::vector<std::string>{Track(1), Track(2)})) << cancel;
        EXPECT_EQ(model.LastRipResult(), cancel ? kProcessCancelled : kProcessFailed);
        EXPECT_EQ(v.closed, -1) << "the dialog stays open";
        EXPECT_FALSE(LFile::Exists(Track(3).c_str()));
    }
}

TEST_F(RipperDialog, ImportNeedsADriveSelection) {
    fake.AddCD(0, 0, 0, {30});
    LCDRipperModel model(view, dir);
    model.UpdateDrive();
    for (int drive : {-1, 8}) {
        model.Import(drive, {0});
        EXPECT_EQ(view.closed, -1) << drive;
        EXPECT_EQ(view.titles.size(), 1u) << drive;
    }
    // Nothing selected: the dialog closes having imported nothing.
    model.Import(0, {});
    EXPECT_EQ(view.closed, 1);
    EXPECT_TRUE(model.Imported().empty());
}

TEST_F(RipperDialog, AnEmptyTrackListClosesTheDialog) {
    fake.AddCD(0, 0, 0, {30}).hasDisc = false;
    LCDRipperModel model(view, dir);
    model.UpdateDrive();
    model.Import(0, {0});
    EXPECT_EQ(view.closed, 1);
    EXPECT_EQ(view.titles.size(), 1u);
    EXPECT_TRUE(model.Imported().empty());
}

namespace {
class OpenImported : public ::testing::Test {
protected:
    void SetUp() override {
        dir = ScratchDir("cdopen");
        std::filesystem::create_directories(JoinPath(dir, "tank"));
        tank = std::make_unique<LCutTankScope>(JoinPath(dir, "tank"));
        SetSettingsStore(&settings);
    }
    void TearDown() override {
        docs.reset();
        SetSettingsStore(nullptr);
    }

    std::string dir;
    LMemorySettings settings;
    std::unique_ptr<LCutTankScope> tank;
    ScriptedHost host;
    std::unique_ptr<LDocuments> docs = std::make_unique<LDocuments>(host);
};
}  // namespace

TEST_F(OpenImported, EachTrackBecomesAnUntitledModifiedDocumentAndItsFileGoes) {
    FakeSCSIPlatform fake;
    FakeDevice& d = fake.AddCD(0, 0, 0, {30, 41, 7});
    FakeSCSIScope scope(fake);
    RecordedView view;
    LCDRipperModel model(view, dir);
    model.UpdateDrive();
    model.Import(0, {0, 1, 2});
    ASSERT_EQ(model.Imported().size(), 3u);
    std::vector<std::string> files = model.Imported();
    files.push_back(files[1]);                      // the same track imported twice
    files.push_back(JoinPath(dir, "gone.wav"));     // a file that is no longer there
    std::string junk = JoinPath(dir, "junk.wav");   // one that is not a WAV file
    LFile::WriteAll(junk.c_str(), "not a wave file", 15);
    files.push_back(junk);

    EXPECT_EQ(OpenImportedTracks(*docs, files), 3);
    ASSERT_EQ(docs->GetNoFiles(), 3);
    uint32_t starts[] = {0, 30, 71};
    for (int i = 0; i < 3; ++i) {
        LSDFile* doc = docs->At(i);
        EXPECT_TRUE(doc->szFilePath.empty());
        EXPECT_EQ(doc->bDirty, 1);
        EXPECT_EQ(doc->nUntitledIdx, uint32_t(i + 1));
        EXPECT_EQ(doc->audio.nSampleRate, 44100);
        EXPECT_EQ(doc->audio.nChans, 2);
        LSoundSourcePtr src = CreateSource(doc->audio);
        std::vector<int32_t> samples = ReadAll(*src);
        std::vector<uint8_t> raw = d.disc.Bytes(starts[i], d.disc.trackSectors[size_t(i)]);
        ASSERT_EQ(samples.size() * 2, raw.size()) << i;
        for (size_t k = 0; k < samples.size(); ++k)
            ASSERT_EQ(samples[k], int32_t(int16_t(raw[2 * k] | raw[2 * k + 1] << 8)) * 16) << i << " " << k;
    }
    for (const std::string& f : files) EXPECT_FALSE(LFile::Exists(f.c_str())) << f;
    EXPECT_EQ(docs->Current(), docs->At(2));
}
