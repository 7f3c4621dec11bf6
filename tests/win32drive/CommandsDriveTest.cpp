// "Settings...", "Send..." and Help, worked from outside through the test
// host, which runs the same command functions as the editor's main window.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include "DriveUtil.h"

using namespace drive;

namespace {

const std::string kWork = "C:\\commands";
const char* kSettingsKey = "Software\\Ketterly\\Sondrel\\Settings";


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
        ASSERT_TRUE(WriteWav(take));
        argsLog = kWork + "\\args.log";
        mapiLog = kWork + "\\mapi.log";
        DeleteFileA(argsLog.c_str());
        DeleteFileA(mapiLog.c_str());
        host = WinePath(HOST_EXE);
        SetEnvironmentVariableA("SONDREL_TEST_ARGS_LOG", argsLog.c_str());
        SetEnvironmentVariableA("SONDREL_MAPI_LOG", mapiLog.c_str());
        SetEnvironmentVariableA("SONDREL_TEST_MANUAL", WinePath(MANUAL_DIR).c_str());
        Mail("n,b");
        WriteProfileStringA("Mail", "MAPI", "1");
    }
    void TearDown() override {
        SetEnvironmentVariableA("SONDREL_MAPI_RESULT", nullptr);
        WriteProfileStringA("Mail", "MAPI", nullptr);
    }
    // How the host's MAPI32.DLL is found: "n,b" the double beside it, "d"
    // none (Wine's per-program DLL overrides).
    void Mail(const char* order) {
        std::string value = std::string(order) == "d" ? "" : "native,builtin";
        RegSet(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\sondrel-testhost.exe\\DllOverrides", "mapi32", value);
    }
    HWND StartHost(Process& p, const std::string& file) {
        if (!p.Start(host, file.empty() ? "" : "\"" + file + "\"")) return nullptr;
        std::string caption = "Sondrel Test Host";
        if (!file.empty()) caption += " [" + file.substr(file.rfind('\\') + 1) + "]";
        return WaitWindow(caption.c_str(), p.Id(), 30000);
    }
    void Close(Process& p, HWND w) {
        PostMessageA(w, WM_CLOSE, 0, 0);
        EXPECT_TRUE(p.WaitExit(15000));
    }
    // Sends and expects a message box titled caption holding text.
    void SendExpectingMessage(HWND w, DWORD pid, const char* text) {
        PostMessageA(w, WM_COMMAND, 1009, 0);
        HWND box = WaitWindow("Send", pid, 15000);
        ASSERT_NE(box, nullptr) << "no message for: " << text;
        EXPECT_TRUE(WaitStaticText(box, text, 5000)) << StaticTexts(box);
        Press(box, IDOK);
        EXPECT_TRUE(WaitGone(box, 5000));
    }

    std::string take, argsLog, mapiLog, host;
};

HWND Page(HWND sheet, int index) {
    HWND page = nullptr;
    for (int i = 0; i <= index; ++i) page = FindWindowExA(sheet, page, "#32770", nullptr);
    return page;
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

    Process p;
    HWND w = StartHost(p, "");
    ASSERT_NE(w, nullptr);
    PostMessageA(w, WM_COMMAND, 1010, 0);
    HWND sheet = WaitWindow("Settings", p.Id(), 15000);
    ASSERT_NE(sheet, nullptr);
    HWND general = Page(sheet, 0);
    ASSERT_NE(general, nullptr);
    EXPECT_EQ(SendMessageA(GetDlgItem(general, 101), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(general, 107)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(general, 110)));
    EXPECT_EQ(Text(GetDlgItem(general, 110)), "8000");

    // The radio buttons enable their controls at once.
    PostMessageA(GetDlgItem(general, 106), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitEnabled(GetDlgItem(general, 107), true));
    PostMessageA(GetDlgItem(general, 109), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitEnabled(GetDlgItem(general, 110), true));
    SendMessageA(GetDlgItem(general, 110), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("abc"));
    PostMessageA(GetDlgItem(general, 111), BM_CLICK, 0, 0);

    // "Set Defaults" is the new-file dialog under that caption.
    PostMessageA(GetDlgItem(general, 107), BM_CLICK, 0, 0);
    HWND defaults = WaitWindow("Set Defaults", p.Id(), 10000);
    ASSERT_NE(defaults, nullptr);
    SendMessageA(GetDlgItem(defaults, 101), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("22050"));
    PostMessageA(GetDlgItem(defaults, 103), BM_CLICK, 0, 0);
    Sleep(200);
    Press(defaults, IDOK);
    ASSERT_TRUE(WaitGone(defaults, 10000));
    EXPECT_EQ(Reg(HKEY_LOCAL_MACHINE, kSettingsKey, "DefaultSampleRate"), "22050");
    EXPECT_EQ(Reg(HKEY_LOCAL_MACHINE, kSettingsKey, "DefaultChannels"), "2");

    // The Audio Processing page: a threshold above its range is stored as -6.
    PostMessageA(sheet, PSM_SETCURSEL, 1, 0);
    HWND audio = nullptr;
    for (int i = 0; i < 100 && !audio; ++i, Sleep(20)) audio = Page(sheet, 1);
    ASSERT_NE(audio, nullptr);
    Sleep(200);
    EXPECT_EQ(Text(GetDlgItem(audio, 103)), "-24");
    SendMessageA(GetDlgItem(audio, 103), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("-3"));
    PostMessageA(GetDlgItem(audio, 102), BM_CLICK, 0, 0);
    Sleep(200);

    PostMessageA(sheet, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitGone(sheet, 10000));
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
    HWND opened = WaitWindow("Sondrel Test Host [take.wav]", 0, 30000);
    ASSERT_NE(opened, nullptr) << "the associated program did not open the file";
    ASSERT_TRUE(WaitLines(argsLog, 2, 5000));
    EXPECT_EQ(Lines(argsLog).back(), "\"" + take + "\"");
    PostMessageA(opened, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitGone(opened, 10000));
    RegRemoveTree(HKEY_CLASSES_ROOT, "SondrelTest.Wave");
    RegRemoveTree(HKEY_CLASSES_ROOT, ".wav");
}

