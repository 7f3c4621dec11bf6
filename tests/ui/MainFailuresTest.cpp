// What the user is told when an operation started from the main window
// fails, and what closing does when a save does not happen: every failure
// ends in exactly one error message naming the file and the cause, the
// document is left as it was, and a modified document is let go only after
// a completed save or the user's No.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "support/LFile.h"
#include "support/LSettings.h"
#include "ui/MainTestDoubles.h"

namespace sondrel::test {
namespace {

#ifdef _WIN32
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

class MainFailures : public MainFixture {
protected:
    void TearDown() override {
        LFile::SimulateDiskFull("", 0);
        MainFixture::TearDown();
    }
    std::string Write(const std::string& name, const std::string& text) {
        std::string path = JoinPath(dir, name);
        EXPECT_TRUE(LFile::WriteAll(path.c_str(), text.data(), text.size()));
        return path;
    }
    // A mono WAV file of frames frames at 1000 Hz, saved through the editor.
    std::string Wav(const std::string& name, int32_t frames) {
        std::string path = JoinPath(dir, name);
        LSDFile d;
        d.audio = List(std::vector<int32_t>(size_t(frames), 160), 1, 1000);
        LDocuments tmp(dialogs);
        dialogs.savePaths = {path};
        EXPECT_TRUE(tmp.SaveDocumentAs(d));
        return path;
    }
    // The one error shown since the last call, which says what failed on
    // which file: what follows (the cause) is returned.
    std::string CauseOfOnlyError(const std::string& what, const std::string& path) {
        const std::string e = OnlyError();
        const std::string head = what + " \"" + path + "\": ";
        EXPECT_EQ(e.substr(0, head.size()), head);
        return e.size() >= head.size() ? e.substr(head.size()) : e;
    }
    // The one error shown since the last call.
    std::string OnlyError() {
        EXPECT_EQ(dialogs.errors.size(), 1u);
        std::string e = dialogs.errors.empty() ? std::string() : dialogs.errors.back();
        dialogs.errors.clear();
        return e;
    }
    // A path whose folder does not exist.
    std::string Gone(const std::string& name) { return JoinPath(JoinPath(dir, "gone"), name); }
    std::string TooLong() { return AppendPath(dir, std::string(300, 'n') + ".wav"); }
};

// ------------------------------------------------------------------ opening and inserting

TEST_F(MainFailures, OpenAndInsertFileTellWhichFileAndWhy) {
    const std::string text = Write("x.wav", "this is a text file, not a sound");
    const std::string missing = JoinPath(dir, "missing.wav");
    const std::string tooLong = TooLong();
    struct Case {
        std::string path, cause;
    };
    std::vector<Case> cases = {
        {text, "it is not a readable WAV file."},
        {missing, "no such file or folder."},
    };
    // A name longer than a folder entry holds: POSIX says so; Windows
    // systems differ in what they answer for it.
    if (!kWindows) cases.push_back({tooLong, "the path is too long."});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.substr(dir.size(), 20));
        dialogs.openPaths = {c.path};
        ctl->Command(IDM_OPEN);
        EXPECT_EQ(ctl->Current(), nullptr);
        EXPECT_EQ(CauseOfOnlyError("Cannot open", c.path), c.cause);
    }

    Open(2000);
    Select(500, 600);
    ctl->Command(IDM_DELETE);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.substr(dir.size(), 20));
        for (int id : {IDM_INSERT_FILE_BEGIN, IDM_INSERT_FILE_CURRENT, IDM_INSERT_FILE_END}) {
            dialogs.openPaths = {c.path};
            ctl->Command(id);
            EXPECT_EQ(CauseOfOnlyError("Cannot open", c.path), c.cause);
            EXPECT_EQ(Doc().LengthMs(), 1900);
            EXPECT_EQ(Doc().UndoLabel(), "Delete");  // no step for what did not happen
        }
    }
}

