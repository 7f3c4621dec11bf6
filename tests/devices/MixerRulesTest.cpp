// The mixer's rules over a mixer of the test's own: level mapping, typed
// dB, and what selecting an input or setting a volume does to each control.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "devices/LMixerRules.h"

namespace sondrel {
namespace {

TEST(MixerRules, LevelMapping) {
    const struct {
        int32_t dB;
        uint32_t level;
    } cases[] = {{-127, 0}, {-100, 0}, {-37, 0}, {-36, 0}, {-35, 1424}, {-6, 42720},
                 {0, 51264}, {9, 64080}, {10, 65504}, {11, 65535}, {12, 65535}, {127, 65535}};
    for (auto c : cases) EXPECT_EQ(MixerLevel(c.dB), c.level) << c.dB;
}

TEST(MixerRules, TextToDB) {
    const struct {
        const char* text;
        int32_t dB;
    } cases[] = {{"--5", -127}, {"7dB", 7},  {"abc", 0},     {"", 0},        {"-12", -12},  {"-", 0},
                 {"+6 dB", 6},  {"200", 127}, {"-300", -127}, {"1-2", -12},  {"99999999999", 127},
                 {"- 3 dB", -3}, {"--", -127}};
    for (auto c : cases) EXPECT_EQ(TextToDB(c.text), c.dB) << '"' << c.text << '"';
    EXPECT_EQ(TextToDB(nullptr), 0);
}

// A mixer with a record destination of `inputs` microphone-like sources and
// a speakers destination with a wave-out source. Every control keeps what
// it was last set to.
class FakeMixer : public LMixerDevice {
public:
    struct Control {
        LMixerControl c;
        int64_t value = -1;  // -1: never set
        std::vector<bool> list;
        int sets = 0;
    };
    std::map<uint32_t, LMixerLine> lines;              // by line id
    std::map<uint32_t, std::vector<uint32_t>> owned;   // line id -> control ids
    std::map<uint32_t, Control> controls;              // by control id
    std::map<uint32_t, std::vector<uint32_t>> listLines;  // list control -> item line ids
    bool listReadable = true;
    uint32_t nextControl = 100;

    uint32_t AddLine(uint32_t id, uint32_t type, uint32_t dest, uint32_t source, const char* name) {
        LMixerLine l;
        l.dwLineID = id;
        l.dwComponentType = type;
        l.nDestination = dest;
        l.nSource = source;
        std::snprintf(l.szShortName, sizeof l.szShortName, "%s", name);
        lines[id] = l;
        return id;
    }
    uint32_t AddControl(uint32_t line, uint32_t type, uint32_t items = 0) {
        Control c;
        c.c.dwControlID = nextControl++;
        c.c.dwControlType = type;
        c.c.nMultipleItems = items;
        controls[c.c.dwControlID] = c;
        owned[line].push_back(c.c.dwControlID);
        lines[line].nControls++;
        return c.c.dwControlID;
    }
    Control& Of(uint32_t line, uint32_t type) {
        for (uint32_t id : owned[line])
            if (controls[id].c.dwControlType == type) return controls[id];
        static Control none;
        return none;
    }

    // Destination 0: record (line 1) with sources 10.. ; destination 1:
    // speakers (line 2) with an aux source (line 30) and wave out (line 31).
    FakeMixer(int inputs, uint32_t selectType) {
        AddLine(1, kMixerDstWaveIn, 0, 0, "Recording");
        lines[1].nConnections = uint32_t(inputs);
        AddControl(1, kMixerCtlVolume);
        AddControl(1, kMixerCtlMute);
        AddControl(1, kMixerCtlOnOff);
        uint32_t sel = AddControl(1, selectType, uint32_t(inputs));
        for (int i = 0; i < inputs; ++i) {
            uint32_t id = AddLine(10 + uint32_t(i), 0x1003, 0, uint32_t(i), ("Input " + std::to_string(i)).c_str());
            AddControl(id, kMixerCtlVolume);
            AddControl(id, kMixerCtlMute);
        }
        // The list names the inputs in another order than the lines.
        for (int i = inputs - 1; i >= 0; --i) listLines[sel].push_back(10 + uint32_t(i));
        AddLine(2, kMixerDstSpeakers, 1, 0, "Speakers");
        lines[2].nConnections = 2;
        AddControl(2, kMixerCtlFader);
        AddControl(2, kMixerCtlMute);
        AddControl(2, kMixerCtlOnOff);
        AddLine(30, 0x1004, 1, 0, "CD Audio");
        AddControl(30, kMixerCtlVolume);
        AddControl(30, kMixerCtlMute);
        AddControl(30, kMixerCtlOnOff);
        AddLine(31, kMixerSrcWaveOut, 1, 1, "Wave");
        AddControl(31, kMixerCtlVolume);
        AddControl(31, kMixerCtlMute);
        AddControl(31, kMixerCtlOnOff);
    }

