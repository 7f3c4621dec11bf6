// Mail sending through a double of the mail system, and the "Send..."
// command over documents with a scripted host.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "document/LDocuments.h"
#include "formats/LWaveFile.h"
#include "support/LFile.h"
#include "support/LMail.h"
#include "support/ScriptedHost.h"
#include "support/TestUtil.h"
#include "ui/LSendCommand.h"

using namespace sondrel;

namespace {

struct MailDouble : LMailSystem {
    std::string profile = "1";
    bool loads = true, hasFunction = true;
    uint32_t result = 0;
    int loaded = 0, unloaded = 0;
    struct Call {
        std::string delimiter, paths, names;
    };
    std::vector<Call> calls;

    std::string ProfileMapiEntry() override { return profile; }
    bool Load() override {
        loaded += loads;
        return loads;
    }
    bool FindSendDocuments() override { return hasFunction; }
    uint32_t SendDocuments(const char* d, const std::string& p, const std::string& n) override {
        calls.push_back({d, p, n});
        return result;
    }
    void Unload() override { ++unloaded; }
};

TEST(Mail, SendsThePathAndNameOrSaysWhyNot) {
    struct Case {
        const char* what;
        std::string profile;
        bool loads, hasFunction;
        uint32_t result;
        LMailResult expected;
        bool called, toldUser;
    };
    for (const Case& c : {
             Case{"sent", "1", true, true, 0, LMailResult::kSent, true, false},
             Case{"profile says no MAPI", "0", true, true, 0, LMailResult::kNoMailSystem, false, true},
             Case{"profile entry empty", "", true, true, 0, LMailResult::kNoMailSystem, false, true},
             Case{"profile entry holds a 1", "01", true, true, 0, LMailResult::kSent, true, false},
             Case{"library missing", "1", false, true, 0, LMailResult::kNoLibrary, false, true},
             Case{"function missing", "1", true, false, 0, LMailResult::kNoFunction, false, true},
             Case{"user closed the mail window", "1", true, true, 1, LMailResult::kUserCancelled, true, false},
             Case{"mail program refused", "1", true, true, 2, LMailResult::kRefused, true, true},
         }) {
        MailDouble mail;
        mail.profile = c.profile;
        mail.loads = c.loads;
        mail.hasFunction = c.hasFunction;
        mail.result = c.result;
        std::string path = "C:\\Takes\\a;b\\take 1.wav";
        LMailResult r = SendMAPIDocument(mail, path);
        EXPECT_EQ(r, c.expected) << c.what;
        ASSERT_EQ(mail.calls.size(), c.called ? 1u : 0u) << c.what;
        if (c.called) {
            // The whole path, ";" and all, and its file name, with a delimiter
            // no path can hold.
            EXPECT_EQ(mail.calls[0].paths, path);
            EXPECT_EQ(mail.calls[0].names, "take 1.wav");
            EXPECT_EQ(mail.calls[0].delimiter, "|");
        }
        EXPECT_EQ(mail.loaded, mail.unloaded) << c.what << ": the library stays loaded";
        std::string text = MailResultText(r, "take 1.wav");
        EXPECT_EQ(!text.empty(), c.toldUser) << c.what;
    }
}

class Send : public ::testing::Test {
protected:
    void SetUp() override {
        dir = test::ScratchDir("send");
        std::filesystem::create_directories(JoinPath(dir, "tank"));
        tank = std::make_unique<LCutTankScope>(JoinPath(dir, "tank"));
        SetSettingsStore(&settings);
        path = JoinPath(dir, "take.wav");
        LSoundSinkPtr sink = LWaveFile::OpenSinkPCM(path.c_str(), 8000, 0, 16, 1);
        std::vector<int32_t> ramp(800);
        for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = int32_t(i) * 16;
        sink->Write(ramp.data(), int32_t(ramp.size()));
        sink.Reset();
    }
    void TearDown() override {
        docs.reset();
        SetSettingsStore(nullptr);
    }
    std::vector<uint8_t> OnDisk(const std::string& p) {
        std::vector<uint8_t> v;
        LFile::ReadAll(p.c_str(), v);
        return v;
    }
    bool Run() {
        return CmSend(*docs, mail, [this](const std::string& t) { told.push_back(t); });
    }
    // Makes the current document differ from its file.
    void Modify() {
        docs->StartModifyCurrentFile("Trim");
        docs->Current()->audio.EfTrim(0, 400);
    }

