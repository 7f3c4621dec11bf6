#include <gtest/gtest.h>

#include <string>

#include "effects/LEffectParams.h"

using namespace sondrel;

TEST(EffectParams, DialogChecksAcceptAndRefuseAtTheirEdges) {
    struct Case { const char* what; LParamCheck check; bool ok; const char* message; const char* caption; };
    const Case cases[] = {
        {"amplify 100", CheckAmplifyGain(100), true, nullptr, nullptr},
        {"amplify 101", CheckAmplifyGain(101), false, "Amplify Gain must be less than 100%. Please try again.", "Invalid value"},
        {"amplify -5", CheckAmplifyGain(-5), true, nullptr, nullptr},
        {"normalize 101", CheckNormalizePeakLevel(101), false,
         "Normailze Peak Level must be less than 100%. Please try again.", "Invalid value"},
        {"echo 10/99", CheckEcho(10, 99), true, nullptr, nullptr},
        {"echo 3000", CheckEcho(3000, 50), false, "Echo time must be between 10 and 3000ms. Please try again.", "Invalid value"},
        {"echo 9", CheckEcho(9, 50), false, "Echo time must be between 10 and 3000ms. Please try again.", "Invalid value"},
        {"echo gain 100", CheckEcho(800, 100), false, "Echo Gain must be less than 100%. Please try again.", "Invalid value"},
        {"echo both bad: time first", CheckEcho(5, 100), false, "Echo time must be between 10 and 3000ms. Please try again.",
         "Invalid value"},
        {"reverb 100/50", CheckReverb(100, 50), true, nullptr, nullptr},
        {"reverb time 49", CheckReverb(100, 49), false, "Reverb time must be between 50 and 1000. Please try again.",
         "Invalid value"},
        {"reverb both bad: level first", CheckReverb(101, 2000), false, "Reverb level must be less than 100. Please try again.",
         "Invalid value"},
        {"speed 300", CheckSpeedChangePercent(300), true, nullptr, nullptr},
        {"speed 301", CheckSpeedChangePercent(301), false, "Speed Change Percent must be less than 300.", "Error"},
        {"mix 101", CheckMixVolume(101), false, "Mix Volume must be less than 100%. Please try again.", "Invalid value"},
        {"rate 6000", CheckSampleRate(6000), true, nullptr, nullptr},
        {"rate 96000", CheckSampleRate(96000), true, nullptr, nullptr},
        {"rate 5999", CheckSampleRate(5999), false, "Sample rates must be between 6000 and 96000 samples per second.", "Error"},
        {"rate 96001", CheckSampleRate(96001), false, "Sample rates must be between 6000 and 96000 samples per second.", "Error"},
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
