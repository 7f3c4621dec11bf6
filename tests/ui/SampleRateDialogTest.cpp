// The sample-rate dialogs over a double of their controls: the rates they
// offer, the keys they read and write, the rates they refuse.
#include <gtest/gtest.h>

#include "support/LFile.h"
#include "support/LResourceIds.h"
#include "support/LSettings.h"
#include "ui/DialogDoubles.h"
#include "ui/LSampleRateDialog.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {

constexpr const char* kRateMessage = "Sample rates must be between 6000 and 96000 samples per second.";

class SampleRateDialogs : public ::testing::Test {
protected:
    void SetUp() override { SetSettingsStore(&settings); }
    void TearDown() override { SetSettingsStore(nullptr); }

    // Opens a dialog, types a rate, picks mono or stereo (0: leaves them) and presses OK.
    bool Confirm(LSDSampleRateDialog& d, const std::string& typed, int channelButton = 0) {
        view = FakeDialogView();
        d.Attach(&view);
        d.InitDialog();
        shown = view.text[IDC_SAMPLE_RATE];
        view.text[IDC_SAMPLE_RATE] = typed;
        if (channelButton) {
            view.checked[IDC_MONO] = channelButton == IDC_MONO;
            view.checked[IDC_STEREO] = channelButton == IDC_STEREO;
        }
        return d.CmOk();
    }
    std::string Stored(const char* key) {
        std::string v;
        return settings.Query("Settings", key, v) ? v : "<none>";
    }

    LMemorySettings settings;
    FakeDialogView view;
    std::string shown;  // the rate the dialog showed when it opened
};

}  // namespace

TEST_F(SampleRateDialogs, OfferTheUsualRatesAndShowTheCurrentOne) {
    LSDSampleRateDialog d(LSampleRateDialogKind::kNewFile);
    view = FakeDialogView();
    d.Attach(&view);
    d.InitDialog();
    EXPECT_EQ(view.caption, "New File");
    EXPECT_EQ(view.combo[IDC_SAMPLE_RATE], (std::vector<std::string>{"6000", "8000", "11025", "16000", "22050",
                                                                         "32000", "44100", "48000", "64000", "88200",
                                                                         "96000"}));
    EXPECT_EQ(view.text[IDC_SAMPLE_RATE], "44100");
    EXPECT_TRUE(view.checked[IDC_MONO]);
    EXPECT_FALSE(view.checked[IDC_STEREO]);
    EXPECT_EQ(d.Template(), 12);
    EXPECT_EQ(d.HelpContext(), 101);

    WriteInt("Settings", "VoxSelectedSampleRate", 6000);
    LSDSampleRateDialog vox(LSampleRateDialogKind::kVox);
    vox.Attach(&view);
    vox.InitDialog();
    EXPECT_EQ(view.caption, "Vox Files Sample Rate");
    EXPECT_EQ(view.text[IDC_SAMPLE_RATE], "6000");
    EXPECT_EQ(vox.Template(), 15);
    EXPECT_EQ(vox.HelpContext(), 108);
}

