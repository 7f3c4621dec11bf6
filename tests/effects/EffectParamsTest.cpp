#include <gtest/gtest.h>

#include <string>

#include "effects/EffectTestUtil.h"
#include "effects/LEffectParams.h"

using namespace sondrel;
using namespace sondrel::test;

TEST(EffectParams, DialogChecksAcceptAndRefuseAtTheirEdges) {
    auto check = [](LEffect id, std::initializer_list<int32_t> v) {
        return CheckEffectValues(EffectOf(id), Values(v));
    };
    struct Case { const char* what; LParamCheck check; bool ok; const char* message; const char* caption; };
    const Case cases[] = {
        {"amplify 100", check(LEffect::kAmplify, {100}), true, nullptr, nullptr},
        {"amplify 101", check(LEffect::kAmplify, {101}), false,
         "Amplify Gain must be less than 100%. Please try again.", "Invalid value"},
        {"amplify -5", check(LEffect::kAmplify, {-5}), true, nullptr, nullptr},
        {"normalize 101", check(LEffect::kNormalize, {101}), false,
         "Normailze Peak Level must be less than 100%. Please try again.", "Invalid value"},
        {"echo 10/99", check(LEffect::kEcho, {10, 99}), true, nullptr, nullptr},
        {"echo 3000", check(LEffect::kEcho, {3000, 50}), false,
         "Echo time must be between 10 and 3000ms. Please try again.", "Invalid value"},
        {"echo 9", check(LEffect::kEcho, {9, 50}), false, "Echo time must be between 10 and 3000ms. Please try again.",
         "Invalid value"},
        {"echo gain 100", check(LEffect::kEcho, {800, 100}), false,
         "Echo Gain must be less than 100%. Please try again.", "Invalid value"},
        {"echo both bad: time first", check(LEffect::kEcho, {5, 100}), false,
         "Echo time must be between 10 and 3000ms. Please try again.", "Invalid value"},
        {"reverb 100/50", check(LEffect::kReverb, {100, 50}), true, nullptr, nullptr},
        {"reverb time 49", check(LEffect::kReverb, {100, 49}), false,
         "Reverb time must be between 50 and 1000. Please try again.", "Invalid value"},
        {"reverb both bad: level first", check(LEffect::kReverb, {101, 2000}), false,
         "Reverb level must be less than 100. Please try again.", "Invalid value"},
        {"speed 300", check(LEffect::kSimpleSpeedPitch, {300}), true, nullptr, nullptr},
        {"speed 301", check(LEffect::kSimpleSpeedPitch, {301}), false, "Speed Change Percent must be less than 300.",
         "Error"},
        {"mix 101", check(LEffect::kPasteMix, {101, 0, 250}), false,
         "Mix Volume must be less than 100%. Please try again.", "Invalid value"},
        {"rate 6000", CheckSampleRate(6000), true, nullptr, nullptr},
        {"rate 96000", CheckSampleRate(96000), true, nullptr, nullptr},
        {"rate 5999", CheckSampleRate(5999), false, "Sample rates must be between 6000 and 96000 samples per second.",
         "Error"},
        {"rate 96001", CheckSampleRate(96001), false, "Sample rates must be between 6000 and 96000 samples per second.",
         "Error"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.check.bOk, c.ok);
        if (!c.ok) {
            EXPECT_EQ(std::string(c.check.szMessage), c.message);
            EXPECT_EQ(std::string(c.check.szCaption), c.caption);
            EXPECT_EQ(c.check.bStopIcon, std::string(c.caption) == "Error");
        }
    }
}
