#include <gtest/gtest.h>

#include <random>
#include <set>
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

// The list holds every record once, in the order of the enumeration, each
// found by its command; a dialog has its caption and help, and its controls
// are its own.
TEST(EffectTable, TheListHoldsEveryRecordInItsOrder) {
    std::set<int> commands;
    for (size_t i = 0; i < size_t(LEffect::kCount); ++i) {
        const LEffectDesc& fx = EffectOf(LEffect(i));
        SCOPED_TRACE(fx.szUndoLabel ? fx.szUndoLabel : "?");
        EXPECT_EQ(fx.id, LEffect(i));
        EXPECT_TRUE(commands.insert(fx.nCommand).second);
        EXPECT_EQ(EffectByCommand(fx.nCommand), &fx);
        ASSERT_NE(fx.pfnRun, nullptr);
        EXPECT_EQ(fx.nTemplate != 0, fx.szCaption != nullptr);
        EXPECT_EQ(fx.nTemplate != 0, fx.nHelpContext != 0);
        std::set<int> controls;
        for (const LEffectParam& p : fx.params) {
            const int count = p.control == LParamControl::kRadios ? p.nMax - p.nMin + 1 : 1;
            for (int k = 0; k < count; ++k) EXPECT_TRUE(controls.insert(p.nControl + k).second) << p.nControl + k;
        }
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
         LSPEcho(3000, 99).OpenSource(src())},
        {"echo time below 10 plays at 10", LEffect::kEcho, Values({5, 50}), false, LSPEcho(10, 50).OpenSource(src())},
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
