#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "effects/LEchoReverb.h"
#include "effects/LEffectTable.h"
#include "effects/LEqualiser.h"
#include "effects/LHighPass.h"
#include "effects/LSRCCompressor.h"
#include "support/LResourceIds.h"
#include "support/LSettings.h"
#include "support/TestUtil.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {

LEffectValues Values(std::initializer_list<int32_t> v) {
    LEffectValues values;
    int i = 0;
    for (int32_t x : v) values.v[i++] = x;
    return values;
}

std::vector<int32_t> Noise(size_t count, int32_t amplitude) {
    std::mt19937 rng(Seed());
    std::uniform_int_distribution<int32_t> dist(-amplitude, amplitude);
    std::vector<int32_t> v(count);
    for (auto& s : v) s = dist(rng);
    return v;
}

// What a preview source built over the given samples plays.
std::vector<int32_t> Play(const LSoundSourcePtr& s) { return ReadAll(*s); }

}  // namespace

// The table carries the numbers the resource header names; the dialogs, the
// menu and the main window's dispatch meet only if the two agree.
TEST(EffectTable, IdsAreTheNamedResources) {
    struct Case {
        LEffect id;
        int command, dialog, help;
        std::vector<int> controls;
    };
    const std::vector<int> mix = {IDC_MIX_VOLUME, IDC_MIX_INCREASE_SELECTION, IDC_MIX_FADE_TIME};
    const Case cases[] = {
        {LEffect::kAmplify, IDM_AMPLIFY, IDD_AMPLIFY, IDH_EFFECTS, {IDC_AMPLIFY_GAIN}},
        {LEffect::kNormalize, IDM_NORMALIZE, IDD_NORMALIZE, IDH_EFFECTS, {IDC_NORMALIZE_LEVEL}},
        {LEffect::kEqualizer, IDM_EQUALIZER, IDD_EQUALIZER, IDH_EFFECTS, {}},
        {LEffect::kEcho, IDM_ECHO, IDD_ECHO, IDH_EFFECTS, {IDC_ECHO_TIME, IDC_ECHO_GAIN}},
        {LEffect::kReverb, IDM_REVERB, IDD_REVERB, IDH_EFFECTS, {IDC_REVERB_LEVEL, IDC_REVERB_TIME}},
        {LEffect::kFadeIn, IDM_FADE_IN, 0, 0, {}},
        {LEffect::kFadeOut, IDM_FADE_OUT, 0, 0, {}},
        {LEffect::kEnvelope, IDM_ENVELOPE, IDD_ENVELOPE, IDH_EFFECTS, {}},
        {LEffect::kAutoGainControl, IDM_AUTO_GAIN_CONTROL, 0, 0, {}},
        {LEffect::kNoiseReduction, IDM_NOISE_REDUCTION, IDD_NOISE_REDUCTION, IDH_EFFECTS, {IDC_NOISE_GATE_LEVEL}},
        {LEffect::kLowCutFilter, IDM_HIGH_PASS_FILTER, IDD_LOW_CUT, IDH_EFFECTS, {IDC_LOW_CUT_FREQUENCY}},
        {LEffect::kCompressor, IDM_COMPRESSOR, IDD_COMPRESSOR, IDH_EFFECTS,
         {IDC_COMPRESSOR_THRESHOLD, IDC_COMPRESSOR_RATIO, IDC_COMPRESSOR_LIMIT}},
        {LEffect::kFadeOutAndTrim, IDM_FADE_OUT_AND_TRIM, 0, 0, {}},
        {LEffect::kSimpleSpeedPitch, IDM_SIMPLE_SPEED_PITCH, IDD_SPEED_CHANGE, IDH_EFFECTS, {IDC_SPEED_PERCENT}},
        {LEffect::kConstantPitchSpeed, IDM_CONSTANT_PITCH_SPEED, IDD_SPEED_CHANGE, IDH_EFFECTS, {IDC_SPEED_PERCENT}},
        {LEffect::kConstantSpeedPitch, IDM_CONSTANT_SPEED_PITCH, IDD_SPEED_CHANGE, IDH_EFFECTS, {IDC_SPEED_PERCENT}},
        {LEffect::kPasteMix, IDM_PASTE_MIX, IDD_MIX, IDH_EDITS, mix},
        {LEffect::kMixFile, IDM_MIX_FILE, IDD_MIX, IDH_EDITS, mix},
        {LEffect::kRepeatLoop, IDM_REPEAT_LOOP, IDD_REPEAT_LOOP, IDH_EDITS, {IDC_REPEAT_TIMES}},
        {LEffect::kAutoTrim, IDM_AUTO_TRIM, 0, 0, {}},
        {LEffect::kInsertSilenceBegin, IDM_INSERT_SILENCE_BEGIN, IDD_INSERT_SILENCE, IDH_EDITS, {IDC_SILENCE_TIME}},
        {LEffect::kInsertSilenceCurrent, IDM_INSERT_SILENCE_CURRENT, IDD_INSERT_SILENCE, IDH_EDITS, {IDC_SILENCE_TIME}},
        {LEffect::kInsertSilenceEnd, IDM_INSERT_SILENCE_END, IDD_INSERT_SILENCE, IDH_EDITS, {IDC_SILENCE_TIME}},
    };
    ASSERT_EQ(std::size(cases), size_t(LEffect::kCount));
    for (const Case& c : cases) {
        const LEffectDesc& fx = EffectOf(c.id);
        SCOPED_TRACE(fx.szUndoLabel);
        EXPECT_EQ(fx.id, c.id);  // the records stand in the order of the enumeration
        EXPECT_EQ(fx.nCommand, c.command);
        EXPECT_EQ(EffectByCommand(c.command), &fx);
        EXPECT_EQ(fx.nTemplate, c.dialog);
        EXPECT_EQ(fx.nHelpContext, c.help);
        ASSERT_EQ(fx.params.size(), c.controls.size());
        for (size_t i = 0; i < c.controls.size(); ++i) EXPECT_EQ(fx.params[i].nControl, c.controls[i]) << i;
    }
    for (LEffect speed : {LEffect::kSimpleSpeedPitch, LEffect::kConstantPitchSpeed, LEffect::kConstantSpeedPitch})
        EXPECT_EQ(EffectOf(speed).params[0].nLabelControl, IDC_SPEED_LABEL);
    const LEffectParam& longer = EffectOf(LEffect::kPasteMix).params[1];
    EXPECT_EQ(longer.nControl + longer.nMax - longer.nMin, IDC_MIX_FADE_OUT);  // the last radio button
    EXPECT_EQ(EffectByCommand(IDM_CUT), nullptr);
}

