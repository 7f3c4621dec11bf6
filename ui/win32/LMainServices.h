// The dialogs and the other parts of the program that the main window's
// commands open, on Windows: the effect and record dialogs, the settings
// sheet, mail, the manual and the About box. CD import lives above this
// layer: the program entry hands it in as a function.
#pragma once
#include <windows.h>

#include <functional>

#include "ui/LMainController.h"

namespace sondrel {

class LWin32MainServices : public LMainServices {
public:
    using CDImport = std::function<void(HWND owner, LDocuments& docs)>;

    void SetOwner(HWND owner) { hOwner = owner; }
    void SetCDImport(CDImport import) { fnCDImport = std::move(import); }

    bool EffectDialog(const LEffectDesc& fx, LEffectValues& values, const LSDFile* doc) override;
    int RecordDialog(int32_t rate, uint8_t chans, const std::string& name, LCutListAudio& recorded) override;
    void LoadCDTracks(LDocuments& docs) override;
    void Settings() override;
    void Send(LDocuments& docs) override;
    void Help() override;
    void OpenManualPage(const char* page) override;
    void About() override;

private:
    HWND hOwner = nullptr;
    CDImport fnCDImport;
};

// The "About Sondrel" box (template "AboutDlg").
void ShowAboutBox(HWND owner);

}  // namespace sondrel
