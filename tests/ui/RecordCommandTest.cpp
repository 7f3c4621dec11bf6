// The Record command over the open documents, with a record dialog that
// returns takes the test scripts.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "document/LAudioCutTank.h"
#include "document/LDocuments.h"
#include "support/TestUtil.h"
#include "ui/LRecordCommand.h"

using namespace sondrel;

namespace {

class QuietHost : public LDocumentHost {
public:
    LProcessResult RunOperation(const char*, const std::function<LProcessResult(LProgress*)>& op) override {
        ++operations;
        if (cancelOperations) return kProcessCancelled;
        LNullProgress progress;
        return op(&progress);
    }
    bool AskNewFileFormat() override { return newAccepted; }
    bool AskVoxSampleRate() override { return true; }
    bool AskConvertSampleRate(int32_t&) override { return false; }
    Answer Ask(const std::string&, bool) override { return kNo; }
    bool AskOpenPath(std::string&) override { return false; }
    bool AskSavePath(std::string&) override { return false; }
    void DocumentChanged() override { ++changes; }
    int operations = 0, changes = 0;
    bool newAccepted = true, cancelOperations = false;
};

// One scripted dialog run: its result and the take's frames (all `value`).
struct Take {
    int result;
    int32_t frames;
    int32_t value;
};

class RecordCommand : public ::testing::Test {
protected:
    // The dialog: each run records its take at the rate and channel count
    // it was asked for.
    LRecordDialogFn Dialog() {
        return [this](int32_t rate, uint8_t chans, const std::string& name, LCutListAudio& take) {
            asked.push_back(name + " " + std::to_string(rate) + "/" + std::to_string(chans));
            if (script.empty()) return 0;
            Take r = script.front();
            script.pop_front();
            LSoundSinkPtr sink = CreateSink(take, rate, chans);
            std::vector<int32_t> b(size_t(r.frames) * chans, r.value);
            sink->Write(b.data(), r.frames);
            return r.result;
        };
    }
    static std::vector<int32_t> Samples(const LSDFile& d) {
        LSoundSourcePtr src = CreateSource(d.audio);
        return test::ReadAll(*src);
    }
    static std::vector<int32_t> Runs(std::initializer_list<std::pair<int32_t, int32_t>> parts) {
        std::vector<int32_t> v;
        for (auto [n, value] : parts) v.insert(v.end(), size_t(n), value);
        return v;
    }
    LSDFile& NewDocument(int32_t rate, uint8_t chans, int32_t frames = 0, int32_t value = 0) {
        LCutListAudio audio(rate, chans);
        if (frames) {
            LSoundSinkPtr sink = CreateSink(audio, rate, chans);
            std::vector<int32_t> b(size_t(frames) * chans, value);
            sink->Write(b.data(), frames);
        }
        return docs.AddUntitled(audio);
    }

    LCutTankScope tank{test::ScratchDir("record-command")};
    QuietHost host;
    LDocuments docs{host};
    std::deque<Take> script;
    std::vector<std::string> asked;
};

}  // namespace

TEST_F(RecordCommand, ATakeReplacesTheSelectionOrGoesInAtThePositionAndUndoRemovesIt) {
    LSDFile& d = NewDocument(8000, 1, 8000, 1);
    d.stPosition.ms = 250;  // sample 2000, no selection
    script = {{1, 800, 9}};
    RecordIntoDocuments(docs, Dialog());
    EXPECT_EQ(asked, (std::vector<std::string>{"Untitled 1 8000/1"}));
    EXPECT_EQ(Samples(d), Runs({{2000, 1}, {800, 9}, {6000, 1}}));
    EXPECT_EQ(d.UndoLabel(), "Record");
    EXPECT_EQ(d.bDirty, 1);
    EXPECT_EQ(d.stSelStart.ms, 250);
    EXPECT_EQ(d.stSelEnd.ms, 350);
    EXPECT_EQ(d.stPosition.ms, 250);
    EXPECT_EQ(d.stViewStart.ms, 0);
    EXPECT_EQ(d.stViewEnd.ms, 1100);

    d.stSelStart.ms = 0;
    d.stSelEnd.ms = 500;
    script = {{1, 80, 5}};
    RecordIntoDocuments(docs, Dialog());
    EXPECT_EQ(Samples(d), Runs({{80, 5}, {4800, 1}}));
    EXPECT_EQ(d.stSelEnd.ms, 10);

    ASSERT_TRUE(docs.CmUndo());
    ASSERT_TRUE(docs.CmUndo());
    EXPECT_EQ(Samples(d), Runs({{8000, 1}}));
    EXPECT_EQ(d.bDirty, 0);
}

TEST_F(RecordCommand, NothingGoesInWhenNothingWasRecordedOrTheDialogFailed) {
    LSDFile& d = NewDocument(8000, 1, 800, 1);
    d.stSelStart.ms = 0;
    d.stSelEnd.ms = 50;
    for (Take r : {Take{1, 0, 0}, Take{0, 80, 3}}) {
        script = {r};
        RecordIntoDocuments(docs, Dialog());
        EXPECT_EQ(Samples(d), Runs({{800, 1}})) << r.result;  // the selection is not deleted
        EXPECT_EQ(d.UndoLabel(), "") << r.result;
    }
    EXPECT_EQ(docs.GetNoFiles(), 1);
}

