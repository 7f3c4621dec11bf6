#include "ui/LSettingsPages.h"

#include <algorithm>
#include <cstdio>

#include "support/LSettings.h"

namespace sondrel {

namespace {
struct RunKey {
    int id;
    const char* key;
    const char* extension;
};
constexpr RunKey kRunKeys[] = {
    {general_page::kRunWav, "DefaultRunWav", ".wav"},
    {general_page::kRunMp3, "DefaultRunMp3", ".mp3"},
    {general_page::kRunGsm, "DefaultRunGsm", ".gsm"},
    {general_page::kRunVox, "DefaultRunVox", ".vox"},
};
constexpr int kFileTypeMax = 259;  // a file type tag fills at most a 260-byte buffer
}  // namespace

std::string VerbCommand(const std::string& programPath, const char* placeholder) {
    // Quoted: the program folder usually holds blanks ("C:\Program Files\...").
    return "\"" + programPath + "\" \"" + placeholder + "\"";
}

bool SetKey(LRegistry& reg, const char* extension, const std::string& programPath) {
    std::string tag;
    if (!reg.ReadString(LRegRoot::kClassesRoot, extension, nullptr, tag) || tag.empty() ||
        tag.size() > size_t(kFileTypeMax))
        return false;  // no file type to attach the verb to
    bool ok = WriteClassesString(reg, tag + "\\Shell\\Open\\Command", nullptr, VerbCommand(programPath, "%L"));
    ok = WriteClassesString(reg, tag + "\\Shell\\Open", nullptr, "&Edit") && ok;
    ok = WriteClassesString(reg, tag + "\\Shell", nullptr, "Open") && ok;
    return ok;
}

void LGeneralPage::InitDialog() {
    using namespace general_page;
    for (const RunKey& k : kRunKeys) ctl.Check(k.id, ReadBool("Settings", k.key, true));
    bool prompt = ReadBool("Settings", "PromptSampleAndChannels", true);
    ctl.Check(kPromptRate, prompt);
    ctl.Check(kDefaultRate, !prompt);
    bool voxPrompt = ReadBool("Settings", "VoxPromptSampleRate", true);
    ctl.Check(kVoxPrompt, voxPrompt);
    ctl.Check(kVoxDefault, !voxPrompt);
    char rate[16];
    std::snprintf(rate, sizeof rate, "%d", int(ReadInt("Settings", "VoxDefaultSampleRate", 8000)));
    ctl.SetText(kVoxRate, rate);
    ctl.Check(kPlayWhenOpen, ReadBool("Settings", "PlayWhenOpen", true));
    EnableControls();
}

void LGeneralPage::EnableControls() {
    using namespace general_page;
    ctl.Enable(kSetDefaults, ctl.IsChecked(kDefaultRate));
    ctl.Enable(kVoxRate, ctl.IsChecked(kVoxDefault));
}

bool LGeneralPage::Clicked(int id) {
    using namespace general_page;
    if (id == kSetDefaults) return true;
    if (id == kPromptRate || id == kDefaultRate || id == kVoxPrompt || id == kVoxDefault) EnableControls();
    return false;
}

void LGeneralPage::CmOk() {
    using namespace general_page;
    for (const RunKey& k : kRunKeys) {
        bool on = ctl.IsChecked(k.id);
        WriteBool("Settings", k.key, on);
        if (on) SetKey(registry, k.extension, szProgramPath);
    }
    WriteBool("Settings", "PromptSampleAndChannels", ctl.IsChecked(kPromptRate));
    WriteBool("Settings", "VoxPromptSampleRate", ctl.IsChecked(kVoxPrompt));
    WriteInt("Settings", "VoxDefaultSampleRate", LeadingInt(ctl.Text(kVoxRate)));
    WriteBool("Settings", "PlayWhenOpen", ctl.IsChecked(kPlayWhenOpen));
}

void LAudioProcessPage::InitDialog(const std::vector<std::string>& deviceNames) {
    using namespace audio_page;
    int n = std::min(int(deviceNames.size()), kMaxDevices);
    for (int i = 0; i < n; ++i) ctl.AddListItem(kPlayDevice, deviceNames[size_t(i)]);
    if (n > 0) ctl.SelectListItem(kPlayDevice, 0);
    ctl.Check(kAutoPlayback, ReadBool("Settings", "AutoPlaybackAfterEffects", true));
    ctl.SetDbRange(kTrimThreshold, kTrimMin, kTrimMax);
    ctl.SetDbValue(kTrimThreshold, std::clamp(ReadInt("Settings", "AutoTrimThreshold", -24), -127, 127));
}

void LAudioProcessPage::CmOk() {
    using namespace audio_page;
    WriteBool("Settings", "AutoPlaybackAfterEffects", ctl.IsChecked(kAutoPlayback));
    // The slider keeps its value in range; a value typed past an end counts
    // as that end (-3 is stored as -6).
    WriteInt("Settings", "AutoTrimThreshold", std::clamp(ctl.DbValue(kTrimThreshold), kTrimMin, kTrimMax));
}

}  // namespace sondrel
