#include "ui/win32/LEffectDialogs.h"

#include <memory>

#include "devices/win32/LSoundPlayer.h"
#include "document/LAudioCutTank.h"
#include "document/LSDFile.h"
#include "support/LSettings.h"
#include "ui/LEffectDialog.h"
#include "ui/win32/LDialogWindow.h"

namespace sondrel {

namespace {

// The preview's own sound player on the stored playback device, its start
// and stop notifications passed to the dialog.
class LPreviewPlayerPort : public LPreviewPlayer, private LSoundPlayerNotify {
public:
    explicit LPreviewPlayerPort(LSDPreviewDialog*& dialog) : rDialog(dialog) {
        player.SetDevice(int8_t(ReadInt("Player", "Device", 0)));
        player.SetListener(this);
    }
    ~LPreviewPlayerPort() override {
        player.SetListener(nullptr);
        player.Stop();
    }
    bool Start(const LSoundSourcePtr& source) override { return player.Start(source, 0); }
    void Stop() override { player.Stop(); }
    bool IsPlaying() override { return player.IsOpen(); }

private:
    void NotifyPlay(uint32_t) override {
        if (rDialog) rDialog->PlayerStarted();
    }
    void NotifyStop(uint32_t) override {
        if (rDialog) rDialog->PlayerStopped();
    }

    LSDPreviewDialog*& rDialog;
    LSoundPlayer player;
};

// The label font lives as long as the dialog.
struct FontHolder {
    HFONT font;
    ~FontHolder() {
        if (font) DeleteObject(font);
    }
};

}  // namespace

bool RunEffectDialog(HWND owner, const LEffectDesc& fx, LEffectValues& values, const LSDFile* doc) {
    if (!fx.nTemplate) return true;  // nothing to ask
    HINSTANCE instance = GetModuleHandleA(nullptr);
    RegisterDialogClasses(instance);
    FontHolder font{fx.szCurveFile ? CreateCurveLabelFont() : nullptr};
    const LAudioCutTank* tank = LAudioCutTank::Current();
    const std::string folder = tank ? tank->GetFolder() : std::string();

    LSDPreviewDialog* listener = nullptr;
    std::unique_ptr<LPreviewPlayerPort> player;
    if (fx.pfnPreview && doc) player = std::make_unique<LPreviewPlayerPort>(listener);
    LSDEffectDialog model(fx, values, doc, player.get(), folder);
    listener = &model;
    int result;
    {
        LDialogWindow window(instance, model, font.font);
        result = window.Run(owner);
    }
    listener = nullptr;
    return result == IDOK;
}

}  // namespace sondrel
