// The document logic's questions answered with the system's message boxes,
// common file dialogs and the progress dialog, over an owner window.
#pragma once
#include <windows.h>

#include "document/LDocumentHost.h"

namespace sondrel {

class LWin32DocumentHost : public LDocumentHost {
public:
    explicit LWin32DocumentHost(HWND owner = nullptr) : hOwner(owner) {}
    void SetOwner(HWND owner) { hOwner = owner; }

    LProcessResult RunOperation(const char* title, const std::function<LProcessResult(LProgress*)>& operation) override;
    bool AskNewFileFormat() override;
    bool AskVoxSampleRate() override;
    bool AskConvertSampleRate(int32_t& rate) override;
    Answer Ask(const std::string& text, bool questionIcon) override;
    void ShowError(const std::string& text) override;
    void ShowNotice(const std::string& text) override;
    bool AskOpenPath(std::string& path) override;
    bool AskSavePath(std::string& path) override;

private:
    HWND hOwner;
};

}  // namespace sondrel