    bool GetDestination(uint32_t type, LMixerLine& line) override {
        for (auto& [id, l] : lines)
            if (l.dwComponentType == type && (id == 1 || id == 2)) {
                line = l;
                return true;
            }
        return false;
    }
    bool GetSource(const LMixerLine& dest, uint32_t index, LMixerLine& line) override {
        for (auto& [id, l] : lines)
            if (id >= 10 && l.nDestination == dest.nDestination && l.nSource == index) {
                line = l;
                return true;
            }
        return false;
    }
    bool GetSourceByType(uint32_t type, LMixerLine& line) override {
        for (auto& [id, l] : lines)
            if (id >= 10 && l.dwComponentType == type) {
                line = l;
                return true;
            }
        return false;
    }
    bool GetControls(const LMixerLine& line, std::vector<LMixerControl>& out) override {
        out.clear();
        for (uint32_t id : owned[line.dwLineID]) out.push_back(controls[id].c);
        return true;
    }
    bool GetListLines(const LMixerControl& c, std::vector<uint32_t>& ids) override {
        if (!listReadable) return false;
        ids = listLines[c.dwControlID];
        return true;
    }
    void SetUnsigned(const LMixerControl& c, uint32_t v) override {
        controls[c.dwControlID].value = v;
        controls[c.dwControlID].sets++;
    }
    void SetBoolean(const LMixerControl& c, bool v) override {
        controls[c.dwControlID].value = v;
        controls[c.dwControlID].sets++;
    }
    void SetList(const LMixerControl& c, const std::vector<bool>& s) override {
        controls[c.dwControlID].list = s;
        controls[c.dwControlID].sets++;
    }
};

TEST(MixerRules, SelectingAMuxInputLeavesTheOthersSilentAndMuted) {
    FakeMixer m(4, kMixerCtlMux);
    LMixerRules::SetInputChannel(m, 2, -6);
    EXPECT_EQ(m.Of(1, kMixerCtlVolume).value, 42720);
    EXPECT_EQ(m.Of(1, kMixerCtlMute).value, 0);
    EXPECT_EQ(m.Of(1, kMixerCtlOnOff).value, 1);
    // Item order is the list's (inputs 3, 2, 1, 0): input 2 is item 1.
    EXPECT_EQ(m.Of(1, kMixerCtlMux).list, (std::vector<bool>{false, true, false, false}));
    for (uint32_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(m.Of(10 + i, kMixerCtlVolume).value, i == 2 ? 42720 : 0);
        EXPECT_EQ(m.Of(10 + i, kMixerCtlMute).value, i == 2 ? 0 : 1);
    }
    // Nothing on the playback side moved.
    EXPECT_EQ(m.Of(2, kMixerCtlFader).sets, 0);
    EXPECT_EQ(m.Of(31, kMixerCtlVolume).sets, 0);
}

TEST(MixerRules, AnUnreadableMuxListSelectsByPosition) {
    FakeMixer m(4, kMixerCtlMux);
    m.listReadable = false;
    LMixerRules::SetInputChannel(m, 2, 0);
    EXPECT_EQ(m.Of(1, kMixerCtlMux).list, (std::vector<bool>{false, false, true, false}));
    EXPECT_EQ(m.Of(12, kMixerCtlVolume).value, 51264);
}

TEST(MixerRules, AMixerTypeControlEnablesEveryInputButOnlyTheChosenHasVolume) {
    FakeMixer m(3, kMixerCtlMixer);
    LMixerRules::SetInputChannel(m, 0, 3);
    EXPECT_EQ(m.Of(1, kMixerCtlMixer).list, (std::vector<bool>{true, true, true}));
    EXPECT_EQ(m.Of(10, kMixerCtlVolume).value, MixerLevel(3));
    EXPECT_EQ(m.Of(11, kMixerCtlVolume).value, 0);
    EXPECT_EQ(m.Of(12, kMixerCtlVolume).value, 0);
    EXPECT_EQ(m.Of(11, kMixerCtlMute).value, 1);
}

TEST(MixerRules, LeavingTheInputsToTheSystemMixerChangesNothing) {
    FakeMixer m(2, kMixerCtlMux);
    LMixerRules::SetInputChannel(m, -1, 0);
    for (auto& [id, c] : m.controls) EXPECT_EQ(c.sets, 0) << id;
}

TEST(MixerRules, OutputVolumeSetsSpeakersAndWaveWithTheOffset) {
    FakeMixer m(1, kMixerCtlMux);
    LMixerRules::SetOutputVolume(m, -10, 0);
    EXPECT_EQ(m.Of(2, kMixerCtlFader).value, 51264);
    EXPECT_EQ(m.Of(2, kMixerCtlMute).value, 0);
    EXPECT_EQ(m.Of(2, kMixerCtlOnOff).sets, 0);  // the destination's switch is left alone
    EXPECT_EQ(m.Of(31, kMixerCtlVolume).value, MixerLevel(-10));
    EXPECT_EQ(m.Of(31, kMixerCtlMute).value, 0);
    EXPECT_EQ(m.Of(31, kMixerCtlOnOff).value, 1);
    EXPECT_EQ(m.Of(30, kMixerCtlVolume).sets, 0);  // the aux line is not the wave line

    // The sum is clamped before it is mapped.
    LMixerRules::SetOutputVolume(m, 100, 100);
    EXPECT_EQ(m.Of(31, kMixerCtlVolume).value, 65535);
    LMixerRules::SetOutputVolume(m, -100, -100);
    EXPECT_EQ(m.Of(31, kMixerCtlVolume).value, 0);
    EXPECT_EQ(m.Of(2, kMixerCtlFader).value, 0);
}

TEST(MixerRules, AuxVolumeAndNamesAndCounts) {
    FakeMixer m(3, kMixerCtlMux);
    LMixerRules::SetOutChannelAuxVolume(m, 0, -36);
    EXPECT_EQ(m.Of(30, kMixerCtlVolume).value, 0);
    EXPECT_EQ(m.Of(30, kMixerCtlMute).value, 0);
    EXPECT_EQ(m.Of(30, kMixerCtlOnOff).value, 1);

    EXPECT_EQ(LMixerRules::GetInputChannelCount(m), 3);
    EXPECT_EQ(LMixerRules::GetOutChannelAuxCount(m), 2);
    char name[kMixerNameChars];
    LMixerRules::GetInputChannelName(m, -1, name);
    EXPECT_STREQ(name, "Windows Record Mixer");
    LMixerRules::GetInputChannelName(m, 1, name);
    EXPECT_STREQ(name, "Input 1");
    LMixerRules::GetInputChannelName(m, 3, name);  // not below the count
    EXPECT_STREQ(name, "");
    LMixerRules::GetOutChannelAuxName(m, 1, name);
    EXPECT_STREQ(name, "Wave");
    LMixerRules::GetOutChannelAuxName(m, -1, name);
    EXPECT_STREQ(name, "");

    FakeMixer many(200, kMixerCtlMux);
    EXPECT_EQ(LMixerRules::GetInputChannelCount(many), 127);
}

}  // namespace
}  // namespace sondrel