// Every record's command-line syntax must fit its record: a file argument
// only where the operation reads one, a curve where the dialog edits one,
// and no more numbers than parameters.
TEST(EffectTable, StepSyntaxFitsTheRecord) {
    for (const LEffectDesc& fx : kEffects) {
        SCOPED_TRACE(fx.szStep);
        std::string syntax = fx.szSyntax;
        size_t numbers = 0, pos = 0;
        bool file = false, curve = false;
        while (!syntax.empty() && pos != std::string::npos) {
            size_t comma = syntax.find(',', pos);
            std::string tok = syntax.substr(pos, comma == std::string::npos ? comma : comma - pos);
            std::erase(tok, '[');
            std::erase(tok, ']');
            if (tok == "FILE") file = true;
            else if (tok == "CURVEFILE") curve = true;
            else if (tok.find('|') == std::string::npos) ++numbers;
            pos = comma == std::string::npos ? comma : comma + 1;
        }
        EXPECT_EQ(file, fx.input == LEffectInput::kFile);
        EXPECT_EQ(curve, fx.szCurveFile != nullptr);
        EXPECT_LE(numbers, fx.params.size());
        EXPECT_EQ(syntax.empty(), fx.params.empty() && !fx.szCurveFile);
        EXPECT_EQ(fx.szWants == nullptr, syntax.empty());
    }
    // The records sharing a step: one default, each with its own word.
    int defaults = 0;
    for (LEffect id : {LEffect::kInsertSilenceBegin, LEffect::kInsertSilenceCurrent, LEffect::kInsertSilenceEnd})
        defaults += EffectOf(id).bDefaultVariant;
    EXPECT_EQ(defaults, 1);
    EXPECT_STREQ(EffectOf(LEffect::kInsertSilenceEnd).szVariantWord, "end");
}