// Record Next keeps the take in its document as a close does, then the
// dialog runs again for a new untitled document of the same format.
TEST_F(RecordCommand, RecordNextKeepsTheTakeAndRecordsTheNextFileIntoANewDocument) {
    NewDocument(22050, 2);
    script = {{2, 100, 4}, {2, 200, 5}, {1, 300, 6}};
    int changes = 0;
    RecordIntoDocuments(docs, Dialog(), [&] { ++changes; });
    EXPECT_EQ(asked, (std::vector<std::string>{"Untitled 1 22050/2", "Untitled 2 22050/2", "Untitled 3 22050/2"}));
    ASSERT_EQ(docs.GetNoFiles(), 3);
    const int32_t frames[] = {100, 200, 300};
    for (int i = 0; i < 3; ++i) {
        const LSDFile& d = *docs.At(i);
        EXPECT_EQ(d.audio.nSampleRate, 22050);
        EXPECT_EQ(d.audio.nChans, 2);
        EXPECT_EQ(Samples(d), Runs({{frames[i] * 2, 4 + i}})) << i;
        EXPECT_EQ(d.UndoLabel(), "Record") << i;
    }
    EXPECT_EQ(docs.Current(), docs.At(2));
    EXPECT_EQ(changes, 5);  // three takes, two new documents
}

TEST_F(RecordCommand, RecordNextWithNothingRecordedReusesAnEmptyUntitledDocument) {
    NewDocument(8000, 1);
    script = {{2, 0, 0}, {2, 0, 0}, {1, 80, 7}};
    RecordIntoDocuments(docs, Dialog());
    ASSERT_EQ(docs.GetNoFiles(), 1);
    EXPECT_EQ(Samples(*docs.At(0)), Runs({{80, 7}}));

    // A document that holds audio is never reused: the next file is a new one.
    script = {{2, 0, 0}, {0, 0, 0}};
    RecordIntoDocuments(docs, Dialog());
    EXPECT_EQ(docs.GetNoFiles(), 2);
}

TEST_F(RecordCommand, WithoutADocumentNothingRuns) {
    script = {{1, 80, 7}};
    RecordIntoDocuments(docs, Dialog());
    EXPECT_TRUE(asked.empty());
    LCutListAudio take(8000, 1);
    EXPECT_FALSE(InsertTake(docs, take));
}

TEST_F(RecordCommand, ATakeOfAnotherFormatIsConverted) {
    LSDFile& d = NewDocument(8000, 1, 800, 1);
    LCutListAudio take(16000, 1);
    {
        LSoundSinkPtr sink = CreateSink(take, 16000, 1);
        std::vector<int32_t> b(1600, 0);
        sink->Write(b.data(), 1600);
    }
    ASSERT_TRUE(InsertTake(docs, take));
    EXPECT_EQ(host.operations, 1);
    EXPECT_EQ(d.audio.GetLength(), 800 + 800);
    EXPECT_EQ(d.stSelEnd.ms, 100);

    // A conversion the user cancels leaves the document as it was, with
    // no "Record" step to undo.
    ASSERT_TRUE(docs.CmUndo());
    host.cancelOperations = true;
    d.stSelStart.ms = d.stSelEnd.ms = 0;
    d.stPosition.ms = 40;
    EXPECT_FALSE(InsertTake(docs, take));
    EXPECT_EQ(Samples(d), Runs({{800, 1}}));
    EXPECT_EQ(d.UndoLabel(), "");
    EXPECT_EQ(d.bDirty, 0);
    EXPECT_EQ(d.stPosition.ms, 40);
}

// The command as the main window runs it: a new document first when none
// is open, the player stopped before the dialog, the window refreshed
// after each change.
class CommandHost : public LRecordCommandHost {
public:
    explicit CommandHost(LRecordDialogFn fn) : dialog(std::move(fn)) {}
    void StopPlayer() override { events.push_back("stop"); }
    int RecordDialog(int32_t rate, uint8_t chans, const std::string& name, LCutListAudio& take) override {
        events.push_back("dialog");
        return dialog(rate, chans, name, take);
    }
    void Refresh() override { events.push_back("refresh"); }
    LRecordDialogFn dialog;
    std::vector<std::string> events;
};

TEST_F(RecordCommand, TheCommandOpensANewDocumentFirstAndGivesUpWhenNewIsCancelled) {
    CommandHost window(Dialog());
    host.newAccepted = false;
    script = {{1, 80, 7}};
    RunRecordCommand(docs, window);
    EXPECT_EQ(docs.GetNoFiles(), 0);
    EXPECT_TRUE(window.events.empty());

    host.newAccepted = true;
    RunRecordCommand(docs, window);
    ASSERT_EQ(docs.GetNoFiles(), 1);
    EXPECT_EQ(window.events, (std::vector<std::string>{"stop", "dialog", "refresh"}));
    EXPECT_EQ(Samples(*docs.Current()), Runs({{80 * docs.Current()->audio.nChans, 7}}));
    EXPECT_EQ(docs.Current()->UndoLabel(), "Record");

    // With a document open, no new one; Record Next refreshes for the new
    // document too.
    window.events.clear();
    script = {{2, 40, 3}, {1, 40, 4}};
    RunRecordCommand(docs, window);
    EXPECT_EQ(docs.GetNoFiles(), 2);
    EXPECT_EQ(window.events,
              (std::vector<std::string>{"stop", "dialog", "refresh", "refresh", "dialog", "refresh"}));
}
