// "Settings...", "Send..." and Help, worked from outside through the test
// host, which runs the same command functions as the editor's main window.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <memory>

#include "support/LResourceIds.h"
#include "support/TestUtil.h"
#include "tests/drive/LDrive.h"

using namespace sondrel::drive;
namespace test = sondrel::test;

namespace {

const std::string kWork = "C:\\commands";
const char* kSettingsKey = "Software\\Ketterly\\Sondrel\\Settings";
constexpr int kCmModify = 9001;  // the test host's stand-in for an edit


std::vector<std::string> Lines(const std::string& path) {
    std::vector<std::string> lines;
    std::string text = ReadText(path), line;
    for (char c : text) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else if (c != '\r') {
            line += c;
        }
    }
    return lines;
}

bool WaitLines(const std::string& path, size_t count, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (Lines(path).size() < count) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(50);
    }
    return true;
}

class Commands : public ::testing::Test {
protected:
    void SetUp() override {
        CreateDirectoryA(kWork.c_str(), nullptr);
        take = kWork + "\\take.wav";
        ASSERT_TRUE(test::WriteSawtoothWav(take));
        argsLog = kWork + "\\args.log";
        mapiLog = kWork + "\\mapi.log";
        DeleteFileA(argsLog.c_str());
        DeleteFileA(mapiLog.c_str());
        host = WinePath(HOST_EXE);
        SetEnvironmentVariableA("SONDREL_TEST_ARGS_LOG", argsLog.c_str());
        SetEnvironmentVariableA("SONDREL_MAPI_LOG", mapiLog.c_str());
        SetEnvironmentVariableA("SONDREL_TEST_MANUAL", WinePath(MANUAL_DIR).c_str());
        Mail(true);
        WriteProfileStringA("Mail", "MAPI", "1");
    }
    void TearDown() override {
        SetEnvironmentVariableA("SONDREL_MAPI_RESULT", nullptr);
        WriteProfileStringA("Mail", "MAPI", nullptr);
    }
    // Whether the host finds the MAPI32.DLL double beside it, or no MAPI32.DLL
    // at all (Wine's per-program DLL overrides).
    void Mail(bool withDouble) {
        mail.reset();  // before the next one: its removal would undo the new setting
        mail = std::make_unique<DllOverride>("sondrel-testhost.exe", "mapi32", withDouble ? "native,builtin" : "");
        ASSERT_TRUE(mail->Ok());
    }
    HWND StartHost(Program& p, const std::string& file) {
        if (!p.Start(host, file.empty() ? "" : "\"" + file + "\"")) return nullptr;
        p.WaitIdle(10000);
        std::string caption = "Sondrel Test Host";
        if (!file.empty()) caption += " [" + file.substr(file.rfind('\\') + 1) + "]";
        return WaitForWindow(p.Id(), caption, 30000);
    }
    void Close(Program& p, HWND w) {
        PostMessageA(w, WM_CLOSE, 0, 0);
        EXPECT_NE(p.WaitExit(15000), STILL_ACTIVE);
    }
    // Sends and expects a message box titled caption holding text.
    void SendExpectingMessage(HWND w, DWORD pid, const char* text) {
        PostMessageA(w, WM_COMMAND, IDM_SEND, 0);
        HWND box = WaitForWindow(pid, "Send", 15000);
        ASSERT_NE(box, nullptr) << "no message for: " << text;
        EXPECT_TRUE(WaitStaticText(box, text, 5000)) << StaticTexts(box);
        Command(box, IDOK);
        EXPECT_TRUE(WaitForWindowGone(box, 5000));
    }

    std::string take, argsLog, mapiLog, host;
    std::unique_ptr<DllOverride> mail;
};

// The sheet's page by its index (null until the sheet has created it). The
// pages' order among the sheet's children follows their creation and
// activation, so it says nothing about which page is which.
HWND Page(HWND sheet, int index) {
    return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_INDEXTOHWND, index, 0));
}

bool WaitEnabled(HWND w, bool enabled) {
    for (int i = 0; i < 100; ++i) {
        if (bool(IsWindowEnabled(w)) == enabled) return true;
        Sleep(20);
    }
    return false;
}

