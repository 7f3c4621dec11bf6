#include "ui/LDialogModel.h"

#include <climits>

#include "support/LHelp.h"
#include "support/LResourceIds.h"

namespace sondrel {

bool ParseWholeNumber(const std::string& text, int32_t& value) {
    size_t b = text.find_first_not_of(" \t");
    if (b == std::string::npos) return false;
    size_t e = text.find_last_not_of(" \t") + 1;
    std::string t = text.substr(b, e - b);
    size_t i = (t[0] == '-' || t[0] == '+') ? 1 : 0;
    if (i == t.size()) return false;
    int64_t v = 0;
    for (; i < t.size(); ++i) {
        if (t[i] < '0' || t[i] > '9') return false;
        v = v * 10 + (t[i] - '0');
        if (v > int64_t(INT32_MAX) + 1) return false;
    }
    if (t[0] == '-') v = -v;
    if (v < INT32_MIN || v > INT32_MAX) return false;
    value = int32_t(v);
    return true;
}

bool LSDDialog::CmHelp() { return ShowHelp(nHelpContext); }

void LSDDialog::Refuse(int control, const std::string& text, const std::string& caption, bool stopIcon) {
    View().ShowMessage(text, caption, stopIcon);
    View().FocusControl(control);
}

LSDPreviewDialog::LSDPreviewDialog(int nTemplate, int nHelpContext, const LCutListAudio* document,
                                   LPlayer* player)
    : LSDDialog(nTemplate, nHelpContext), pPlayer(document ? player : nullptr) {
    if (!pPlayer) return;
    copy = *document;
    pPlayer->SetListener(this);
}

LSDPreviewDialog::~LSDPreviewDialog() {
    if (pPlayer) pPlayer->SetListener(nullptr);
}

bool LSDPreviewDialog::IsPlaying() const { return (pPlayer->State() & kPlayerOpen) != 0; }

bool LSDPreviewDialog::StartPreview() {
    LSoundSourcePtr source = OpenSource(CreateSource(copy));
    if (pPlayer->Start(source)) return true;
    View().ShowMessage(kPreviewFailedText, "Sondrel", true);
    return false;
}

void LSDPreviewDialog::CmPreview() {
    if (!pPlayer) return;
    if (IsPlaying())
        pPlayer->Stop();
    else
        StartPreview();
    View().SetText(IDC_PREVIEW, IsPlaying() ? "Stop" : "Preview");
}

void LSDPreviewDialog::CmRestartIfPlaying() {
    if (!pPlayer || !IsPlaying()) return;
    StartPreview();
    View().SetText(IDC_PREVIEW, IsPlaying() ? "Stop" : "Preview");
}

void LSDPreviewDialog::PlayerState(uint16_t state) {
    View().SetText(IDC_PREVIEW, (state & kPlayerOpen) ? "Stop" : "Preview");
}

void LSDPreviewDialog::Destroy() {
    if (pPlayer) pPlayer->Stop();
}

}  // namespace sondrel
