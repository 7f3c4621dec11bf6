// The frame of the tests that run the editor's document commands: a scratch
// folder holding the cut tank, an in-memory settings store, and the open
// documents over a scripted host. Each test gets its own folder.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "document/LAudioCutTank.h"
#include "document/LDocuments.h"
#include "support/LFile.h"
#include "support/LSettings.h"
#include "support/ScriptedHost.h"
#include "support/TestUtil.h"

namespace sondrel::test {

class DocumentFixture : public ::testing::Test {
protected:
    void SetUp() override {
        dir = ScratchDir(::testing::UnitTest::GetInstance()->current_test_info()->test_suite_name());
        std::filesystem::create_directories(JoinPath(dir, "tank"));
        tank = std::make_unique<LCutTankScope>(JoinPath(dir, "tank"));
        SetSettingsStore(&settings);
    }
    void TearDown() override {
        docs.reset();
        tank.reset();
        SetSettingsStore(nullptr);
    }

    // A cut list holding exactly these interleaved samples, in one new segment.
    static LCutListAudio List(const std::vector<int32_t>& samples, uint32_t chans, int32_t rate) {
        LCutListAudio list(rate, uint8_t(chans));
        {
            LSoundSinkPtr sink = CreateSink(list, rate, chans);
            const int32_t frames = int32_t(samples.size() / chans);
            for (int32_t i = 0; i < frames; i += 8192)
                sink->Write(samples.data() + size_t(i) * chans, std::min(8192, frames - i));
        }
        return list;
    }
    static std::vector<int32_t> Samples(const LCutListAudio& a) {
        LSoundSourcePtr s = CreateSource(a);
        return ReadAll(*s);
    }

    std::string dir;
    LMemorySettings settings;
    std::unique_ptr<LCutTankScope> tank;
    ScriptedHost host;
    std::unique_ptr<LDocuments> docs = std::make_unique<LDocuments>(host);
};

}  // namespace sondrel::test
