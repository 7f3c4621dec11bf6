#include "ui/win32/LEffectDialogs.h"

#include <memory>

#include "devices/win32/LPlayerPort.h"
#include "document/LAudioCutTank.h"
#include "document/LSDFile.h"
#include "support/LSettings.h"
#include "ui/LEffectDialog.h"
#include "ui/win32/LDialogWindow.h"

namespace sondrel {

namespace {

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

    // The preview's own player, on the stored playback device.
    std::unique_ptr<LPlayer> player;
    if (fx.pfnPreview && doc) {
        player = CreatePlayer();
        player->SetDevice(int8_t(ReadInt("Player", "Device", 0)));
    }
    LSDEffectDialog model(fx, values, doc, player.get(), folder);
    LDialogWindow window(instance, model, font.font);
    return window.Run(owner) == IDOK;
}

}  // namespace sondrel