    std::string dir, path;
    LMemorySettings settings;
    std::unique_ptr<LCutTankScope> tank;
    test::ScriptedHost host;
    std::unique_ptr<LDocuments> docs = std::make_unique<LDocuments>(host);
    MailDouble mail;
    std::vector<std::string> told;
};

TEST_F(Send, NothingWithoutADocument) {
    EXPECT_FALSE(Run());
    EXPECT_TRUE(mail.calls.empty());
    EXPECT_TRUE(told.empty());
}

TEST_F(Send, ASavedDocumentGoesAsItIs) {
    ASSERT_TRUE(docs->LoadFile(path));
    EXPECT_TRUE(Run());
    EXPECT_GE(host.stops, 1);
    EXPECT_TRUE(host.asked.empty());
    ASSERT_EQ(mail.calls.size(), 1u);
    EXPECT_EQ(mail.calls[0].paths, path);
    EXPECT_EQ(mail.calls[0].names, "take.wav");
}

TEST_F(Send, AModifiedDocumentIsOfferedForSavingFirst) {
    ASSERT_TRUE(docs->LoadFile(path));
    auto original = OnDisk(path);
    Modify();

    host.answers = {LDocumentHost::kCancel};
    EXPECT_FALSE(Run());
    EXPECT_EQ(host.asked, std::vector<std::string>{"Save changes to \"take.wav\"?"});
    EXPECT_TRUE(mail.calls.empty());
    EXPECT_EQ(OnDisk(path), original);

    host.answers = {LDocumentHost::kNo};
    EXPECT_TRUE(Run());
    ASSERT_EQ(mail.calls.size(), 1u);
    EXPECT_EQ(OnDisk(path), original);  // sent as it is on disk
    EXPECT_TRUE(docs->Current()->bDirty);

    host.answers = {LDocumentHost::kYes};
    EXPECT_TRUE(Run());
    ASSERT_EQ(mail.calls.size(), 2u);
    EXPECT_LT(OnDisk(path).size(), original.size());  // the trimmed audio was saved before sending
    EXPECT_FALSE(docs->Current()->bDirty);
}

TEST_F(Send, AnUntitledDocumentIsSavedAsFirst) {
    ASSERT_TRUE(docs->LoadFile(path));
    docs->AddUntitled(docs->Current()->audio);
    // Cancel in the save dialog sends nothing.
    EXPECT_FALSE(Run());
    EXPECT_TRUE(mail.calls.empty());

    std::string saved = JoinPath(dir, "new take.wav");
    host.savePaths = {saved};
    EXPECT_TRUE(Run());
    ASSERT_EQ(mail.calls.size(), 1u);
    EXPECT_EQ(mail.calls[0].paths, saved);
    EXPECT_TRUE(LFile::Exists(saved.c_str()));
}

TEST_F(Send, MailFailuresAreToldToTheUser) {
    ASSERT_TRUE(docs->LoadFile(path));
    mail.profile = "0";
    EXPECT_FALSE(Run());
    mail.profile = "1";
    mail.loads = false;
    EXPECT_FALSE(Run());
    mail.loads = true;
    mail.result = 3;
    EXPECT_FALSE(Run());
    ASSERT_EQ(told.size(), 3u);
    EXPECT_NE(told[1].find("MAPI32.DLL"), std::string::npos);
    EXPECT_NE(told[2].find("take.wav"), std::string::npos);
}

}  // namespace
