// "Settings...", "Send..." and Help in the real editor, worked from outside
// in the fresh Wine prefix of run.sh (mode "fresh-prefix"): the settings
// pages and the file types they register, the mail program reached through
// MAPI32.DLL (the test double beside a copy of the editor), and the manual
// page handed to the browser (browserdouble.exe, registered for .html,
// notes what it was asked to show).
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <memory>

#include "EditorDriver.h"
#include "support/LResourceIds.h"
#include "support/TestUtil.h"

using namespace sondrel::drive;
namespace test = sondrel::test;

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
    return WaitUntil([&] { return Lines(path).size() >= count; }, timeoutMs, 50);
}

class Commands : public ::testing::Test {
protected:
    void SetUp() override {
        CreateDirectoryA(kWork.c_str(), nullptr);
        CreateDirectoryA((kWork + "\\data").c_str(), nullptr);
        take = kWork + "\\take.wav";
        ASSERT_TRUE(test::WriteSawtoothWav(take));
        argsLog = kWork + "\\args.log";
        mapiLog = kWork + "\\mapi.log";
        DeleteFileA(argsLog.c_str());
        DeleteFileA(mapiLog.c_str());
        // A copy of the editor with the MAPI32.DLL double beside it.
        const std::string programs = kWork + "\\program";
        CreateDirectoryA(programs.c_str(), nullptr);
        exe = programs + "\\sondrel.exe";
        // (An editor the last case started through the shell may still be
        // letting go of the copy.)
        ASSERT_TRUE(WaitUntil([&] { return CopyFileA(WinePath(SONDREL_EXE).c_str(), exe.c_str(), FALSE) != FALSE; },
                              kEditorStepMs));
        ASSERT_TRUE(CopyFileA(WinePath(MAPI_DOUBLE_DLL).c_str(), (programs + "\\MAPI32.DLL").c_str(), FALSE));
        SetEnvironmentVariableA("SONDREL_TEST_ARGS_LOG", argsLog.c_str());
        SetEnvironmentVariableA("SONDREL_MAPI_LOG", mapiLog.c_str());
        Mail(true);
        WriteProfileStringA("Mail", "MAPI", "1");
        ClearEditorSettings();
        SetEditorSetting("Folders", "Current", kWork + "\\data");
    }
    void TearDown() override {
        editor.ExitDiscarding();
        if (editor.WaitExit() == STILL_ACTIVE) editor.Kill();
        SetEnvironmentVariableA("SONDREL_MAPI_RESULT", nullptr);
        WriteProfileStringA("Mail", "MAPI", nullptr);
        ClearEditorSettings();
    }
    // Whether the editor finds the MAPI32.DLL double beside it, or no
    // MAPI32.DLL at all (Wine's per-program DLL overrides).
    void Mail(bool withDouble) {
        mail.reset();  // before the next one: its removal would undo the new setting
        mail = std::make_unique<DllOverride>("sondrel.exe", "mapi32", withDouble ? "native,builtin" : "");
        ASSERT_TRUE(mail->Ok());
    }
    // The editor (the copy) with a file, or with none.
    bool StartEditor(const std::string& file) {
        if (!editor.Start(file.empty() ? "" : "\"" + file + "\"", {}, exe)) return false;
        return editor.WaitTitle(file.empty() ? "Sondrel" : "Sondrel [" + file.substr(file.rfind('\\') + 1) + "]",
                                kEditorStartMs);
    }
    // Sends and expects a message box titled "Send" holding text.
    void SendExpectingMessage(const char* text) {
        editor.Command(IDM_SEND);
        HWND box = WaitForWindow(editor.Id(), "Send", kEditorStepMs);
        ASSERT_NE(box, nullptr) << "no message for: " << text;
        EXPECT_TRUE(WaitStaticText(box, text, 5000)) << StaticTexts(box);
        Command(box, IDOK);
        EXPECT_TRUE(WaitForWindowGone(box, 5000));
    }

    std::string take, argsLog, mapiLog, exe;
    std::unique_ptr<DllOverride> mail;
    Editor editor;
};

// The sheet's page by its index (null until the sheet has created it). The
// pages' order among the sheet's children follows their creation and
// activation, so it says nothing about which page is which.
HWND Page(HWND sheet, int index) {
    return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_INDEXTOHWND, index, 0));
}

