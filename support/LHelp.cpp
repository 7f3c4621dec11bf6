#include "support/LHelp.h"

#include "support/LFile.h"

namespace sondrel {

namespace {
constexpr LHelpTopic kTopics[] = {
    {IDH_CONTENTS, "index.html"},
    {IDH_NEW_FILE, "new-file.html"},
    {IDH_EDITS, "edit-dialogs.html"},
    {IDH_EFFECTS, "effects.html"},
    {IDH_RECORDING, "recording.html"},
    {IDH_CD_TRACKS, "cd-tracks.html"},
    {IDH_SETTINGS_GENERAL, "settings-general.html"},
    {IDH_SETTINGS_AUDIO, "settings-audio.html"},
    {IDH_SAMPLE_RATE, "sample-rates.html"},
};

LHelpOpener* gOpener = nullptr;
std::string& Folder() {
    static std::string folder;
    return folder;
}
}  // namespace

const LHelpTopic* HelpTopics(size_t* count) {
    if (count) *count = sizeof kTopics / sizeof kTopics[0];
    return kTopics;
}

const char* HelpPage(int context) {
    for (const LHelpTopic& t : kTopics)
        if (t.nContext == context) return t.szPage;
    return kTopics[0].szPage;
}

void SetHelpOpener(LHelpOpener* opener) { gOpener = opener; }
void SetManualFolder(const std::string& folder) { Folder() = folder; }
const std::string& ManualFolder() { return Folder(); }

bool ShowHelp(int context) { return ShowManualPage(HelpPage(context)); }

bool ShowManualPage(const char* page) {
    if (!gOpener || !page) return false;
    return gOpener->OpenPage(JoinPath(Folder(), page));
}

}  // namespace sondrel
