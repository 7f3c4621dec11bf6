// The effect and edit dialogs built from the effect table, over a double of
// their controls: what they show when they open, what OK accepts and stores
// or refuses with which message, the preview, the curve dialogs' files, and
// help.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <random>
#include <set>

#include "document/LAudioCutTank.h"
#include "document/LSDFile.h"
#include "effects/LEchoReverb.h"
#include "effects/LEqualiser.h"
#include "effects/LHighPass.h"
#include "effects/LSRCCompressor.h"
#include "support/LFile.h"
#include "support/LResourceIds.h"
#include "support/LSettings.h"
#include "support/TestUtil.h"
#include "ui/DialogDoubles.h"
#include "ui/LEffectDialog.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {

// What the user does to the controls before pressing OK.
struct Input {
    enum Kind { kType, kSlide, kPick, kClick } kind;
    int control;
    std::string text = {};  // kType
    int32_t value = 0;      // kSlide: dB; kPick: combo index
};
Input Type(int control, const std::string& text) { return {Input::kType, control, text}; }
Input Slide(int control, int32_t dB) { return {Input::kSlide, control, "", dB}; }
Input Pick(int control, int index) { return {Input::kPick, control, "", index}; }
Input Click(int control) { return {Input::kClick, control, "", 0}; }

class EffectDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        dir = ScratchDir("effect-dialogs");
        std::filesystem::create_directories(JoinPath(dir, "tank"));
        tank = std::make_unique<LCutTankScope>(JoinPath(dir, "tank"));
        SetSettingsStore(&settings);
    }
    void TearDown() override {
        dialog.reset();
        doc.reset();
        tank.reset();
        SetSettingsStore(nullptr);
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    // A mono document of noise, 8000 Hz, selected from 1 s to 3 s.
    void MakeDocument(int32_t frames = 4 * 8000) {
        std::mt19937 rng(Seed());
        std::uniform_int_distribution<int32_t> dist(-0x30000, 0x30000);
        std::vector<int32_t> s(static_cast<size_t>(frames));
        for (auto& v : s) v = dist(rng);
        doc = std::make_unique<LSDFile>("take.wav");
        doc->audio = LCutListAudio(8000, 1);
        {
            LSoundSinkPtr sink = CreateSink(doc->audio, 8000, 1);
            for (int32_t i = 0; i < frames; i += 8192) sink->Write(s.data() + i, std::min(8192, frames - i));
        }
        doc->stSelStart.ms = 1000;
        doc->stSelEnd.ms = 3000;
    }

    // Opens the dialog of a record over the stored values, as the main window does.
    LSDEffectDialog& Open(LEffect id) {
        if (dialog) dialog->Destroy();  // the one before is closed
        dialog.reset();
        player.starts = player.stops = 0;
        values = ReadStoredValues(EffectOf(id));
        view = FakeDialogView();
        dialog = std::make_unique<LSDEffectDialog>(EffectOf(id), values, doc.get(), &player, dir);
        dialog->Attach(&view);
        dialog->InitDialog();
        return *dialog;
    }

    void Do(const Input& in) {
        switch (in.kind) {
            case Input::kType:
                view.text[in.control] = in.text;
                dialog->Command(in.control, kEditChange);
                break;
            case Input::kSlide:
                view.SetDBValue(in.control, in.value);
                dialog->Command(in.control, kEditChange);
                break;
            case Input::kPick:
                view.SelectCombo(in.control, in.value);
                dialog->Command(in.control, kComboSelChange);
                break;
            case Input::kClick:
                // An automatic radio button unchecks the others of its group.
                for (int id = IDC_MIX_INCREASE_SELECTION; id <= IDC_MIX_FADE_OUT; ++id) view.checked[id] = false;
                view.checked[in.control] = true;
                dialog->Command(in.control, kButtonClicked);
                break;
        }
    }

    std::vector<int32_t> Played() { return ReadAll(*player.source); }
    std::vector<int32_t> Expected(const LSoundSourcePtr& s) { return ReadAll(*s); }
    LSoundSourcePtr Document() { return CreateSource(doc->audio); }

    std::string dir;
    LMemorySettings settings;
    std::unique_ptr<LCutTankScope> tank;
    std::unique_ptr<LSDFile> doc;
    LEffectValues values;
    FakeDialogView view;
    FakePreviewPlayer player;
    std::unique_ptr<LSDEffectDialog> dialog;
};

}  // namespace