TEST_F(MainFailures, InsertFileOnAFullDiskLeavesTheDocumentAsItWas) {
    const std::string other = Wav("other.wav", 3000);
    Open(2000);
    const std::vector<int32_t> before = Samples(Doc().audio);
    // A rate conversion writes new segments: the tank's disk fills.
    LCutListAudio at8k = List(std::vector<int32_t>(3000, 160), 1, 8000);
    {
        LSDFile d;
        d.audio = at8k;
        LDocuments tmp(dialogs);
        dialogs.savePaths = {JoinPath(dir, "other8k.wav")};
        ASSERT_TRUE(tmp.SaveDocumentAs(d));
    }
    LFile::SimulateDiskFull(JoinPath(dir, "tank"), 100);
    dialogs.openPaths = {JoinPath(dir, "other8k.wav")};
    ctl->Command(IDM_INSERT_FILE_END);
    EXPECT_NE(OnlyError().find("the disk is full"), std::string::npos);
    LFile::SimulateDiskFull("", 0);
    EXPECT_EQ(Samples(Doc().audio), before);
    EXPECT_EQ(Doc().bDirty, 0);
    // The step it began is gone, and nothing is left to redo.
    EXPECT_EQ(Doc().UndoLabel(), "");
    EXPECT_EQ(Doc().RedoLabel(), "");
    (void)other;
}

// ------------------------------------------------------------------ saving

TEST_F(MainFailures, SaveAndSaveAsTellWhyAndKeepTheDocumentAsItWas) {
    const std::string tooLong = TooLong();
    const std::string gone = Gone("a.wav");
    const std::string full = JoinPath(dir, "full.wav");
    const std::string odd = JoinPath(dir, "a.txt");
    struct Case {
        std::string path;
        int64_t room;  // bytes left on the disk, -1: no limit
        std::string cause;
    };
    std::vector<Case> cases = {
        {gone, -1, "no such file or folder."},
        {full, 200, "the disk is full."},
        {odd, -1, "Sondrel saves only .wav, .mp3, .flac, .ogg, .opus, .gsm and .vox files."},
    };
    if (!kWindows) cases.push_back({tooLong, -1, "the path is too long."});
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.substr(dir.size(), 20));
        const std::string name = "was" + std::to_string(++n) + ".wav";
        const std::string was = Wav(name, 1000);
        ASSERT_TRUE(ctl->Load(was));
        Select(100, 200);
        ctl->Command(IDM_DELETE);
        if (c.room >= 0) LFile::SimulateDiskFull(dir, c.room);

        dialogs.savePaths = {c.path};
        ctl->Command(IDM_SAVE_AS);
        EXPECT_EQ(CauseOfOnlyError("Cannot save", c.path), c.cause);
        EXPECT_EQ(Doc().szFilePath, was);  // still named after the file that holds it
        EXPECT_EQ(Doc().bDirty, 1);
        EXPECT_EQ(view.title, "Sondrel [" + name + "]");
        EXPECT_FALSE(LFile::Exists(c.path.c_str()));

        Doc().szFilePath = c.path;  // Save to that name
        ctl->Command(IDM_SAVE);
        EXPECT_EQ(CauseOfOnlyError("Cannot save", c.path), c.cause);
        EXPECT_EQ(Doc().bDirty, 1);
        LFile::SimulateDiskFull("", 0);
        dialogs.answers = {LDocumentHost::kNo};
        ctl->Command(IDM_CLOSE);
        ASSERT_EQ(ctl->Current(), nullptr);
    }
}

// ------------------------------------------------------------------ edits and effects

TEST_F(MainFailures, AnEffectOnAFullDiskShowsTheCauseAndLeavesTheAudio) {
    LSDFile& d = Open(3000);
    Select(1000, 2000);
    const std::vector<int32_t> before = Samples(d.audio);
    LFile::SimulateDiskFull(JoinPath(dir, "tank"), 100);
    ctl->Command(IDM_FADE_IN);  // writes its result into new segments
    EXPECT_EQ(OnlyError().rfind("Cannot complete \"Fade In\": the disk is full", 0), 0u);
    EXPECT_EQ(Samples(d.audio), before);
}