bool WaitEnabled(HWND w, bool enabled) {
    return WaitUntil([&] { return bool(IsWindowEnabled(w)) == enabled; }, 2000);
}

TEST_F(Commands, SettingsPagesStoreTheirKeysAndRegisterTheFileTypes) {
    ASSERT_TRUE(RegSet(HKEY_CLASSES_ROOT, ".wav", nullptr, "SondrelTest.Wave"));
    RegRemoveTree(HKEY_CLASSES_ROOT, ".mp3");
    RegRemoveTree(HKEY_CLASSES_ROOT, "mp3file\\Shell\\Open");

    ASSERT_TRUE(StartEditor(""));
    editor.Command(IDM_SETTINGS);
    HWND sheet = WaitForWindow(editor.Id(), "Settings", kEditorStepMs);
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
    HWND defaults = WaitForWindow(editor.Id(), "Set Defaults", 10000);
    ASSERT_NE(defaults, nullptr);
    SendMessageA(GetDlgItem(defaults, IDC_SAMPLE_RATE), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("22050"));
    PostMessageA(GetDlgItem(defaults, IDC_STEREO), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return IsDlgButtonChecked(defaults, IDC_STEREO) == BST_CHECKED; }, 5000));
    Command(defaults, IDOK);
    ASSERT_TRUE(WaitForWindowGone(defaults, 10000));
    EXPECT_EQ(Reg(HKEY_LOCAL_MACHINE, kSettingsKey, "DefaultSampleRate"), "22050");
    EXPECT_EQ(Reg(HKEY_LOCAL_MACHINE, kSettingsKey, "DefaultChannels"), "2");

    // The Audio Processing page: a threshold above its range is stored as -6.
    PostMessageA(sheet, PSM_SETCURSEL, 1, 0);
    HWND audio = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (audio = Page(sheet, 1)) != nullptr; }, 2000));
    EXPECT_TRUE(WaitUntil([&] { return Text(GetDlgItem(audio, IDC_AUDIO_AUTOTRIM_THRESHOLD)) == "-24"; }, 5000))
        << Text(GetDlgItem(audio, IDC_AUDIO_AUTOTRIM_THRESHOLD));
    SendMessageA(GetDlgItem(audio, IDC_AUDIO_AUTOTRIM_THRESHOLD), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("-3"));
    PostMessageA(GetDlgItem(audio, IDC_AUDIO_AUTOPLAY), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return IsDlgButtonChecked(audio, IDC_AUDIO_AUTOPLAY) == BST_UNCHECKED; }, 5000));

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
    EXPECT_EQ(Reg(HKEY_CLASSES_ROOT, "SondrelTest.Wave\\Shell\\Open\\Command", nullptr), "\"" + exe + "\" \"%L\"");
    EXPECT_EQ(Reg(HKEY_CLASSES_ROOT, "SondrelTest.Wave\\Shell\\Open", nullptr), "&Edit");
    EXPECT_EQ(Reg(HKEY_CLASSES_ROOT, "SondrelTest.Wave\\Shell", nullptr), "Open");
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, ".mp3"));
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, "mp3file\\Shell\\Open"));
    EXPECT_TRUE(editor.ExitDiscarding().empty());
    EXPECT_EQ(editor.WaitExit(), 0u);

    // A double-click on a .wav file now opens it in the editor.
    HINSTANCE r = ShellExecuteA(nullptr, "open", take.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    ASSERT_GT(reinterpret_cast<INT_PTR>(r), 32);
    HWND opened = WaitForWindowOfImage("Sondrel [take.wav]", exe, kEditorStartMs);
    ASSERT_NE(opened, nullptr) << "the associated program did not open the file";
    const std::string commandLine = CommandLineOf(WindowProcess(opened));
    EXPECT_EQ(commandLine.substr(commandLine.size() - std::min(commandLine.size(), take.size() + 3)),
              " \"" + take + "\"")
        << commandLine;
    const DWORD openedBy = WindowProcess(opened);
    PostMessageA(opened, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitForProcessExit(openedBy, kEditorStepMs));
    RegRemoveTree(HKEY_CLASSES_ROOT, "SondrelTest.Wave");
    RegRemoveTree(HKEY_CLASSES_ROOT, ".wav");
}