// Each dialog opens with its stored values, or the defaults when none are stored.
TEST_F(EffectDialogs, OpenWithTheStoredValuesOrTheirDefaults) {
    struct Case {
        LEffect id;
        const char* caption;
        std::map<int, std::string> texts = {};  // edits, the label static and the Preview button
        std::map<int, int32_t> db = {};
        std::map<int, int> combo = {};
        std::vector<int> checked = {};
    };
    const Case cases[] = {
        {LEffect::kAmplify, "Amplify", {{IDC_AMPLIFY_GAIN, "100"}}},
        {LEffect::kNormalize, "Normalize", {{IDC_NORMALIZE_LEVEL, "100"}}},
        {LEffect::kEcho, "Echo", {{IDC_ECHO_TIME, "800"}, {IDC_ECHO_GAIN, "50"}, {IDC_PREVIEW, "Preview"}}},
        {LEffect::kReverb, "Reverb ", {{IDC_REVERB_LEVEL, "100"}, {IDC_REVERB_TIME, "50"}, {IDC_PREVIEW, "Preview"}}},
        {LEffect::kLowCutFilter, "Low Cut Filter", {{IDC_LOW_CUT_FREQUENCY, "250"}, {IDC_PREVIEW, "Preview"}}},
        {LEffect::kNoiseReduction, "Noise Reduction", {}, {{IDC_NOISE_GATE_LEVEL, -30}}},
        {LEffect::kCompressor, "Dynamic Range Compressor", {{IDC_PREVIEW, "Preview"}},
         {{IDC_COMPRESSOR_THRESHOLD, 0}, {IDC_COMPRESSOR_LIMIT, 0}}, {{IDC_COMPRESSOR_RATIO, 0}}},
        {LEffect::kPasteMix, "Paste Mix", {{IDC_MIX_VOLUME, "100"}, {IDC_MIX_FADE_TIME, "250"}}, {}, {},
         {IDC_MIX_INCREASE_SELECTION}},
        {LEffect::kMixFile, "Mix File", {{IDC_MIX_VOLUME, "100"}, {IDC_MIX_FADE_TIME, "250"}}, {}, {},
         {IDC_MIX_INCREASE_SELECTION}},
        {LEffect::kSimpleSpeedPitch, "Simple Speed and Pitch Change",
         {{IDC_SPEED_PERCENT, "100"}, {IDC_SPEED_LABEL, "Speed/Pitch Adjust (%)"}}},
        {LEffect::kConstantPitchSpeed, "Constant Pitch and Speed Change",
         {{IDC_SPEED_PERCENT, "100"}, {IDC_SPEED_LABEL, "Speed Adjust (%)"}}},
        // 100 like its siblings: a first pitch change confirmed as shown keeps the pitch.
        {LEffect::kConstantSpeedPitch, "Constant Speed and Pitch Change",
         {{IDC_SPEED_PERCENT, "100"}, {IDC_SPEED_LABEL, "Pitch Adjust (%)"}}},
        {LEffect::kInsertSilenceCurrent, "Insert Silence", {{IDC_SILENCE_TIME, "0"}}},
        {LEffect::kRepeatLoop, "Repeat Loop", {{IDC_REPEAT_TIMES, "1"}}},
    };
    MakeDocument();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        Open(c.id);
        EXPECT_EQ(view.caption, c.caption);
        std::map<int, std::string> texts = view.text;
        EXPECT_EQ(texts, c.texts);
        EXPECT_EQ(view.db, c.db);
        EXPECT_EQ(view.comboSel, c.combo);
        for (int id : c.checked) EXPECT_TRUE(view.checked[id]) << id;
    }
    // The compressor's ratios and ranges; the mix's fade time only with "Fade out mix".
    Open(LEffect::kCompressor);
    EXPECT_EQ(view.combo[IDC_COMPRESSOR_RATIO],
              (std::vector<std::string>{"1:1", "3:2", "2:1", "3:1", "4:1", "5:1", "Limit"}));
    EXPECT_EQ(view.dbRange[IDC_COMPRESSOR_THRESHOLD], (std::pair<int32_t, int32_t>{-40, 0}));
    EXPECT_EQ(view.dbRange[IDC_COMPRESSOR_LIMIT], (std::pair<int32_t, int32_t>{0, 12}));
    Open(LEffect::kPasteMix);
    EXPECT_FALSE(view.IsEnabled(IDC_MIX_FADE_TIME));

    // Stored values, including ones the controls cannot show as they are.
    WriteInt("StoredValues", "EchoTime", 1234);
    WriteInt("StoredValues", "NoiseGateLevel", -90);   // the slider holds -40..0
    WriteInt("StoredValues", "CompressorRatio", 9);    // no such choice: the default shows
    WriteInt("StoredValues", "LongerSelection", 2);
    WriteInt("StoredValues", "ConstSpeedPitch", 150);
    Open(LEffect::kEcho);
    EXPECT_EQ(view.text[IDC_ECHO_TIME], "1234");
    Open(LEffect::kNoiseReduction);
    EXPECT_EQ(view.db[IDC_NOISE_GATE_LEVEL], -40);
    Open(LEffect::kCompressor);
    EXPECT_EQ(view.comboSel[IDC_COMPRESSOR_RATIO], 0);
    Open(LEffect::kMixFile);
    EXPECT_TRUE(view.checked[IDC_MIX_FADE_OUT]);
    EXPECT_FALSE(view.checked[IDC_MIX_INCREASE_SELECTION]);
    EXPECT_TRUE(view.IsEnabled(IDC_MIX_FADE_TIME));
    Open(LEffect::kConstantSpeedPitch);
    EXPECT_EQ(view.text[IDC_SPEED_PERCENT], "150");
}