TEST_F(Commands, SendHandsTheSavedFileToTheMailProgram) {
    Process p;
    HWND w = StartHost(p, take);
    ASSERT_NE(w, nullptr);
    PostMessageA(w, WM_COMMAND, 1009, 0);
    ASSERT_TRUE(WaitLines(mapiLog, 1, 15000)) << "the mail double was not called";
    EXPECT_EQ(Lines(mapiLog)[0], "|\t" + take + "\ttake.wav");

    // A modified document asks first; Cancel sends nothing.
    auto original = ReadBytes(take);
    PostMessageA(w, WM_COMMAND, 9001, 0);
    PostMessageA(w, WM_COMMAND, 1009, 0);
    HWND ask = WaitWindow("Sondrel", p.Id(), 15000);
    ASSERT_NE(ask, nullptr);
    EXPECT_TRUE(WaitStaticText(ask, "Save changes to \"take.wav\"?", 5000)) << StaticTexts(ask);
    Press(ask, IDCANCEL);
    ASSERT_TRUE(WaitGone(ask, 5000));
    Sleep(500);
    EXPECT_EQ(Lines(mapiLog).size(), 1u);
    EXPECT_EQ(ReadBytes(take), original);

    // Yes saves, then sends the saved file.
    PostMessageA(w, WM_COMMAND, 1009, 0);
    ask = WaitWindow("Sondrel", p.Id(), 15000);
    ASSERT_NE(ask, nullptr);
    Press(ask, IDYES);
    ASSERT_TRUE(WaitLines(mapiLog, 2, 15000));
    EXPECT_EQ(Lines(mapiLog)[1], "|\t" + take + "\ttake.wav");
    EXPECT_LT(ReadBytes(take).size(), original.size());
    Close(p, w);
}

TEST_F(Commands, SendFailuresAreTold) {
    {
        SetEnvironmentVariableA("SONDREL_MAPI_RESULT", "2");  // the mail program refuses
        Process p;
        HWND w = StartHost(p, take);
        ASSERT_NE(w, nullptr);
        SendExpectingMessage(w, p.Id(), "The mail program could not send \"take.wav\".");
        EXPECT_EQ(Lines(mapiLog).size(), 1u);
        Close(p, w);
        SetEnvironmentVariableA("SONDREL_MAPI_RESULT", nullptr);
    }
    {
        Mail("d");  // no MAPI32.DLL at all
        Process p;
        HWND w = StartHost(p, take);
        ASSERT_NE(w, nullptr);
        SendExpectingMessage(w, p.Id(), "MAPI32.DLL could not be loaded");
        Close(p, w);
        Mail("n,b");
    }
    {
        WriteProfileStringA("Mail", "MAPI", "0");  // no mail program set up
        Process p;
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
    Process p;
    HWND w = StartHost(p, "");
    ASSERT_NE(w, nullptr);
    PostMessageA(w, WM_COMMAND, 6000, 0);
    ASSERT_TRUE(WaitLines(argsLog, 2, 20000)) << "no browser was started";
    std::string line = Lines(argsLog)[1];
    EXPECT_NE(line.find("--log-args"), std::string::npos) << line;
    EXPECT_NE(line.find(WinePath(MANUAL_DIR) + "\\index.html"), std::string::npos) << line;
    Close(p, w);
}

}  // namespace
