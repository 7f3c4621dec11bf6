// The open and save prompts, driven from a second thread as a user would:
// type a name into the dialog's file field and press OK, or cancel.
#include <gtest/gtest.h>
#include <windows.h>
#include <dlgs.h>

#include <filesystem>
#include <string>
#include <thread>

#include "support/LFile.h"
#include "support/LFilePath.h"
#include "support/TestUtil.h"
#include "support/win32/LFilePrompts.h"
#include "win32/WinTestUtil.h"

using namespace sondrel;

namespace {

const char kFilter[] = "Wave Files (*.wav)\0*.wav\0All Files (*.*)\0*.*\0";

// Waits for the prompt with this title; then types name and presses OK, or
// cancels when name is null. Returns the folder the dialog showed first.
void Answer(const char* title, const char* name, bool* found) {
    HWND dlg = wintest::WaitForWindow(title, 20000);
    *found = dlg != nullptr;
    if (!dlg) return;
    Sleep(200);
    if (name) {
        // The explorer-style dialog's file-name field.
        SendMessageA(GetDlgItem(dlg, cmb13), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name));
        PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    } else {
        PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
}

std::string Lower(std::string s) {
    for (char& c : s) c = char(tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

TEST(FilePrompts, OpenStartsInTheFolderAndReturnsTheChosenFile) {
    std::string dir = std::filesystem::absolute(test::ScratchDir("prompt-open")).string();
    std::string existing = JoinPath(dir, "take.wav");
    ASSERT_TRUE(LFile::WriteAll(existing.c_str(), "RIFF", 4));

    std::string path;
    bool found = false;
    std::thread user(Answer, "Open a test file", "take.wav", &found);
    bool ok = AskOpenFile(nullptr, {"Open a test file", kFilter, "wav"}, dir, path);
    user.join();
    ASSERT_TRUE(found);
    ASSERT_TRUE(ok);
    // The bare name resolved against the starting folder.
    EXPECT_EQ(Lower(path), Lower(existing));
}

TEST(FilePrompts, SaveAcceptsANewNameAndAddsTheDefaultExtension) {
    std::string dir = std::filesystem::absolute(test::ScratchDir("prompt-save")).string();
    std::string path;
    bool found = false;
    std::thread user(Answer, "Save a test file", "newname", &found);
    bool ok = AskSaveFile(nullptr, {"Save a test file", kFilter, "wav"}, dir, path);
    user.join();
    ASSERT_TRUE(found);
    ASSERT_TRUE(ok);
    EXPECT_EQ(Lower(path), Lower(JoinPath(dir, "newname.wav")));
    EXPECT_FALSE(LFile::Exists(path.c_str()));  // the prompt only names the file
}

TEST(FilePrompts, CancelReturnsFalseAndLeavesThePath) {
    std::string path = "C:\\windows\\win.ini";
    bool found = false;
    std::thread user(Answer, "Cancel this prompt", nullptr, &found);
    bool ok = AskOpenFile(nullptr, {"Cancel this prompt", kFilter, nullptr}, "C:\\windows", path);
    user.join();
    ASSERT_TRUE(found);
    EXPECT_FALSE(ok);
    EXPECT_EQ(path, "C:\\windows\\win.ini");
}