// For every dialog: typed values and OK, then what is stored or which
// message shows (with its caption and icon) while the dialog stays open.
TEST_F(EffectDialogs, OkStoresAcceptedValuesOrRefusesWithTheMessage) {
    using Stored = std::map<std::string, int32_t>;
    struct Case {
        const char* what;
        LEffect id;
        std::vector<Input> inputs;
        const char* message;   // null: accepted
        const char* caption;
        int focus;             // the control the refusal points at
        Stored stored = {};    // accepted: what "StoredValues" holds afterwards
    };
    const char* kAmp = "Amplify Gain must be less than 100%. Please try again.";
    const char* kEchoTime = "Echo time must be between 10 and 3000ms. Please try again.";
    const char* kEchoGain = "Echo Gain must be less than 100%. Please try again.";
    const char* kRevLevel = "Reverb level must be less than 100. Please try again.";
    const char* kRevTime = "Reverb time must be between 50 and 1000. Please try again.";
    const char* kMix = "Mix Volume must be less than 100%. Please try again.";
    const char* kSpeed = "Speed Change Percent must be less than 300.";
    const char* kInvalid = "Invalid value";
    const Case cases[] = {
        {"amplify 100", LEffect::kAmplify, {Type(IDC_AMPLIFY_GAIN, "100")}, nullptr, nullptr, 0, {{"AmplifyGain", 100}}},
        {"amplify 101", LEffect::kAmplify, {Type(IDC_AMPLIFY_GAIN, "101")}, kAmp, kInvalid, IDC_AMPLIFY_GAIN},
        {"amplify -5 passes", LEffect::kAmplify, {Type(IDC_AMPLIFY_GAIN, "-5")}, nullptr, nullptr, 0,
         {{"AmplifyGain", -5}}},
        {"amplify blanks around", LEffect::kAmplify, {Type(IDC_AMPLIFY_GAIN, " 42 ")}, nullptr, nullptr, 0,
         {{"AmplifyGain", 42}}},
        {"amplify not a number", LEffect::kAmplify, {Type(IDC_AMPLIFY_GAIN, "4x")},
         "Amplify Gain (%) must be a whole number. Please try again.", kInvalid, IDC_AMPLIFY_GAIN},
        {"amplify empty", LEffect::kAmplify, {Type(IDC_AMPLIFY_GAIN, "")},
         "Amplify Gain (%) must be a whole number. Please try again.", kInvalid, IDC_AMPLIFY_GAIN},
        {"amplify beyond 32 bits", LEffect::kAmplify, {Type(IDC_AMPLIFY_GAIN, "-99999999999")},
         "Amplify Gain (%) must be a whole number. Please try again.", kInvalid, IDC_AMPLIFY_GAIN},
        {"normalize 80", LEffect::kNormalize, {Type(IDC_NORMALIZE_LEVEL, "80")}, nullptr, nullptr, 0,
         {{"NormalizePeakLevel", 80}}},
        {"normalize 101", LEffect::kNormalize, {Type(IDC_NORMALIZE_LEVEL, "101")},
         "Normailze Peak Level must be less than 100%. Please try again.", kInvalid, IDC_NORMALIZE_LEVEL},
        {"echo 10 ms, 99 %", LEffect::kEcho, {Type(IDC_ECHO_TIME, "10"), Type(IDC_ECHO_GAIN, "99")}, nullptr, nullptr,
         0, {{"EchoTime", 10}, {"EchoGain", 99}}},
        {"echo 3000 ms", LEffect::kEcho, {Type(IDC_ECHO_TIME, "3000")}, kEchoTime, kInvalid, IDC_ECHO_TIME},
        {"echo 9 ms", LEffect::kEcho, {Type(IDC_ECHO_TIME, "9")}, kEchoTime, kInvalid, IDC_ECHO_TIME},
        {"echo gain 100", LEffect::kEcho, {Type(IDC_ECHO_GAIN, "100")}, kEchoGain, kInvalid, IDC_ECHO_GAIN},
        {"echo both wrong: time first", LEffect::kEcho, {Type(IDC_ECHO_TIME, "5"), Type(IDC_ECHO_GAIN, "100")},
         kEchoTime, kInvalid, IDC_ECHO_TIME},
        {"echo gain not a number", LEffect::kEcho, {Type(IDC_ECHO_GAIN, "half")},
         "Echo Gain (%) must be a whole number. Please try again.", kInvalid, IDC_ECHO_GAIN},
        {"reverb 0, 1000 ms", LEffect::kReverb, {Type(IDC_REVERB_LEVEL, "0"), Type(IDC_REVERB_TIME, "1000")}, nullptr,
         nullptr, 0, {{"ReverbLevel", 0}, {"ReverbTime", 1000}}},
        {"reverb 49 ms", LEffect::kReverb, {Type(IDC_REVERB_TIME, "49")}, kRevTime, kInvalid, IDC_REVERB_TIME},
        {"reverb both wrong: level first", LEffect::kReverb,
         {Type(IDC_REVERB_LEVEL, "101"), Type(IDC_REVERB_TIME, "2000")}, kRevLevel, kInvalid, IDC_REVERB_LEVEL},
        {"low cut takes any number", LEffect::kLowCutFilter, {Type(IDC_LOW_CUT_FREQUENCY, "-7")}, nullptr, nullptr, 0,
         {{"LowCutFreq", -7}}},
        {"noise gate held in its range", LEffect::kNoiseReduction, {Slide(IDC_NOISE_GATE_LEVEL, -55)}, nullptr,
         nullptr, 0, {{"NoiseGateLevel", -40}}},
        {"noise gate -12", LEffect::kNoiseReduction, {Slide(IDC_NOISE_GATE_LEVEL, -12)}, nullptr, nullptr, 0,
         {{"NoiseGateLevel", -12}}},
        {"compressor", LEffect::kCompressor,
         {Slide(IDC_COMPRESSOR_THRESHOLD, -20), Pick(IDC_COMPRESSOR_RATIO, 6), Slide(IDC_COMPRESSOR_LIMIT, 20)},
         nullptr, nullptr, 0, {{"CompressorThreshold", -20}, {"CompressorRatio", 6}, {"CompressorLimit", 12}}},
        {"paste mix increase selection: fade time not stored", LEffect::kPasteMix,
         {Type(IDC_MIX_VOLUME, "70"), Type(IDC_MIX_FADE_TIME, "400")}, nullptr, nullptr, 0,
         {{"PasteMixVolume", 70}, {"LongerSelection", 0}}},
        {"paste mix fade out", LEffect::kPasteMix, {Click(IDC_MIX_FADE_OUT), Type(IDC_MIX_FADE_TIME, "400")}, nullptr,
         nullptr, 0, {{"PasteMixVolume", 100}, {"LongerSelection", 2}, {"FadeOutTime", 400}}},
        {"paste mix 101", LEffect::kPasteMix, {Type(IDC_MIX_VOLUME, "101")}, kMix, kInvalid, IDC_MIX_VOLUME},
        {"mix file insert silence", LEffect::kMixFile, {Click(IDC_MIX_INSERT_SILENCE)}, nullptr, nullptr, 0,
         {{"PasteMixVolume", 100}, {"LongerSelection", 1}}},
        {"mix file 101", LEffect::kMixFile, {Type(IDC_MIX_VOLUME, "101")}, kMix, kInvalid, IDC_MIX_VOLUME},
        {"speed 300", LEffect::kSimpleSpeedPitch, {Type(IDC_SPEED_PERCENT, "300")}, nullptr, nullptr, 0,
         {{"SpSpeedPitch", 300}}},
        {"speed 301", LEffect::kSimpleSpeedPitch, {Type(IDC_SPEED_PERCENT, "301")}, kSpeed, "Error", IDC_SPEED_PERCENT},
        {"tempo 5 is stored as typed", LEffect::kConstantPitchSpeed, {Type(IDC_SPEED_PERCENT, "5")}, nullptr, nullptr,
         0, {{"ConstPitchSpeed", 5}}},
        {"pitch 301", LEffect::kConstantSpeedPitch, {Type(IDC_SPEED_PERCENT, "301")}, kSpeed, "Error",
         IDC_SPEED_PERCENT},
        {"pitch not a number: the dialog's own caption", LEffect::kConstantSpeedPitch,
         {Type(IDC_SPEED_PERCENT, "1.5")}, "Pitch Adjust (%) must be a whole number. Please try again.", "Error",
         IDC_SPEED_PERCENT},
        {"silence 1500 ms", LEffect::kInsertSilenceEnd, {Type(IDC_SILENCE_TIME, "1500")}, nullptr, nullptr, 0,
         {{"SilenceTimes", 1500}}},
        {"silence not a number", LEffect::kInsertSilenceBegin, {Type(IDC_SILENCE_TIME, "1,5")},
         "Silence Time (ms) must be a whole number. Please try again.", kInvalid, IDC_SILENCE_TIME},
        {"repeat 3", LEffect::kRepeatLoop, {Type(IDC_REPEAT_TIMES, "3")}, nullptr, nullptr, 0, {{"RepeatNumTimes", 3}}},
    };
    MakeDocument();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        settings.Clear();
        Open(c.id);
        const LEffectValues before = values;
        for (const Input& in : c.inputs) Do(in);
        const bool ok = dialog->CmOk();
        EXPECT_EQ(ok, c.message == nullptr);
        if (c.message) {
            ASSERT_EQ(view.messages.size(), 1u);
            EXPECT_EQ(view.messages[0].text, c.message);
            EXPECT_EQ(view.messages[0].caption, c.caption);
            EXPECT_EQ(view.messages[0].stopIcon, std::string(c.caption) == "Error");
            EXPECT_EQ(view.focus, c.focus);
            EXPECT_FALSE(settings.HasSection("StoredValues"));  // nothing stored
            EXPECT_EQ(std::vector<int32_t>(values.v, values.v + 3), std::vector<int32_t>(before.v, before.v + 3));
            continue;
        }
        EXPECT_TRUE(view.messages.empty());
        Stored stored;
        for (const LEffectParam& p : EffectOf(c.id).params) {
            std::string v;
            if (settings.Query("StoredValues", p.stored.szKey, v)) stored[p.stored.szKey] = std::stoi(v);
        }
        EXPECT_EQ(stored, c.stored);
        // The values handed back are those stored (and the disabled fade time as shown).
        for (size_t i = 0; i < EffectOf(c.id).params.size(); ++i) {
            if (stored.count(EffectOf(c.id).params[i].stored.szKey)) {
                EXPECT_EQ(values[int(i)], stored[EffectOf(c.id).params[i].stored.szKey]) << i;
            }
        }
    }
}