TEST(EffectTable, PreviewsUseTheirOwnLimitsWhereOkRefuses) {
    const std::vector<int32_t> in = Noise(8000 * 4, 0x40000);  // 4 s at 8000 Hz, mono
    auto src = [&] { return MakeSource<VectorSource>(in, 8000, 1); };
    struct Case {
        const char* what;
        LEffect id;
        LEffectValues shown;
        bool okAccepts;
        LSoundSourcePtr expected;
    };
    PointList cut;
    cut.Set({{0, 128}, {30, 128}, {40, 0}, {255, 0}});
    LEffectValues curve;
    curve.curve = cut;
    const Case cases[] = {
        {"echo time above 3000 plays at 3000, gain at 99", LEffect::kEcho, Values({5000, 150}), false,
         LSPEcho(99, 3000).OpenSource(src())},
        {"echo time below 10 plays at 10", LEffect::kEcho, Values({5, 50}), false, LSPEcho(50, 10).OpenSource(src())},
        {"reverb from 10 ms although OK wants 50", LEffect::kReverb, Values({100, 20}), false,
         LSPReverb(100, 20).OpenSource(src())},
        {"reverb level above 100 plays at 100", LEffect::kReverb, Values({150, 5}), false,
         LSPReverb(100, 10).OpenSource(src())},
        {"low cut at twice the entered frequency", LEffect::kLowCutFilter, Values({250}), true,
         LSPHighPass(500).OpenSource(src())},
        {"equaliser at the previewed source's rate", LEffect::kEqualizer, curve, true,
         LSPEqualiser(CreateEqFromPointList(cut, 8000)).OpenSource(src())},
        {"compressor from the shown ratio", LEffect::kCompressor, Values({-20, 2, 6}), true,
         LSPCompressor(-20, CompressorRatioFactor(2), 6).OpenSource(src())},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const LEffectDesc& fx = EffectOf(c.id);
        ASSERT_NE(fx.pfnPreview, nullptr);
        EXPECT_EQ(CheckEffectValues(fx, c.shown).bOk, c.okAccepts);
        std::vector<int32_t> heard = Play(fx.pfnPreview(c.shown, src()));
        EXPECT_EQ(heard, Play(c.expected));
        EXPECT_NE(heard, in);
    }
    // Only the dialogs with a Preview button have a previewer.
    for (const LEffectDesc& fx : kEffects) {
        if (fx.pfnPreview) {
            EXPECT_NE(fx.nTemplate, 0) << fx.szUndoLabel;
        }
    }
}

TEST(EffectTable, ChecksOfTheClampingControlsComeBeforeTheDialogsOwn) {
    struct Case {
        LEffect id;
        LEffectValues v;
        const char* message;  // null: accepted
        const char* caption;
    };
    const Case cases[] = {
        {LEffect::kCompressor, Values({-40, 6, 12}), nullptr, nullptr},
        {LEffect::kCompressor, Values({-41, 0, 0}), "Compressor threshold must be between -40 and 0 dB.", "Error"},
        {LEffect::kCompressor, Values({0, 7, 0}), "Compressor ratio must be an index between 0 and 6.", "Error"},
        {LEffect::kCompressor, Values({0, 0, 13}), "Compressor limit must be between 0 and 12 dB.", "Error"},
        {LEffect::kNoiseReduction, Values({1}), "Noise gate level must be between -40 and 0 dB.", "Error"},
        {LEffect::kConstantSpeedPitch, Values({301}), "Speed Change Percent must be less than 300.", "Error"},
        {LEffect::kConstantSpeedPitch, Values({-5}), nullptr, nullptr},
        {LEffect::kMixFile, Values({101, 0, 0}), "Mix Volume must be less than 100%. Please try again.",
         "Invalid value"},
        {LEffect::kLowCutFilter, Values({-7}), nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(EffectOf(c.id).szUndoLabel);
        LParamCheck check = CheckEffectValues(EffectOf(c.id), c.v);
        EXPECT_EQ(check.bOk, c.message == nullptr);
        if (c.message) {
            EXPECT_STREQ(check.szMessage, c.message);
            EXPECT_STREQ(check.szCaption, c.caption);
        }
    }
}

TEST(EffectTable, StoredValuesAndTheFadeTimeOnlyWhileFadingOut) {
    LMemorySettings settings;
    SetSettingsStore(&settings);
    const LEffectDesc& mix = EffectOf(LEffect::kPasteMix);
    LEffectValues v = ReadStoredValues(mix);
    EXPECT_EQ(std::vector<int32_t>(v.v, v.v + 3), (std::vector<int32_t>{100, 0, 250}));
    EXPECT_EQ(ReadStoredValues(EffectOf(LEffect::kNoiseReduction))[0], -30);

    EXPECT_FALSE(ParamEnabled(mix, 2, Values({80, 1, 40})));
    WriteStoredValues(mix, Values({80, 1, 40}));
    v = ReadStoredValues(mix);
    EXPECT_EQ(std::vector<int32_t>(v.v, v.v + 3), (std::vector<int32_t>{80, 1, 250}));
    EXPECT_TRUE(ParamEnabled(mix, 2, Values({80, 2, 40})));
    WriteStoredValues(mix, Values({80, 2, 40}));
    EXPECT_EQ(ReadInt("StoredValues", "FadeOutTime", 0), 40);
    // Mix File shares the keys.
    EXPECT_EQ(ReadStoredValues(EffectOf(LEffect::kMixFile))[0], 80);
    SetSettingsStore(nullptr);
}