// ------------------------------------------------------------------ closing

// What closing does with one modified document for each answer to "Save
// changes", through each way of closing.
TEST_F(MainFailures, AModifiedDocumentGoesOnlyAfterASaveOrANo) {
    enum How { kYesSaveFails, kYesSaveAsCancelled, kYesSaved, kNo, kCancel };
    struct Case {
        How how;
        bool untitled;
        bool goes;  // the document is closed, the window too for Exit
        size_t errors;
    } cases[] = {
        {kYesSaveFails, false, false, 1},   // its folder is gone
        {kYesSaveAsCancelled, true, false, 0},
        {kYesSaved, true, true, 0},
        {kNo, false, true, 0},
        {kCancel, true, false, 0},
    };
    const int commands[] = {IDM_CLOSE, IDM_CLOSE_ALL, IDM_EXIT, 0};  // 0: the window's close box
    for (int command : commands) {
        for (const Case& c : cases) {
            SCOPED_TRACE("command " + std::to_string(command) + ", case " + std::to_string(int(c.how)));
            view.closed = false;
            dialogs.errors.clear();
            Open(1000);
            if (!c.untitled) {
                std::filesystem::create_directories(JoinPath(dir, "gone"));
                dialogs.savePaths = {Gone("t.wav")};
                ctl->Command(IDM_SAVE_AS);
                ASSERT_EQ(Doc().bDirty, 0);
                std::filesystem::remove_all(JoinPath(dir, "gone"));
            }
            Select(100, 200);
            ctl->Command(IDM_DELETE);
            LSDFile* d = ctl->Current();

            dialogs.answers = {c.how == kNo ? LDocumentHost::kNo
                               : c.how == kCancel ? LDocumentHost::kCancel
                                                  : LDocumentHost::kYes};
            dialogs.savePaths.clear();
            if (c.how == kYesSaved) dialogs.savePaths = {JoinPath(dir, "saved" + std::to_string(command) + ".wav")};
            bool agreed = true;
            if (command)
                ctl->Command(command);
            else
                agreed = ctl->CmCancel();

            EXPECT_EQ(dialogs.errors.size(), c.errors);
            if (c.goes) {
                EXPECT_EQ(ctl->Documents().GetNoFiles(), command == IDM_EXIT || !command ? 1 : 0);
                EXPECT_EQ(view.closed, command == IDM_EXIT);
                EXPECT_TRUE(agreed);  // (the close box's answer)
            } else {
                ASSERT_EQ(ctl->Current(), d);
                EXPECT_EQ(d->bDirty, 1);
                EXPECT_EQ(d->LengthMs(), 900);
                EXPECT_FALSE(view.closed);
                EXPECT_EQ(agreed, command != 0);
            }
            dialogs.answers = {LDocumentHost::kNo};
            ctl->Command(IDM_CLOSE_ALL);
            ASSERT_EQ(ctl->Documents().GetNoFiles(), 0);
        }
    }
}

TEST_F(MainFailures, CloseAllAndExitStopAtTheFirstSaveThatDidNotHappen) {
    for (int command : {IDM_CLOSE_ALL, IDM_EXIT}) {
        SCOPED_TRACE(command);
        for (int i = 0; i < 3; ++i) {
            Open(1000);
            Select(100, 200);
            ctl->Command(IDM_DELETE);
        }
        // Untitled 1: No; Untitled 2: Yes, then Save As cancelled.
        dialogs.asked.clear();
        dialogs.answers = {LDocumentHost::kNo, LDocumentHost::kYes, LDocumentHost::kNo};
        ctl->Command(command);
        EXPECT_EQ(dialogs.asked,
                  (std::vector<std::string>{"Save changes to \"Untitled 1\"?", "Save changes to \"Untitled 2\"?"}));
        EXPECT_EQ(ctl->Documents().GetNoFiles(), 3);
        EXPECT_FALSE(view.closed);
        for (int n = 0; n < 3; ++n) EXPECT_EQ(ctl->Documents().At(n)->bDirty, 1) << n;
        dialogs.answers = {LDocumentHost::kNo, LDocumentHost::kNo, LDocumentHost::kNo};
        ctl->Command(IDM_CLOSE_ALL);
        ASSERT_EQ(ctl->Documents().GetNoFiles(), 0);
    }
}