// The refused value can be corrected and OK pressed again.
TEST_F(EffectDialogs, ARefusedValueCanBeCorrected) {
    MakeDocument();
    Open(LEffect::kEcho);
    Do(Type(IDC_ECHO_TIME, "4000"));
    EXPECT_FALSE(dialog->CmOk());
    Do(Type(IDC_ECHO_TIME, "400"));
    EXPECT_TRUE(dialog->CmOk());
    EXPECT_EQ(ReadInt("StoredValues", "EchoTime", 0), 400);
    EXPECT_EQ(values[0], 400);
    EXPECT_EQ(view.messages.size(), 1u);
}

TEST_F(EffectDialogs, TheFadeTimeFollowsTheFadeOutButton) {
    MakeDocument();
    Open(LEffect::kPasteMix);
    EXPECT_FALSE(view.IsEnabled(IDC_MIX_FADE_TIME));
    Do(Click(IDC_MIX_FADE_OUT));
    EXPECT_TRUE(view.IsEnabled(IDC_MIX_FADE_TIME));
    Do(Click(IDC_MIX_INSERT_SILENCE));
    EXPECT_FALSE(view.IsEnabled(IDC_MIX_FADE_TIME));
}

// Preview plays the copy of the document from its start through the effect
// made from what the controls show, with the previews' own limits.
TEST_F(EffectDialogs, PreviewPlaysTheShownValuesWithItsOwnLimits) {
    MakeDocument();
    Open(LEffect::kEcho);
    EXPECT_EQ(view.text[IDC_PREVIEW], "Preview");
    dialog->Command(IDC_PREVIEW, kButtonClicked);
    ASSERT_TRUE(player.playing);
    EXPECT_EQ(view.text[IDC_PREVIEW], "Stop");
    EXPECT_EQ(player.source->GetPosition(), 0);
    EXPECT_EQ(Played(), Expected(LSPEcho(800, 50).OpenSource(Document())));

    // An echo time out of OK's range restarts the preview limited to 10..3000,
    // and a gain of 100 or more plays at 99; OK refuses the same values.
    Do(Type(IDC_ECHO_TIME, "7000"));
    EXPECT_EQ(player.starts, 2);
    EXPECT_EQ(Played(), Expected(LSPEcho(3000, 50).OpenSource(Document())));
    Do(Type(IDC_ECHO_GAIN, "250"));
    EXPECT_EQ(player.starts, 3);
    EXPECT_EQ(Played(), Expected(LSPEcho(3000, 99).OpenSource(Document())));
    Do(Type(IDC_ECHO_TIME, "2"));
    EXPECT_EQ(Played(), Expected(LSPEcho(10, 99).OpenSource(Document())));
    EXPECT_FALSE(dialog->CmOk());
    EXPECT_EQ(view.messages.back().text, "Echo time must be between 10 and 3000ms. Please try again.");
    EXPECT_TRUE(player.playing);  // a refusal keeps the preview going

    // Stop, then changes do not start it again.
    dialog->Command(IDC_PREVIEW, kButtonClicked);
    EXPECT_FALSE(player.playing);
    EXPECT_EQ(view.text[IDC_PREVIEW], "Preview");
    Do(Type(IDC_ECHO_TIME, "500"));
    EXPECT_EQ(player.starts, 4);
    EXPECT_FALSE(player.playing);
}

