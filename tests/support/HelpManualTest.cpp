// Help contexts and the built manual: every context used by a dialog or page
// opens a page that exists, and the pages link only to each other, to pages
// and headings that exist.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "support/LFile.h"
#include "support/LHelp.h"
#include "support/LResourceIds.h"

using namespace sondrel;
namespace fs = std::filesystem;

namespace {

std::string ManualDir() {
    std::string d = SONDREL_MANUAL_DIR;
#ifdef _WIN32
    if (!d.empty() && d[0] == '/') d = "Z:" + d;
#endif
    return d;
}

std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

struct RecordingOpener : LHelpOpener {
    std::vector<std::string> opened;
    bool OpenPage(const std::string& path) override {
        opened.push_back(path);
        return true;
    }
};

TEST(Help, EveryContextOpensAPageOfTheManual) {
    size_t n = 0;
    const LHelpTopic* topics = HelpTopics(&n);
    std::set<int> contexts;
    for (size_t i = 0; i < n; ++i) {
        contexts.insert(topics[i].nContext);
        EXPECT_TRUE(fs::is_regular_file(fs::path(ManualDir()) / topics[i].szPage))
            << "context " << topics[i].nContext << ": " << topics[i].szPage << " is not in the manual";
    }
    // The contents and every context the dialogs and pages use.
    for (int used : {IDH_CONTENTS, IDH_NEW_FILE, IDH_EDITS, IDH_EFFECTS, IDH_RECORDING, IDH_CD_TRACKS,
                     IDH_SETTINGS_GENERAL, IDH_SETTINGS_AUDIO, IDH_SAMPLE_RATE})
        EXPECT_TRUE(contexts.count(used)) << "context " << used << " has no page";
    EXPECT_STREQ(HelpPage(IDH_CONTENTS), "index.html");
    EXPECT_STREQ(HelpPage(9999), "index.html");

    RecordingOpener opener;
    SetManualFolder("Manual");
    EXPECT_FALSE(ShowHelp(IDH_EFFECTS));  // no opener yet
    SetHelpOpener(&opener);
    EXPECT_TRUE(ShowHelp(IDH_EFFECTS));
    EXPECT_TRUE(ShowHelp(IDH_CONTENTS));
    SetHelpOpener(nullptr);
    EXPECT_EQ(opener.opened, (std::vector<std::string>{JoinPath("Manual", "effects.html"), JoinPath("Manual", "index.html")}));
}

TEST(Help, ManualPagesHaveNoBrokenOrOutsideLinks) {
    std::map<std::string, std::set<std::string>> ids;  // page -> its ids
    std::map<std::string, std::string> text;
    for (auto& e : fs::directory_iterator(ManualDir())) {
        if (e.path().extension() != ".html") continue;
        std::string name = e.path().filename().string();
        text[name] = Slurp(e.path());
        std::regex id(R"re(\bid="([^"]+)")re");
        for (std::sregex_iterator it(text[name].begin(), text[name].end(), id), end; it != end; ++it)
            ids[name].insert((*it)[1]);
    }
    ASSERT_GE(text.size(), 9u);
    std::set<std::string> linkedFromContents;
    std::regex link(R"re(\b(?:href|src)="([^"]*)")re");
    for (const auto& [page, html] : text) {
        for (std::sregex_iterator it(html.begin(), html.end(), link), end; it != end; ++it) {
            std::string target = (*it)[1];
            EXPECT_EQ(target.find(':'), std::string::npos) << page << " links outside the manual: " << target;
            EXPECT_NE(target.rfind("//", 0), 0u) << page << ": " << target;
            size_t hash = target.find('#');
            std::string file = target.substr(0, hash), frag = hash == std::string::npos ? "" : target.substr(hash + 1);
            if (file.empty()) file = page;
            EXPECT_TRUE(fs::exists(fs::path(ManualDir()) / file)) << page << " links to a missing " << file;
            if (!frag.empty()) {
                EXPECT_TRUE(ids[file].count(frag)) << page << " links to a missing heading " << target;
            }
            if (page == "index.html") linkedFromContents.insert(file);
        }
    }
    for (const auto& [page, html] : text)
        EXPECT_TRUE(page == "index.html" || linkedFromContents.count(page)) << page << " is not in the contents";
}

}  // namespace
