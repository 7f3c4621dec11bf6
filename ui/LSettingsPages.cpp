#include "ui/LSettingsPages.h"

#include <algorithm>
#include <cstdio>

#include "document/LSDLoadFile.h"
#include "document/LUndoHistory.h"
#include "support/LSettings.h"

namespace sondrel {

namespace {
struct RunKey {
    int id;
    const char* key;
    const char* extension;
};
constexpr RunKey kRunKeys[] = {
    {IDC_GENERAL_WAV, "DefaultRunWav", ".wav"},
    {IDC_GENERAL_MP3, "DefaultRunMp3", ".mp3"},
    {IDC_GENERAL_GSM, "DefaultRunGsm", ".gsm"},
    {IDC_GENERAL_VOX, "DefaultRunVox", ".vox"},
};

// The history's two limits, kept as the document reads them.
constexpr LEncoderOption kUndoLevelsOption{"UndoLevels", int32_t(kDefaultUndoLevels), int32_t(kMinUndoLevels),
                                           int32_t(kMaxUndoLevels)};
constexpr LEncoderOption kUndoDiskOption{"UndoDiskMB", 0, 0, int32_t(kMaxUndoDiskMB)};

// The numeric options and the edits that show them.
struct EncoderEdit {
    int id;
    const LEncoderOption& option;
};
const EncoderEdit kEncoderEdits[] = {
    {IDC_AUDIO_FLAC_LEVEL, kFlacLevelOption},
    {IDC_AUDIO_VORBIS_QUALITY, kVorbisQualityOption},
    {IDC_AUDIO_OPUS_BITRATE, kOpusBitRateOption},
    {IDC_AUDIO_UNDO_LEVELS, kUndoLevelsOption},
    {IDC_AUDIO_UNDO_DISK, kUndoDiskOption},
};
}  // namespace

void LGeneralPage::InitDialog() {
    for (const RunKey& k : kRunKeys) ctl.Check(k.id, ReadBool("Settings", k.key, true));
    bool prompt = ReadBool("Settings", "PromptSampleAndChannels", true);
    ctl.Check(IDC_GENERAL_PROMPT_FORMAT, prompt);
    ctl.Check(IDC_GENERAL_DEFAULT_FORMAT, !prompt);
    bool voxPrompt = ReadBool("Settings", "VoxPromptSampleRate", true);
    ctl.Check(IDC_GENERAL_VOX_PROMPT, voxPrompt);
    ctl.Check(IDC_GENERAL_VOX_DEFAULT, !voxPrompt);
    char rate[16];
    std::snprintf(rate, sizeof rate, "%d", int(ReadInt("Settings", "VoxDefaultSampleRate", 8000)));
    ctl.SetText(IDC_GENERAL_VOX_RATE, rate);
    ctl.Check(IDC_GENERAL_PLAY_WHEN_OPEN, ReadBool("Settings", "PlayWhenOpen", true));
    EnableControls();
}

void LGeneralPage::EnableControls() {
    ctl.Enable(IDC_GENERAL_SET_DEFAULTS, ctl.IsChecked(IDC_GENERAL_DEFAULT_FORMAT));
    ctl.Enable(IDC_GENERAL_VOX_RATE, ctl.IsChecked(IDC_GENERAL_VOX_DEFAULT));
}

bool LGeneralPage::Clicked(int id) {
    if (id == IDC_GENERAL_SET_DEFAULTS) return true;
    if (id == IDC_GENERAL_PROMPT_FORMAT || id == IDC_GENERAL_DEFAULT_FORMAT || id == IDC_GENERAL_VOX_PROMPT ||
        id == IDC_GENERAL_VOX_DEFAULT)
        EnableControls();
    return false;
}

void LGeneralPage::CmOk() {
    for (const RunKey& k : kRunKeys) {
        bool on = ctl.IsChecked(k.id);
        WriteBool("Settings", k.key, on);
        if (on) SetKey(registry, k.extension, szProgramPath);
    }
    WriteBool("Settings", "PromptSampleAndChannels", ctl.IsChecked(IDC_GENERAL_PROMPT_FORMAT));
    WriteBool("Settings", "VoxPromptSampleRate", ctl.IsChecked(IDC_GENERAL_VOX_PROMPT));
    WriteInt("Settings", "VoxDefaultSampleRate", LeadingInt(ctl.Text(IDC_GENERAL_VOX_RATE)));
    WriteBool("Settings", "PlayWhenOpen", ctl.IsChecked(IDC_GENERAL_PLAY_WHEN_OPEN));
}

void LAudioProcessPage::InitDialog(const std::vector<std::string>& deviceNames) {
    using namespace audio_page;
    int n = std::min(int(deviceNames.size()), kMaxDevices);
    for (int i = 0; i < n; ++i) ctl.AddListItem(IDC_AUDIO_DEVICE, deviceNames[size_t(i)]);
    if (n > 0) ctl.SelectListItem(IDC_AUDIO_DEVICE, 0);
    ctl.Check(IDC_AUDIO_AUTOPLAY, ReadBool("Settings", "AutoPlaybackAfterEffects", true));
    ctl.SetDbRange(IDC_AUDIO_AUTOTRIM_THRESHOLD, kTrimMin, kTrimMax);
    ctl.SetDbValue(IDC_AUDIO_AUTOTRIM_THRESHOLD, std::clamp(ReadInt("Settings", "AutoTrimThreshold", -24), -127, 127));
    for (const EncoderEdit& e : kEncoderEdits) ctl.SetText(e.id, std::to_string(ReadEncoderOption(e.option)));
}

void LAudioProcessPage::CmOk() {
    using namespace audio_page;
    WriteBool("Settings", "AutoPlaybackAfterEffects", ctl.IsChecked(IDC_AUDIO_AUTOPLAY));
    // The slider keeps its value in range; a value typed past an end counts
    // as that end (-3 is stored as -6).
    WriteInt("Settings", "AutoTrimThreshold",
             std::clamp(ctl.DbValue(IDC_AUDIO_AUTOTRIM_THRESHOLD), kTrimMin, kTrimMax));
    // A value past an end of its range counts as that end; one that is not
    // a number leaves the option as it was.
    for (const EncoderEdit& e : kEncoderEdits) {
        std::string text = ctl.Text(e.id);
        if (text.empty() || !((text[0] >= '0' && text[0] <= '9') || text[0] == '-')) continue;
        WriteInt("Settings", e.option.szKey, std::clamp(LeadingInt(text), e.option.nMin, e.option.nMax));
    }
}

}  // namespace sondrel