TEST_F(EffectDialogs, ReverbPreviewPlaysTimesOkRefuses) {
    MakeDocument();
    Open(LEffect::kReverb);
    Do(Type(IDC_REVERB_TIME, "20"));
    dialog->Command(IDC_PREVIEW, kButtonClicked);
    EXPECT_EQ(Played(), Expected(LSPReverb(100, 20).OpenSource(Document())));
    Do(Type(IDC_REVERB_TIME, "5"));  // below 10: plays at 10
    EXPECT_EQ(Played(), Expected(LSPReverb(100, 10).OpenSource(Document())));
    Do(Type(IDC_REVERB_LEVEL, "300"));
    EXPECT_EQ(Played(), Expected(LSPReverb(100, 10).OpenSource(Document())));
    Do(Type(IDC_REVERB_LEVEL, "40"));
    Do(Type(IDC_REVERB_TIME, "20"));
    EXPECT_EQ(Played(), Expected(LSPReverb(40, 20).OpenSource(Document())));
    EXPECT_FALSE(dialog->CmOk());
    EXPECT_EQ(view.messages.back().text, "Reverb time must be between 50 and 1000. Please try again.");
}

TEST_F(EffectDialogs, CompressorRatioChangeRestartsThePreview) {
    MakeDocument();
    Open(LEffect::kCompressor);
    Do(Slide(IDC_COMPRESSOR_THRESHOLD, -20));
    EXPECT_EQ(player.starts, 0);
    dialog->Command(IDC_PREVIEW, kButtonClicked);
    EXPECT_EQ(Played(), Expected(LSPCompressor(-20, CompressorRatioFactor(0), 0).OpenSource(Document())));
    Do(Pick(IDC_COMPRESSOR_RATIO, 2));
    EXPECT_EQ(player.starts, 2);
    const std::vector<int32_t> twoToOne = Played();
    EXPECT_EQ(twoToOne, Expected(LSPCompressor(-20, CompressorRatioFactor(2), 0).OpenSource(Document())));
    EXPECT_NE(twoToOne, Expected(Document()));
    Do(Slide(IDC_COMPRESSOR_LIMIT, 6));
    EXPECT_EQ(player.starts, 3);
    // Another notification of the combo box (its list opening) restarts nothing.
    dialog->Command(IDC_COMPRESSOR_RATIO, 7 /* CBN_DROPDOWN */);
    EXPECT_EQ(player.starts, 3);
}