// ------------------------------------------------------------------ hand-overs

// A file handed over by a second start (or dropped) while a command runs
// waits until the command has ended, then the waiting files open in order.
TEST_F(MainFailures, HandOversWaitForTheRunningCommandAndOpenInOrder) {
    const std::string a = Wav("a.wav", 1000), b = Wav("b.wav", 2000), c = Wav("c.wav", 3000);
    Open(3000);
    Select(0, 1000);
    ctl->Command(IDM_COPY);
    std::vector<int> openWhileRunning;
    dialogs.onOperation = [&](const std::string& title) {
        if (title != "Pasting") return;
        EXPECT_TRUE(ctl->Load(a));
        EXPECT_TRUE(ctl->Load(b));
        openWhileRunning.push_back(ctl->Documents().GetNoFiles());
    };
    ctl->Command(IDM_PASTE);
    EXPECT_EQ(openWhileRunning, std::vector<int>{1});  // nothing opened under the operation
    EXPECT_EQ(ctl->Documents().At(0)->UndoLabel(), "Paste");  // the paste went into its own document
    ASSERT_EQ(ctl->Documents().GetNoFiles(), 3);
    EXPECT_EQ(ctl->Documents().At(1)->szFilePath, a);
    EXPECT_EQ(ctl->Documents().At(2)->szFilePath, b);
    EXPECT_EQ(ctl->Current()->szFilePath, b);
    EXPECT_EQ(view.title, "Sondrel [b.wav]");
    dialogs.onOperation = {};

    // While an effect's dialog is open, too.
    Select(0, 500);
    services.effectValues = {{0, 50}};
    services.whileDialog = [&] {
        ctl->Load(c);
        openWhileRunning.push_back(ctl->Documents().GetNoFiles());
    };
    ctl->Command(IDM_AMPLIFY);
    services.whileDialog = {};
    EXPECT_EQ(openWhileRunning.back(), 3);
    ASSERT_EQ(ctl->Documents().GetNoFiles(), 4);
    EXPECT_EQ(ctl->Documents().At(2)->UndoLabel(), "Amplify");  // b.wav took the effect
    EXPECT_EQ(ctl->Current()->szFilePath, c);

    // Nothing running: a hand-over opens at once.
    dialogs.answers = {LDocumentHost::kNo};
    ctl->Command(IDM_CLOSE);
    ASSERT_TRUE(ctl->Load(c));
    EXPECT_EQ(ctl->Current()->szFilePath, c);
}

// A hand-over while the user is asked about closing does not open into a
// window that is going away; when the closing is cancelled it opens.
TEST_F(MainFailures, AHandOverDuringTheExitPromptsOpensOnlyIfTheEditorStays) {
    const std::string a = Wav("a.wav", 1000);
    Open(1000);
    Select(100, 200);
    ctl->Command(IDM_DELETE);
    dialogs.answers = {LDocumentHost::kCancel};
    dialogs.onAsk = [&] { ctl->Load(a); };
    EXPECT_FALSE(ctl->CmCancel());
    ASSERT_EQ(ctl->Documents().GetNoFiles(), 2);
    EXPECT_EQ(ctl->Current()->szFilePath, a);

    ctl->Command(IDM_WINDOW_FIRST);
    dialogs.answers = {LDocumentHost::kNo};
    EXPECT_TRUE(ctl->CmCancel());
    EXPECT_EQ(ctl->Documents().GetNoFiles(), 2);  // the window closes with what it had
}

}  // namespace
}  // namespace sondrel::test