// Typed rates through each dialog: what is kept, or the refusal.
TEST_F(SampleRateDialogs, AcceptSixThousandToNinetySixThousand) {
    struct Case {
        const char* what;
        LSampleRateDialogKind kind;
        std::string typed;
        int channels;        // button picked (0: none)
        bool ok;
        const char* rateKey;  // where the rate goes (null: the caller's variable)
        const char* chansKey;
        const char* chans;    // stored channel count
    };
    const Case cases[] = {
        {"new file 96000 stereo", LSampleRateDialogKind::kNewFile, "96000", IDC_STEREO, true, "SelectedSampleRate",
         "SelectedChannels", "2"},
        {"new file 6000 mono", LSampleRateDialogKind::kNewFile, "6000", IDC_MONO, true, "SelectedSampleRate",
         "SelectedChannels", "1"},
        {"any whole number may be typed", LSampleRateDialogKind::kNewFile, " 12345", IDC_MONO, true,
         "SelectedSampleRate", "SelectedChannels", "1"},
        {"new file 96001", LSampleRateDialogKind::kNewFile, "96001", IDC_STEREO, false, "SelectedSampleRate",
         "SelectedChannels", nullptr},
        {"new file 5999", LSampleRateDialogKind::kNewFile, "5999", 0, false, "SelectedSampleRate", "SelectedChannels",
         nullptr},
        {"not a number", LSampleRateDialogKind::kNewFile, "44.1k", 0, false, "SelectedSampleRate", "SelectedChannels",
         nullptr},
        {"set defaults 22050 stereo", LSampleRateDialogKind::kSetDefaults, "22050", IDC_STEREO, true,
         "DefaultSampleRate", "DefaultChannels", "2"},
        {"set defaults 96001", LSampleRateDialogKind::kSetDefaults, "96001", 0, false, "DefaultSampleRate",
         "DefaultChannels", nullptr},
        {"vox 11025", LSampleRateDialogKind::kVox, "11025", 0, true, "VoxSelectedSampleRate", nullptr, nullptr},
        {"vox 5999", LSampleRateDialogKind::kVox, "5999", 0, false, "VoxSelectedSampleRate", nullptr, nullptr},
        {"convert 96000", LSampleRateDialogKind::kConvert, "96000", 0, true, nullptr, nullptr, nullptr},
        {"convert 96001", LSampleRateDialogKind::kConvert, "96001", 0, false, nullptr, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        settings.Clear();
        int32_t rate = 8000;
        LSDSampleRateDialog d(c.kind, &rate);
        EXPECT_EQ(Confirm(d, c.typed, c.channels), c.ok);
        const int32_t typed = std::atoi(c.typed.c_str());
        if (!c.ok) {
            ASSERT_EQ(view.messages.size(), 1u);
            EXPECT_EQ(view.messages[0].text, kRateMessage);
            EXPECT_EQ(view.messages[0].caption, "Error");
            EXPECT_TRUE(view.messages[0].stopIcon);
            EXPECT_EQ(view.focus, IDC_SAMPLE_RATE);
            EXPECT_FALSE(settings.HasSection("Settings"));
            EXPECT_EQ(rate, 8000);
            continue;
        }
        EXPECT_TRUE(view.messages.empty());
        if (c.rateKey) {
            EXPECT_EQ(Stored(c.rateKey), std::to_string(typed));
            EXPECT_EQ(rate, 8000);
        } else {
            EXPECT_EQ(rate, typed);
            EXPECT_FALSE(settings.HasSection("Settings"));
        }
        if (c.chansKey) {
            EXPECT_EQ(Stored(c.chansKey), c.chans);
        }
    }
}

// "Set Defaults" reads and writes the default keys, never the selected ones.
TEST_F(SampleRateDialogs, SetDefaultsUsesTheDefaultKeys) {
    WriteInt("Settings", "SelectedSampleRate", 8000);
    WriteInt("Settings", "SelectedChannels", 1);
    WriteInt("Settings", "DefaultSampleRate", 48000);
    WriteInt("Settings", "DefaultChannels", 2);
    LSDSampleRateDialog d(LSampleRateDialogKind::kSetDefaults);
    ASSERT_TRUE(Confirm(d, "32000"));
    EXPECT_EQ(view.caption, "Set Defaults");
    EXPECT_EQ(shown, "48000");
    EXPECT_TRUE(view.checked[IDC_STEREO]);
    EXPECT_EQ(Stored("DefaultSampleRate"), "32000");
    EXPECT_EQ(Stored("DefaultChannels"), "2");
    EXPECT_EQ(Stored("SelectedSampleRate"), "8000");
    EXPECT_EQ(Stored("SelectedChannels"), "1");

    LSDSampleRateDialog n(LSampleRateDialogKind::kNewFile);
    ASSERT_TRUE(Confirm(n, "16000", IDC_STEREO));
    EXPECT_EQ(shown, "8000");
    EXPECT_EQ(Stored("SelectedSampleRate"), "16000");
    EXPECT_EQ(Stored("SelectedChannels"), "2");
    EXPECT_EQ(Stored("DefaultSampleRate"), "32000");
}

TEST_F(SampleRateDialogs, ConvertShowsTheCallersRate) {
    int32_t rate = 22050;
    LSDSampleRateDialog d(LSampleRateDialogKind::kConvert, &rate);
    ASSERT_TRUE(Confirm(d, "48000"));
    EXPECT_EQ(view.caption, "Convert Sample Rate");
    EXPECT_EQ(shown, "22050");
    EXPECT_EQ(rate, 48000);
    EXPECT_EQ(d.Template(), 14);
    EXPECT_EQ(d.HelpContext(), 108);
}

TEST_F(SampleRateDialogs, HelpOpensTheirTopics) {
    HelpRecorder help;
    LSDSampleRateDialog a(LSampleRateDialogKind::kSetDefaults), b(LSampleRateDialogKind::kConvert);
    EXPECT_TRUE(a.CmHelp());
    EXPECT_TRUE(b.CmHelp());
    EXPECT_EQ(help.pages,
              (std::vector<std::string>{JoinPath("manual", "new-file.html"), JoinPath("manual", "sample-rates.html")}));
}

TEST(WholeNumbers, OnlyWholeSignedNumbersWithinThirtyTwoBits) {
    struct Case {
        const char* text;
        bool ok;
        int32_t value;
    };
    const Case cases[] = {{"0", true, 0},          {"-40", true, -40},        {"+7", true, 7},
                          {" 12\t", true, 12},     {"2147483647", true, INT32_MAX}, {"-2147483648", true, INT32_MIN},
                          {"2147483648", false, 0}, {"", false, 0},          {"  ", false, 0},
                          {"-", false, 0},          {"1 2", false, 0},        {"12a", false, 0},
                          {"0x10", false, 0},       {"1e3", false, 0},        {"00000000000000007", true, 7}};
    for (const Case& c : cases) {
        int32_t v = 0;
        EXPECT_EQ(ParseWholeNumber(c.text, v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
}