TEST_F(Commands, SettingsPagesStoreTheirKeysAndRegisterTheFileTypes) {
    ASSERT_TRUE(RegSet(HKEY_CLASSES_ROOT, ".wav", nullptr, "SondrelTest.Wave"));
    RegRemoveTree(HKEY_CLASSES_ROOT, ".mp3");
    RegRemoveTree(HKEY_CLASSES_ROOT, "mp3file\\Shell\\Open");
    RegRemoveTree(HKEY_LOCAL_MACHINE, kSettingsKey);

    Program p;
    HWND w = StartHost(p, "");
    ASSERT_NE(w, nullptr);
    PostMessageA(w, WM_COMMAND, IDM_SETTINGS, 0);
    HWND sheet = WaitForWindow(p.Id(), "Settings", 15000);
    ASSERT_NE(sheet, nullptr);
    HWND general = Page(sheet, 0);
    ASSERT_NE(general, nullptr);
    EXPECT_EQ(SendMessageA(GetDlgItem(general, IDC_GENERAL_WAV), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(general, IDC_GENERAL_SET_DEFAULTS)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(general, IDC_GENERAL_VOX_RATE)));
    EXPECT_EQ(Text(GetDlgItem(general, IDC_GENERAL_VOX_RATE)), "8000");

    // The radio buttons enable their controls at once.
    PostMessageA(GetDlgItem(general, IDC_GENERAL_DEFAULT_FORMAT), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitEnabled(GetDlgItem(general, IDC_GENERAL_SET_DEFAULTS), true));
    PostMessageA(GetDlgItem(general, IDC_GENERAL_VOX_DEFAULT), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitEnabled(GetDlgItem(general, IDC_GENERAL_VOX_RATE), true));
    SendMessageA(GetDlgItem(general, IDC_GENERAL_VOX_RATE), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("abc"));
    PostMessageA(GetDlgItem(general, IDC_GENERAL_PLAY_WHEN_OPEN), BM_CLICK, 0, 0);

    // "Set Defaults" is the new-file dialog under that caption.
    PostMessageA(GetDlgItem(general, IDC_GENERAL_SET_DEFAULTS), BM_CLICK, 0, 0);
    HWND defaults = WaitForWindow(p.Id(), "Set Defaults", 10000);
    ASSERT_NE(defaults, nullptr);
    SendMessageA(GetDlgItem(defaults, IDC_SAMPLE_RATE), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("22050"));
    PostMessageA(GetDlgItem(defaults, IDC_STEREO), BM_CLICK, 0, 0);
    Sleep(200);
    Command(defaults, IDOK);
    ASSERT_TRUE(WaitForWindowGone(defaults, 10000));
    EXPECT_EQ(Reg(HKEY_LOCAL_MACHINE, kSettingsKey, "DefaultSampleRate"), "22050");
    EXPECT_EQ(Reg(HKEY_LOCAL_MACHINE, kSettingsKey, "DefaultChannels"), "2");

    // The Audio Processing page: a threshold above its range is stored as -6.
    PostMessageA(sheet, PSM_SETCURSEL, 1, 0);
    HWND audio = nullptr;
    for (int i = 0; i < 100 && !audio; ++i, Sleep(20)) audio = Page(sheet, 1);
    ASSERT_NE(audio, nullptr);
    Sleep(200);
    EXPECT_EQ(Text(GetDlgItem(audio, IDC_AUDIO_AUTOTRIM_THRESHOLD)), "-24");
    SendMessageA(GetDlgItem(audio, IDC_AUDIO_AUTOTRIM_THRESHOLD), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("-3"));
    PostMessageA(GetDlgItem(audio, IDC_AUDIO_AUTOPLAY), BM_CLICK, 0, 0);
    Sleep(200);

    PostMessageA(sheet, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitForWindowGone(sheet, 10000));
    EXPECT_EQ(Reg(HKEY_LOCAL_MACHINE, kSettingsKey, "DefaultRunWav"), "1");
    EXPECT_EQ(Reg(HKEY_LOCAL_MACHINE, kSettingsKey, "DefaultRunMp3"), "1");
    EXPECT_EQ(Reg(HKEY_LOCAL_MACHINE, kSettingsKey, "PromptSampleAndChannels"), "0");
    EXPECT_EQ(Reg(HKEY_LOCAL_MACHINE, kSettingsKey, "VoxPromptSampleRate"), "0");
    EXPECT_EQ(Reg(HKEY_LOCAL_MACHINE, kSettingsKey, "VoxDefaultSampleRate"), "0");
    EXPECT_EQ(Reg(HKEY_LOCAL_MACHINE, kSettingsKey, "PlayWhenOpen"), "0");
    EXPECT_EQ(Reg(HKEY_LOCAL_MACHINE, kSettingsKey, "AutoPlaybackAfterEffects"), "0");
    EXPECT_EQ(Reg(HKEY_LOCAL_MACHINE, kSettingsKey, "AutoTrimThreshold"), "-6");
    EXPECT_EQ(Reg(HKEY_CLASSES_ROOT, "SondrelTest.Wave\\Shell\\Open\\Command", nullptr), "\"" + host + "\" \"%L\"");
    EXPECT_EQ(Reg(HKEY_CLASSES_ROOT, "SondrelTest.Wave\\Shell\\Open", nullptr), "&Edit");
    EXPECT_EQ(Reg(HKEY_CLASSES_ROOT, "SondrelTest.Wave\\Shell", nullptr), "Open");
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, ".mp3"));
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, "mp3file\\Shell\\Open"));
    Close(p, w);

    // A double-click on a .wav file now opens it in the program.
    HINSTANCE r = ShellExecuteA(nullptr, "open", take.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    ASSERT_GT(reinterpret_cast<INT_PTR>(r), 32);
    HWND opened = WaitForWindow(0, "Sondrel Test Host [take.wav]", 30000);
    ASSERT_NE(opened, nullptr) << "the associated program did not open the file";
    ASSERT_TRUE(WaitLines(argsLog, 2, 5000));
    EXPECT_EQ(Lines(argsLog).back(), "\"" + take + "\"");
    PostMessageA(opened, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitForWindowGone(opened, 10000));
    RegRemoveTree(HKEY_CLASSES_ROOT, "SondrelTest.Wave");
    RegRemoveTree(HKEY_CLASSES_ROOT, ".wav");
}