TEST_F(Commands, SendHandsTheSavedFileToTheMailProgram) {
    SetEditorSetting("Settings", "AutoPlaybackAfterEffects", "0");
    ASSERT_TRUE(StartEditor(take));
    editor.Command(IDM_SEND);
    ASSERT_TRUE(WaitLines(mapiLog, 1, kEditorStepMs)) << "the mail double was not called";
    EXPECT_EQ(Lines(mapiLog)[0], "|\t" + take + "\ttake.wav");

    // A changed document asks first; Cancel sends nothing.
    const auto original = ReadBytes(take);
    editor.Thumb(100);  // half of the file
    ASSERT_TRUE(editor.WaitField(IDC_CURRENT_TIME, "0:00:00.50"));
    ASSERT_TRUE(editor.Press('E', {VK_CONTROL}));  // Trim End
    ASSERT_TRUE(WaitUntil([&] { return editor.UndoEnabled(); }, kEditorStepMs));
    editor.Command(IDM_SEND);
    EXPECT_EQ(editor.Answer(IDCANCEL), "Save changes to \"take.wav\"?");
    ASSERT_TRUE(editor.Idle());
    EXPECT_EQ(Lines(mapiLog).size(), 1u);
    EXPECT_EQ(ReadBytes(take), original);

    // Yes saves, then sends the saved file.
    editor.Command(IDM_SEND);
    EXPECT_EQ(editor.Answer(IDYES), "Save changes to \"take.wav\"?");
    ASSERT_TRUE(WaitLines(mapiLog, 2, kEditorStepMs));
    EXPECT_EQ(Lines(mapiLog)[1], "|\t" + take + "\ttake.wav");
    EXPECT_LT(ReadBytes(take).size(), original.size());
}

TEST_F(Commands, SendFailuresAreTold) {
    {
        SetEnvironmentVariableA("SONDREL_MAPI_RESULT", "2");  // the mail program refuses
        ASSERT_TRUE(StartEditor(take));
        SendExpectingMessage("The mail program could not send \"take.wav\".");
        EXPECT_EQ(Lines(mapiLog).size(), 1u);
        EXPECT_TRUE(editor.ExitDiscarding().empty());
        SetEnvironmentVariableA("SONDREL_MAPI_RESULT", nullptr);
    }
    {
        Mail(false);  // no MAPI32.DLL at all
        ASSERT_TRUE(StartEditor(take));
        SendExpectingMessage("MAPI32.DLL could not be loaded");
        EXPECT_TRUE(editor.ExitDiscarding().empty());
        Mail(true);
    }
    {
        WriteProfileStringA("Mail", "MAPI", "0");  // no mail program set up
        ASSERT_TRUE(StartEditor(take));
        SendExpectingMessage("No mail program is set up");
        EXPECT_TRUE(editor.ExitDiscarding().empty());
    }
    EXPECT_EQ(Lines(mapiLog).size(), 1u);
}

TEST_F(Commands, HelpOpensTheManualPageInTheBrowser) {
    // The "browser" notes the command line it was started with.
    const std::string browser = WinePath(BROWSER_DOUBLE_EXE);
    ASSERT_TRUE(RegSet(HKEY_CLASSES_ROOT, ".html", nullptr, "htmlfile"));
    ASSERT_TRUE(RegSet(HKEY_CLASSES_ROOT, "htmlfile\\shell\\open\\command", nullptr, "\"" + browser + "\" \"%1\""));
    // The editor of the build, with its manual beside it.
    ASSERT_TRUE(editor.Start(""));
    ASSERT_TRUE(editor.WaitTitle("Sondrel", kEditorStartMs));
    editor.Command(IDM_HELP_CONTENTS);
    ASSERT_TRUE(WaitLines(argsLog, 1, 20000)) << "no browser was started";
    const std::string line = Lines(argsLog)[0];
    const std::string exePath = WinePath(SONDREL_EXE);
    const std::string manual = exePath.substr(0, exePath.find_last_of('\\')) + "\\Manual\\index.html";
    EXPECT_NE(line.find(manual), std::string::npos) << line;
    // F1 in the main window asks for the same page.
    ASSERT_TRUE(editor.Press(VK_F1));
    ASSERT_TRUE(WaitLines(argsLog, 2, 20000)) << "F1 started no browser";
    EXPECT_NE(Lines(argsLog)[1].find(manual), std::string::npos) << Lines(argsLog)[1];
}

}  // namespace
