// The settings pages' logic over a double of a page's controls.
#include <gtest/gtest.h>

#include <map>

#include "document/LUndoHistory.h"
#include "support/LSettings.h"
#include "ui/LSettingsPages.h"

using namespace sondrel;

namespace {

// A page's controls. The decibel slider keeps its value in its range, as the
// real one does; Enable and Check keep what they were told.
struct Controls : LPageControls {
    std::map<int, bool> checked, enabled;
    std::map<int, std::string> text;
    std::map<int, std::vector<std::string>> items;
    std::map<int, int> selected, dbValue;
    std::map<int, std::pair<int, int>> dbRange;

    bool IsChecked(int id) override { return checked[id]; }
    void Check(int id, bool on) override { checked[id] = on; }
    void Enable(int id, bool on) override { enabled[id] = on; }
    std::string Text(int id) override { return text[id]; }
    void SetText(int id, const std::string& t) override { text[id] = t; }
    void AddListItem(int id, const std::string& t) override { items[id].push_back(t); }
    void SelectListItem(int id, int index) override { selected[id] = index; }
    void SetDbRange(int id, int lo, int hi) override { dbRange[id] = {lo, hi}; }
    void SetDbValue(int id, int v) override { dbValue[id] = v; }
    int DbValue(int id) override { return dbValue[id]; }
    // The user picks one radio button of a pair.
    void Pick(int on, int off) {
        checked[on] = true;
        checked[off] = false;
    }
};

class Pages : public ::testing::Test {
protected:
    void SetUp() override { SetSettingsStore(&settings); }
    void TearDown() override { SetSettingsStore(nullptr); }
    LMemorySettings settings;
    LMemoryRegistry reg;
    Controls ctl;
    const std::string program = "C:\\Program Files\\Ketterly\\Sondrel\\sondrel.exe";
};

TEST_F(Pages, GeneralPageShowsDefaultsAndStoredValues) {
    LGeneralPage page(ctl, reg, program);
    page.InitDialog();
    for (int id : {IDC_GENERAL_WAV, IDC_GENERAL_MP3, IDC_GENERAL_GSM, IDC_GENERAL_VOX, IDC_GENERAL_PROMPT_FORMAT,
                   IDC_GENERAL_VOX_PROMPT, IDC_GENERAL_PLAY_WHEN_OPEN})
        EXPECT_TRUE(ctl.checked[id]) << id;
    EXPECT_FALSE(ctl.checked[IDC_GENERAL_DEFAULT_FORMAT]);
    EXPECT_FALSE(ctl.checked[IDC_GENERAL_VOX_DEFAULT]);
    EXPECT_EQ(ctl.text[IDC_GENERAL_VOX_RATE], "8000");
    EXPECT_FALSE(ctl.enabled[IDC_GENERAL_SET_DEFAULTS]);
    EXPECT_FALSE(ctl.enabled[IDC_GENERAL_VOX_RATE]);

    WriteBool("Settings", "DefaultRunGsm", false);
    WriteBool("Settings", "PromptSampleAndChannels", false);
    WriteBool("Settings", "VoxPromptSampleRate", false);
    WriteInt("Settings", "VoxDefaultSampleRate", 11025);
    WriteBool("Settings", "PlayWhenOpen", false);
    Controls again;
    LGeneralPage page2(again, reg, program);
    page2.InitDialog();
    EXPECT_FALSE(again.checked[IDC_GENERAL_GSM]);
    EXPECT_TRUE(again.checked[IDC_GENERAL_WAV]);
    EXPECT_FALSE(again.checked[IDC_GENERAL_PROMPT_FORMAT]);
    EXPECT_TRUE(again.checked[IDC_GENERAL_DEFAULT_FORMAT]);
    EXPECT_FALSE(again.checked[IDC_GENERAL_VOX_PROMPT]);
    EXPECT_TRUE(again.checked[IDC_GENERAL_VOX_DEFAULT]);
    EXPECT_EQ(again.text[IDC_GENERAL_VOX_RATE], "11025");
    EXPECT_FALSE(again.checked[IDC_GENERAL_PLAY_WHEN_OPEN]);
    EXPECT_TRUE(again.enabled[IDC_GENERAL_SET_DEFAULTS]);
    EXPECT_TRUE(again.enabled[IDC_GENERAL_VOX_RATE]);
}

TEST_F(Pages, RadioPairsEnableTheirControlsAtOnce) {
    LGeneralPage page(ctl, reg, program);
    page.InitDialog();
    ctl.Pick(IDC_GENERAL_DEFAULT_FORMAT, IDC_GENERAL_PROMPT_FORMAT);
    EXPECT_FALSE(page.Clicked(IDC_GENERAL_DEFAULT_FORMAT));
    EXPECT_TRUE(ctl.enabled[IDC_GENERAL_SET_DEFAULTS]);
    EXPECT_FALSE(ctl.enabled[IDC_GENERAL_VOX_RATE]);
    ctl.Pick(IDC_GENERAL_VOX_DEFAULT, IDC_GENERAL_VOX_PROMPT);
    page.Clicked(IDC_GENERAL_VOX_DEFAULT);
    EXPECT_TRUE(ctl.enabled[IDC_GENERAL_VOX_RATE]);
    ctl.Pick(IDC_GENERAL_PROMPT_FORMAT, IDC_GENERAL_DEFAULT_FORMAT);
    page.Clicked(IDC_GENERAL_PROMPT_FORMAT);
    EXPECT_FALSE(ctl.enabled[IDC_GENERAL_SET_DEFAULTS]);
    EXPECT_TRUE(ctl.enabled[IDC_GENERAL_VOX_RATE]);
    // The "Set Defaults" button is the Win32 page's to open.
    EXPECT_TRUE(page.Clicked(IDC_GENERAL_SET_DEFAULTS));
}

TEST_F(Pages, GeneralOkStoresEveryKeyAndLeavesTheOtherPagesKeys) {
    WriteBool("Settings", "AutoPlaybackAfterEffects", false);
    LGeneralPage page(ctl, reg, program);
    page.InitDialog();
    ctl.checked[IDC_GENERAL_MP3] = false;
    ctl.Pick(IDC_GENERAL_DEFAULT_FORMAT, IDC_GENERAL_PROMPT_FORMAT);
    ctl.Pick(IDC_GENERAL_VOX_DEFAULT, IDC_GENERAL_VOX_PROMPT);
    ctl.checked[IDC_GENERAL_PLAY_WHEN_OPEN] = false;

    struct Case {
        const char* typed;
        const char* stored;
    };
    for (Case c : {Case{"16000", "16000"}, Case{"abc", "0"}, Case{"", "0"}, Case{"-8000", "-8000"}, Case{"22050 Hz", "22050"}}) {
        ctl.text[IDC_GENERAL_VOX_RATE] = c.typed;
        page.CmOk();
        EXPECT_EQ(ReadString("Settings", "VoxDefaultSampleRate", "?"), c.stored) << c.typed;
    }
    EXPECT_EQ(ReadString("Settings", "DefaultRunWav", ""), "1");
    EXPECT_EQ(ReadString("Settings", "DefaultRunMp3", ""), "0");
    EXPECT_EQ(ReadString("Settings", "PromptSampleAndChannels", ""), "0");
    EXPECT_EQ(ReadString("Settings", "VoxPromptSampleRate", ""), "0");
    EXPECT_EQ(ReadString("Settings", "PlayWhenOpen", ""), "0");
    EXPECT_EQ(ReadString("Settings", "AutoPlaybackAfterEffects", ""), "0");
}

TEST_F(Pages, OkRegistersTheCheckedTypesThatHaveAFileType) {
    reg.WriteString(LRegRoot::kClassesRoot, ".wav", nullptr, "SoundRecording");
    reg.WriteString(LRegRoot::kClassesRoot, ".gsm", nullptr, "gsmfile");
    reg.WriteString(LRegRoot::kClassesRoot, ".vox", nullptr, "");  // a key with an empty type
    LGeneralPage page(ctl, reg, program);
    page.InitDialog();
    ctl.checked[IDC_GENERAL_GSM] = false;
    size_t keysBefore = reg.KeyCount();
    page.CmOk();

    std::string v;
    ASSERT_TRUE(reg.ReadString(LRegRoot::kClassesRoot, "SoundRecording\\Shell\\Open\\Command", nullptr, v));
    EXPECT_EQ(v, "\"" + program + "\" \"%L\"");
    ASSERT_TRUE(reg.ReadString(LRegRoot::kClassesRoot, "SoundRecording\\Shell\\Open", nullptr, v));
    EXPECT_EQ(v, "&Edit");
    ASSERT_TRUE(reg.ReadString(LRegRoot::kClassesRoot, "SoundRecording\\Shell", nullptr, v));
    EXPECT_EQ(v, "Open");
    // .mp3 is checked but has no key: stored as yes, nothing registered. .gsm
    // is unchecked: nothing written. .vox has an empty type: nothing either.
    EXPECT_EQ(ReadString("Settings", "DefaultRunMp3", ""), "1");
    EXPECT_EQ(reg.KeyCount(), keysBefore + 4);  // SoundRecording with its Shell, Open and Command keys
    EXPECT_FALSE(reg.KeyExists(LRegRoot::kClassesRoot, "gsmfile\\Shell"));

    // Unchecking later removes nothing.
    ctl.checked[IDC_GENERAL_WAV] = false;
    page.CmOk();
    EXPECT_TRUE(reg.KeyExists(LRegRoot::kClassesRoot, "SoundRecording\\Shell\\Open\\Command"));
}

TEST_F(Pages, AudioProcessingPage) {
    using namespace audio_page;
    std::vector<std::string> devices;
    for (int i = 0; i < 130; ++i) devices.push_back("Device " + std::to_string(i));
    WriteBool("Settings", "AutoPlaybackAfterEffects", false);
    WriteInt("Settings", "AutoTrimThreshold", -300);
    LAudioProcessPage page(ctl);
    page.InitDialog(devices);
    EXPECT_EQ(ctl.items[IDC_AUDIO_DEVICE].size(), 127u);
    EXPECT_EQ(ctl.items[IDC_AUDIO_DEVICE][126], "Device 126");
    EXPECT_EQ(ctl.selected[IDC_AUDIO_DEVICE], 0);
    EXPECT_FALSE(ctl.checked[IDC_AUDIO_AUTOPLAY]);
    EXPECT_EQ(ctl.dbRange[IDC_AUDIO_AUTOTRIM_THRESHOLD], std::make_pair(-40, -6));
    EXPECT_EQ(ctl.dbValue[IDC_AUDIO_AUTOTRIM_THRESHOLD], -127);  // the stored value, clamped to a signed byte

    // A value past either end of the slider is stored as that end.
    struct Case {
        int entered, stored;
    };
    ctl.checked[IDC_AUDIO_AUTOPLAY] = true;
    for (Case c : {Case{-3, -6}, Case{-41, -40}, Case{-24, -24}, Case{-6, -6}, Case{0, -6}}) {
        ctl.dbValue[IDC_AUDIO_AUTOTRIM_THRESHOLD] = c.entered;
        page.CmOk();
        EXPECT_EQ(ReadInt("Settings", "AutoTrimThreshold", 99), c.stored) << c.entered;
    }
    EXPECT_TRUE(ReadBool("Settings", "AutoPlaybackAfterEffects", false));

    settings.Clear();
    Controls none;
    LAudioProcessPage empty(none);
    empty.InitDialog({});
    EXPECT_TRUE(none.items[IDC_AUDIO_DEVICE].empty());
    EXPECT_EQ(none.selected.count(IDC_AUDIO_DEVICE), 0u);
    EXPECT_EQ(none.dbValue[IDC_AUDIO_AUTOTRIM_THRESHOLD], -24);  // the default
}

TEST_F(Pages, AudioProcessingPageHoldsTheEncodersOptions) {
    LAudioProcessPage page(ctl);
    page.InitDialog({});
    // The defaults: FLAC level 5, Vorbis quality 5, Opus 128 kbit/s, 100
    // undo levels and the automatic disk budget.
    EXPECT_EQ(ctl.text[IDC_AUDIO_UNDO_LEVELS], "100");
    EXPECT_EQ(ctl.text[IDC_AUDIO_UNDO_DISK], "0");
    EXPECT_EQ(ctl.text[IDC_AUDIO_FLAC_LEVEL], "5");
    EXPECT_EQ(ctl.text[IDC_AUDIO_VORBIS_QUALITY], "5");
    EXPECT_EQ(ctl.text[IDC_AUDIO_OPUS_BITRATE], "128");
    // Stored as typed, held to the range; a field without a number keeps its value.
    struct Case {
        int id;
        const char* key;
        const char* typed;
        int stored;
    };
    const Case cases[] = {
        {IDC_AUDIO_FLAC_LEVEL, "FlacCompressionLevel", "8", 8},   {IDC_AUDIO_FLAC_LEVEL, "FlacCompressionLevel", "12", 8},
        {IDC_AUDIO_FLAC_LEVEL, "FlacCompressionLevel", "", 8},    {IDC_AUDIO_VORBIS_QUALITY, "VorbisQuality", "-2", 0},
        {IDC_AUDIO_VORBIS_QUALITY, "VorbisQuality", "x", 0},      {IDC_AUDIO_OPUS_BITRATE, "OpusBitRate", "96", 96},
        {IDC_AUDIO_OPUS_BITRATE, "OpusBitRate", "2", 6},          {IDC_AUDIO_OPUS_BITRATE, "OpusBitRate", "9999", 510},
        {IDC_AUDIO_UNDO_LEVELS, "UndoLevels", "250", 250},        {IDC_AUDIO_UNDO_LEVELS, "UndoLevels", "3", 8},
        {IDC_AUDIO_UNDO_LEVELS, "UndoLevels", "123456", 9999},    {IDC_AUDIO_UNDO_DISK, "UndoDiskMB", "512", 512},
        {IDC_AUDIO_UNDO_DISK, "UndoDiskMB", "0", 0},
    };
    for (const Case& c : cases) {
        ctl.text[c.id] = c.typed;
        page.CmOk();
        EXPECT_EQ(ReadInt("Settings", c.key, -1), c.stored) << c.key << " " << c.typed;
    }
    // A stored value out of range shows as its end.
    WriteInt("Settings", "OpusBitRate", 100000);
    page.InitDialog({});
    EXPECT_EQ(ctl.text[IDC_AUDIO_OPUS_BITRATE], "510");
    // What the page stores is what the documents read.
    ctl.text[IDC_AUDIO_UNDO_LEVELS] = "40";
    ctl.text[IDC_AUDIO_UNDO_DISK] = "3";
    page.CmOk();
    EXPECT_EQ(ReadHistoryLimits().nLevels, 40u);
    EXPECT_EQ(ReadHistoryLimits().nDiskBytes, uint64_t(3) << 20);
}

}  // namespace