TEST_F(Commands, SendHandsTheSavedFileToTheMailProgram) {
    Program p;
    HWND w = StartHost(p, take);
    ASSERT_NE(w, nullptr);
    PostMessageA(w, WM_COMMAND, IDM_SEND, 0);
    ASSERT_TRUE(WaitLines(mapiLog, 1, 15000)) << "the mail double was not called";
    EXPECT_EQ(Lines(mapiLog)[0], "|\t" + take + "\ttake.wav");

    // A modified document asks first; Cancel sends nothing.
    auto original = ReadBytes(take);
    PostMessageA(w, WM_COMMAND, kCmModify, 0);
    PostMessageA(w, WM_COMMAND, IDM_SEND, 0);
    HWND ask = WaitForWindow(p.Id(), "Sondrel", 15000);
    ASSERT_NE(ask, nullptr);
    EXPECT_TRUE(WaitStaticText(ask, "Save changes to \"take.wav\"?", 5000)) << StaticTexts(ask);
    Command(ask, IDCANCEL);
    ASSERT_TRUE(WaitForWindowGone(ask, 5000));
    Sleep(500);
    EXPECT_EQ(Lines(mapiLog).size(), 1u);
    EXPECT_EQ(ReadBytes(take), original);

    // Yes saves, then sends the saved file.
    PostMessageA(w, WM_COMMAND, IDM_SEND, 0);
    ask = WaitForWindow(p.Id(), "Sondrel", 15000);
    ASSERT_NE(ask, nullptr);
    Command(ask, IDYES);
    ASSERT_TRUE(WaitLines(mapiLog, 2, 15000));
    EXPECT_EQ(Lines(mapiLog)[1], "|\t" + take + "\ttake.wav");
    EXPECT_LT(ReadBytes(take).size(), original.size());
    Close(p, w);
}

TEST_F(Commands, SendFailuresAreTold) {
    {
        SetEnvironmentVariableA("SONDREL_MAPI_RESULT", "2");  // the mail program refuses
        Program p;
        HWND w = StartHost(p, take);
        ASSERT_NE(w, nullptr);
        SendExpectingMessage(w, p.Id(), "The mail program could not send \"take.wav\".");
        EXPECT_EQ(Lines(mapiLog).size(), 1u);
        Close(p, w);
        SetEnvironmentVariableA("SONDREL_MAPI_RESULT", nullptr);
    }
    {
        Mail(false);  // no MAPI32.DLL at all
        Program p;
        HWND w = StartHost(p, take);
        ASSERT_NE(w, nullptr);
        SendExpectingMessage(w, p.Id(), "MAPI32.DLL could not be loaded");
        Close(p, w);
        Mail(true);
    }
    {
        WriteProfileStringA("Mail", "MAPI", "0");  // no mail program set up
        Program p;
        HWND w = StartHost(p, take);
        ASSERT_NE(w, nullptr);
        SendExpectingMessage(w, p.Id(), "No mail program is set up");
        Close(p, w);
    }
    EXPECT_EQ(Lines(mapiLog).size(), 1u);
}

TEST_F(Commands, HelpOpensTheManualPageInTheBrowser) {
    // The "browser" is the host again, logging what it was asked to show.
    ASSERT_TRUE(RegSet(HKEY_CLASSES_ROOT, ".html", nullptr, "htmlfile"));
    ASSERT_TRUE(RegSet(HKEY_CLASSES_ROOT, "htmlfile\\shell\\open\\command", nullptr, "\"" + host + "\" --log-args \"%1\""));
    Program p;
    HWND w = StartHost(p, "");
    ASSERT_NE(w, nullptr);
    PostMessageA(w, WM_COMMAND, IDM_HELP_CONTENTS, 0);
    ASSERT_TRUE(WaitLines(argsLog, 2, 20000)) << "no browser was started";
    std::string line = Lines(argsLog)[1];
    EXPECT_NE(line.find("--log-args"), std::string::npos) << line;
    EXPECT_NE(line.find(WinePath(MANUAL_DIR) + "\\index.html"), std::string::npos) << line;
    Close(p, w);
}

}  // namespace