TEST_F(EffectDialogs, LowCutAndEqualiserPreviews) {
    MakeDocument();
    Open(LEffect::kLowCutFilter);
    Do(Type(IDC_LOW_CUT_FREQUENCY, "300"));
    dialog->Command(IDC_PREVIEW, kButtonClicked);
    EXPECT_EQ(Played(), Expected(LSPHighPass(600).OpenSource(Document())));
    // Text the preview cannot read whole counts by its leading digits.
    Do(Type(IDC_LOW_CUT_FREQUENCY, "120 Hz"));
    EXPECT_EQ(Played(), Expected(LSPHighPass(240).OpenSource(Document())));

    Open(LEffect::kEqualizer);
    dialog->Command(IDC_PREVIEW, kButtonClicked);
    const std::vector<int32_t> flat =
        Expected(LSPEqualiser(CreateEqFromPointList(FlatCurve(), 8000)).OpenSource(Document()));
    EXPECT_EQ(Played(), flat);
    // An edit of the curve restarts the preview when it is complete.
    LCurveEditor& ed = dialog->Curve();
    ed.SetSize(257, 257, true);
    ed.LeftDown(100, 250);
    EXPECT_EQ(player.starts, 1);
    dialog->Command(IDC_CURVE, kEditChange);
    EXPECT_EQ(player.starts, 2);
    EXPECT_EQ(Played(), Expected(LSPEqualiser(CreateEqFromPointList(ed.Curve(), 8000)).OpenSource(Document())));
    dialog->Command(IDC_SET_FLAT, kButtonClicked);
    EXPECT_EQ(player.starts, 3);
    EXPECT_EQ(Played(), flat);
}

