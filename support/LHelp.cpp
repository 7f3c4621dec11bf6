#include "support/LHelp.h"

#include "support/LFile.h"

namespace sondrel {

namespace {
constexpr LHelpTopic kTopics[] = {
    {kHelpContents, "index.html"},
    {kHelpNewFile, "new-file.html"},
    {kHelpEditDialogs, "edit-dialogs.html"},
    {kHelpEffects, "effects.html"},
    {kHelpRecording, "recording.html"},
    {kHelpCDTracks, "cd-tracks.html"},
    {kHelpGeneralSettings, "settings-general.html"},
    {kHelpAudioSettings, "settings-audio.html"},
    {kHelpSampleRates, "sample-rates.html"},
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
