// Doubles of a dialog's controls and of the preview's player for the dialog
// model tests. The view acts as the real controls do where it matters: a
// decibel slider keeps its value in its range, radio buttons of a group
// check one at a time when clicked, and a message box is recorded instead of
// shown.
#pragma once
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "support/LHelp.h"
#include "ui/LDialogModel.h"

namespace sondrel::test {

struct ShownMessage {
    std::string text, caption;
    bool stopIcon = false;
};

class FakeDialogView : public LDialogView {
public:
    std::string caption;
    std::map<int, std::string> text;
    std::map<int, bool> enabled, checked;
    std::map<int, std::vector<std::string>> combo;
    std::map<int, int> comboSel;
    std::map<int, std::pair<int32_t, int32_t>> dbRange;
    std::map<int, int32_t> db;
    std::map<int, LCurveEditor*> curves;
    std::vector<ShownMessage> messages;
    int focus = 0;

    void SetCaption(const std::string& t) override { caption = t; }
    std::string GetText(int id) override { return text[id]; }
    void SetText(int id, const std::string& t) override { text[id] = t; }
    void Enable(int id, bool on) override { enabled[id] = on; }
    bool IsChecked(int id) override { return checked[id]; }
    void SetChecked(int id, bool on) override { checked[id] = on; }
    void FillCombo(int id, const std::vector<std::string>& entries) override { combo[id] = entries; }
    void SelectCombo(int id, int index) override {
        comboSel[id] = index >= 0 && size_t(index) < combo[id].size() ? index : -1;
    }
    int ComboSelection(int id) override { return comboSel.count(id) ? comboSel[id] : -1; }
    void SetDBRange(int id, int32_t lo, int32_t hi) override { dbRange[id] = {lo, hi}; }
    void SetDBValue(int id, int32_t v) override {
        auto r = dbRange.count(id) ? dbRange[id] : std::pair<int32_t, int32_t>{-36, 12};
        db[id] = std::clamp(v, r.first, r.second);
    }
    int32_t DBValue(int id) override { return db[id]; }
    void AttachCurve(int id, LCurveEditor& editor) override { curves[id] = &editor; }
    void ShowMessage(const std::string& t, const std::string& c, bool stop) override {
        messages.push_back({t, c, stop});
    }
    void FocusControl(int id) override { focus = id; }
    bool IsEnabled(int id) { return !enabled.count(id) || enabled[id]; }
};

// Plays nothing: keeps the source it was started with and tells its
// listener as the sound player does (a start stops what plays first).
class FakePreviewPlayer : public LPlayer {
public:
    LPlayerListener* listener = nullptr;
    bool playing = false;
    bool refuse = false;  // the device cannot be opened
    int starts = 0, stops = 0;
    LSoundSourcePtr source;

    bool Start(const LSoundSourcePtr& s) override {
        Stop();
        if (refuse) return false;
        ++starts;
        source = s;
        playing = true;
        if (listener) listener->PlayerState(kPlayerOpen);
        return true;
    }
    void Stop() override {
        if (!playing) return;
        playing = false;
        ++stops;
        if (listener) listener->PlayerState(0);
    }
    void Play() override {}
    void Cue() override {}
    void Seek(int32_t) override {}
    uint16_t State() override { return playing ? kPlayerOpen : 0; }
    void SetDevice(int8_t) override {}
    void SetListener(LPlayerListener* l) override { listener = l; }
    // The source plays to its end: the player stops itself.
    void PlayToEnd() { Stop(); }
};

// Records the pages help was asked for instead of opening them.
class HelpRecorder : public LHelpOpener {
public:
    HelpRecorder() {
        SetManualFolder("manual");
        SetHelpOpener(this);
    }
    ~HelpRecorder() override { SetHelpOpener(nullptr); }
    bool OpenPage(const std::string& path) override {
        pages.push_back(path);
        return true;
    }
    std::vector<std::string> pages;
};

}  // namespace sondrel::test