TEST_F(EffectDialogs, ClosingStopsThePreviewAndAFailedStartIsSaid) {
    MakeDocument();
    Open(LEffect::kEcho);
    dialog->Command(IDC_PREVIEW, kButtonClicked);
    ASSERT_TRUE(player.playing);
    dialog->Destroy();
    EXPECT_FALSE(player.playing);

    // The preview that reaches the end of the document turns the button back.
    Open(LEffect::kEcho);
    dialog->Command(IDC_PREVIEW, kButtonClicked);
    player.PlayToEnd();
    EXPECT_EQ(view.text[IDC_PREVIEW], "Preview");

    Open(LEffect::kEcho);
    player.refuse = true;
    dialog->Command(IDC_PREVIEW, kButtonClicked);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text, kPreviewFailedText);
    EXPECT_EQ(view.text[IDC_PREVIEW], "Preview");
}

// Without a document there is nothing to preview: the button is disabled.
TEST_F(EffectDialogs, NoDocumentNoPreview) {
    for (LEffect id : {LEffect::kEcho, LEffect::kEqualizer}) {
        Open(id);  // no document made
        EXPECT_FALSE(dialog->HasPreview());
        EXPECT_FALSE(view.IsEnabled(IDC_PREVIEW));
        dialog->Command(IDC_PREVIEW, kButtonClicked);
        EXPECT_EQ(player.starts, 0);
    }
    MakeDocument();
    Open(LEffect::kEcho);
    EXPECT_TRUE(view.IsEnabled(IDC_PREVIEW));
}

// Dialogs without a previewer never touch the player.
TEST_F(EffectDialogs, OnlyPreviewDialogsPlay) {
    MakeDocument();
    for (const LEffectDesc& fx : kEffects) {
        if (!fx.nTemplate || fx.pfnPreview) continue;
        SCOPED_TRACE(fx.szCaption);
        Open(fx.id);
        EXPECT_FALSE(dialog->HasPreview());
        EXPECT_EQ(view.text.count(IDC_PREVIEW), 0u);
        dialog->Command(IDC_PREVIEW, kButtonClicked);
        for (const LEffectParam& p : fx.params) dialog->Command(p.nControl, kEditChange);
        EXPECT_EQ(player.starts, 0);
    }
}

