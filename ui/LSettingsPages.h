// The "Settings" property sheet's two pages, "General" (template 16) and
// "Audio Processing" (template 17, with the encoders' options for saving
// FLAC, Ogg Vorbis and Opus files and the undo history's two limits), as logic over a page's controls: what
// each control shows, which are enabled, what OK stores in section
// "Settings", and the shell association of .wav, .mp3, .gsm and .vox files
// (SetKey, support/LRegistry.h).
// The Win32 pages forward their messages here; tests drive it with a double
// of the controls.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "support/LRegistry.h"
#include "support/LResourceIds.h"

namespace sondrel {

// The pages' templates and controls are those of resource.h
// (IDD_SETTINGS_GENERAL with IDC_GENERAL_..., IDD_SETTINGS_AUDIO with
// IDC_AUDIO_...).
namespace audio_page {
constexpr int kTrimMin = -40, kTrimMax = -6;  // dB, the slider's range
constexpr int kMaxDevices = 127;              // devices listed at most
}  // namespace audio_page

// A property page's controls as the logic sees them.
class LPageControls {
public:
    virtual ~LPageControls() = default;
    virtual bool IsChecked(int id) = 0;
    virtual void Check(int id, bool on) = 0;
    virtual void Enable(int id, bool on) = 0;
    virtual std::string Text(int id) = 0;
    virtual void SetText(int id, const std::string& text) = 0;
    virtual void AddListItem(int id, const std::string& text) = 0;
    virtual void SelectListItem(int id, int index) = 0;
    // A decibel slider: range, value (clamped to the range by the control).
    virtual void SetDbRange(int id, int minimum, int maximum) = 0;
    virtual void SetDbValue(int id, int value) = 0;
    virtual int DbValue(int id) = 0;
};

class LGeneralPage {
public:
    LGeneralPage(LPageControls& controls, LRegistry& reg, std::string programPath)
        : ctl(controls), registry(reg), szProgramPath(std::move(programPath)) {}
    void InitDialog();
    // 107 only while 106 is selected; 110 only while 109 is.
    void EnableControls();
    // A button was clicked; true when the Win32 page must open the
    // "Set Defaults" dialog (button 107).
    bool Clicked(int id);
    void CmOk();

private:
    LPageControls& ctl;
    LRegistry& registry;
    std::string szProgramPath;
};

class LAudioProcessPage {
public:
    explicit LAudioProcessPage(LPageControls& controls) : ctl(controls) {}
    // deviceNames: the wave-out devices in device order.
    void InitDialog(const std::vector<std::string>& deviceNames);
    void CmOk();

private:
    LPageControls& ctl;
};

}  // namespace sondrel
