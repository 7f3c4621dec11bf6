#include "ui/LSampleRateDialog.h"

#include <string>
#include <vector>

#include "effects/LEffectParams.h"
#include "support/LHelp.h"
#include "support/LResourceIds.h"
#include "support/LSettings.h"

namespace sondrel {

namespace {

constexpr int kNewFileTemplate = 12, kConvertTemplate = 14, kVoxTemplate = 15;

int TemplateOf(LSampleRateDialogKind kind) {
    switch (kind) {
        case LSampleRateDialogKind::kConvert: return kConvertTemplate;
        case LSampleRateDialogKind::kVox: return kVoxTemplate;
        default: return kNewFileTemplate;
    }
}

int HelpOf(LSampleRateDialogKind kind) {
    return kind == LSampleRateDialogKind::kNewFile || kind == LSampleRateDialogKind::kSetDefaults ? IDH_NEW_FILE
                                                                                                   : IDH_SAMPLE_RATE;
}

const char* RateKey(LSampleRateDialogKind kind) {
    return kind == LSampleRateDialogKind::kSetDefaults ? "DefaultSampleRate" : "SelectedSampleRate";
}
const char* ChannelsKey(LSampleRateDialogKind kind) {
    return kind == LSampleRateDialogKind::kSetDefaults ? "DefaultChannels" : "SelectedChannels";
}
bool HasChannels(LSampleRateDialogKind kind) {
    return kind == LSampleRateDialogKind::kNewFile || kind == LSampleRateDialogKind::kSetDefaults;
}

}  // namespace

LSDSampleRateDialog::LSDSampleRateDialog(LSampleRateDialogKind kind, int32_t* rate)
    : LSDDialog(TemplateOf(kind), HelpOf(kind)), kind(kind), pRate(rate) {
    if (HasChannels(kind)) {
        nRate = ReadInt("Settings", RateKey(kind), 44100);
        nChans = ReadInt("Settings", ChannelsKey(kind), 1);
    } else if (kind == LSampleRateDialogKind::kVox) {
        nRate = ReadInt("Settings", "VoxSelectedSampleRate", 8000);
    } else if (pRate) {
        nRate = *pRate;
    }
}

void LSDSampleRateDialog::InitDialog() {
    switch (kind) {
        case LSampleRateDialogKind::kNewFile: View().SetCaption("New File"); break;
        case LSampleRateDialogKind::kSetDefaults: View().SetCaption("Set Defaults"); break;
        case LSampleRateDialogKind::kConvert: View().SetCaption("Convert Sample Rate"); break;
        case LSampleRateDialogKind::kVox: View().SetCaption("Vox Files Sample Rate"); break;
    }
    std::vector<std::string> rates;
    for (int32_t r : kOfferedSampleRates) rates.push_back(std::to_string(r));
    View().FillCombo(IDC_SAMPLE_RATE, rates);
    View().SetText(IDC_SAMPLE_RATE, std::to_string(nRate));
    if (HasChannels(kind)) {
        View().SetChecked(IDC_MONO, nChans == 1);
        View().SetChecked(IDC_STEREO, nChans != 1);
    }
}

bool LSDSampleRateDialog::CmOk() {
    int32_t rate = 0;
    // A text that is no number is no rate between the limits either.
    bool number = ParseWholeNumber(View().GetText(IDC_SAMPLE_RATE), rate);
    LParamCheck check = CheckSampleRate(number ? rate : 0);
    if (!check.bOk) {
        Refuse(IDC_SAMPLE_RATE, check.szMessage, check.szCaption, check.bStopIcon);
        return false;
    }
    nRate = rate;
    if (HasChannels(kind)) {
        nChans = View().IsChecked(IDC_MONO) ? 1 : 2;
        WriteInt("Settings", RateKey(kind), nRate);
        WriteInt("Settings", ChannelsKey(kind), nChans);
    } else if (kind == LSampleRateDialogKind::kVox) {
        WriteInt("Settings", "VoxSelectedSampleRate", nRate);
    } else if (pRate) {
        *pRate = nRate;
    }
    return true;
}

}  // namespace sondrel