// The curve dialogs edit their file: it is made flat when missing, OK
// writes the edited curve and the operation gets it back from the file;
// Cancel, also after "Set Flat", writes nothing.
TEST_F(EffectDialogs, CurveDialogsLoadAndSaveTheirFiles) {
    MakeDocument();
    for (LEffect id : {LEffect::kEqualizer, LEffect::kEnvelope}) {
        const std::string file = JoinPath(dir, EffectOf(id).szCurveFile);
        SCOPED_TRACE(file);
        std::filesystem::remove(file);
        Open(id);
        EXPECT_EQ(ReadBytes(file), (std::vector<uint8_t>{2, 0, 128, 255, 128}));  // made when missing
        ASSERT_EQ(view.curves[IDC_CURVE], &dialog->Curve());
        LCurveEditor& ed = dialog->Curve();
        ed.SetSize(257, 257, true);  // one pixel per curve unit
        ed.LeftDown(100, 255 - 40);  // a new point at (100, 40)
        ed.LeftUp();
        ASSERT_TRUE(dialog->CmOk());
        const std::vector<uint8_t> edited = {3, 0, 128, 100, 40, 255, 128};
        EXPECT_EQ(ReadBytes(file), edited);
        EXPECT_EQ(values.curve.nPoints, 3);
        EXPECT_EQ(values.curve.points[1].x, 100);
        EXPECT_EQ(values.curve.points[1].y, 40);

        // Reopened: the saved curve. An edit closed without OK writes nothing.
        Open(id);
        EXPECT_EQ(dialog->Curve().Curve().nPoints, 3);
        dialog->Curve().SetSize(257, 257, true);
        dialog->Curve().RightDown(100, 215);
        EXPECT_EQ(dialog->Curve().Curve().nPoints, 2);
        dialog->Destroy();
        EXPECT_EQ(ReadBytes(file), edited);

        // "Set Flat" flattens the editor, not the file, until OK.
        Open(id);
        dialog->Command(IDC_SET_FLAT, kButtonClicked);
        EXPECT_EQ(dialog->Curve().Curve().nPoints, 2);
        dialog->Destroy();
        EXPECT_EQ(ReadBytes(file), edited);
        Open(id);
        dialog->Command(IDC_SET_FLAT, kButtonClicked);
        ASSERT_TRUE(dialog->CmOk());
        EXPECT_EQ(ReadBytes(file), (std::vector<uint8_t>{2, 0, 128, 255, 128}));
        EXPECT_EQ(values.curve.nPoints, 2);
    }
}

TEST_F(EffectDialogs, ACurveThatCannotBeSavedIsStillTheOneUsed) {
    MakeDocument();
    values = ReadStoredValues(EffectOf(LEffect::kEnvelope));
    LSDEffectDialog d(EffectOf(LEffect::kEnvelope), values, doc.get(), &player, JoinPath(dir, "no-such-folder"));
    d.Attach(&view);
    d.InitDialog();
    d.Curve().SetSize(257, 257, true);
    d.Curve().LeftDown(60, 255);
    ASSERT_TRUE(d.CmOk());
    ASSERT_EQ(values.curve.nPoints, 3);
    EXPECT_EQ(values.curve.points[1].x, 60);
    EXPECT_EQ(values.curve.points[1].y, 0);
}

// The label the editor shows while the pointer moves.
TEST_F(EffectDialogs, CurveLabels) {
    MakeDocument();
    Open(LEffect::kEqualizer);
    dialog->CurveNotify(255, 128);
    EXPECT_EQ(dialog->Curve().Label(), "20000 Hz, 100 %");
    dialog->CurveNotify(51, 0);
    EXPECT_EQ(dialog->Curve().Label(), "4000 Hz, 0 %");
    // The envelope's x spans the selection, 1 s to 3 s at 8000 Hz.
    Open(LEffect::kEnvelope);
    dialog->CurveNotify(0, 128);
    EXPECT_EQ(dialog->Curve().Label(), "(0:00:01.00, 100 %)");
    dialog->CurveNotify(255, 255);
    EXPECT_EQ(dialog->Curve().Label(), "(0:00:03.00, 200 %)");
    dialog->CurveNotify(51, 0);
    EXPECT_EQ(dialog->Curve().Label(), "(0:00:01.40, 0 %)");
}

// Help opens the manual at each dialog's topic.
TEST_F(EffectDialogs, HelpOpensTheDialogsTopic) {
    MakeDocument();
    HelpRecorder help;
    const std::set<LEffect> edits = {LEffect::kPasteMix, LEffect::kMixFile, LEffect::kRepeatLoop,
                                     LEffect::kInsertSilenceBegin, LEffect::kInsertSilenceCurrent,
                                     LEffect::kInsertSilenceEnd};
    for (const LEffectDesc& fx : kEffects) {
        if (!fx.nTemplate) continue;
        Open(fx.id);
        EXPECT_TRUE(dialog->CmHelp());
        ASSERT_FALSE(help.pages.empty());
        EXPECT_EQ(help.pages.back(), JoinPath("manual", edits.count(fx.id) ? "edit-dialogs.html" : "effects.html"))
            << fx.szCaption;
    }
}
