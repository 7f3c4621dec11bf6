// The main window's controller under test: a view that keeps what it was
// last told to show, a player that reports back at once as the sound player
// does, services that answer from a script, and a fixture holding a cut
// tank, a settings store and the controller.
#pragma once
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "effects/LEffectTable.h"
#include "support/DocumentFixture.h"
#include "support/LResourceIds.h"
#include "ui/LMainController.h"

namespace sondrel::test {

class FakeMainView : public LMainView {
public:
    void SetTitle(const std::string& text) override { title = text; }
    void EnableCommand(int id, bool on) override { enabled[id] = on; }
    void CheckCommand(int id, bool on) override { checked[id] = on; }
    void SetCommandText(int id, const std::string& text) override { commandTexts[id] = text; }
    void SetStatusRate(const std::string& text) override { rate = text; }
    void SetStatusMessage(const std::string& text) override { status = text; }
    void SetText(int control, const std::string& text) override { texts[control] = text; }
    void SetScrollPos(int32_t p) override { scroll = p; }
    void SetRecentMenu(const std::vector<LMenuEntry>& items) override { recent = items; }
    void SetWindowMenu(const std::vector<LMenuEntry>& items, int checkedId) override {
        windows = items;
        checkedWindow = checkedId;
    }
    void SetTimer(int id, int32_t ms) override { timers[id] = ms; }
    void KillTimer(int id) override { timers.erase(id); }
    void ShowWaves(const LSoundSourcePtr& o, const LSoundSourcePtr& m) override {
        overview = o;
        main = m;
        wavesShown = true;
        ++waveStarts;
    }
    void HideWaves() override { wavesShown = false; }
    void ShowLoading(const LLoadWatch* watch) override {
        loading = watch;
        loadingShown.push_back(watch != nullptr);
    }
    void SetWaveCursor(int32_t frame, int32_t span) override {
        cursor = frame;
        cursorSpan = span;
    }
    void SetWaveMarks(int32_t s, int32_t e) override {
        markStart = s;
        markEnd = e;
    }
    void SetMainView(int32_t s, int32_t l) override {
        viewStart = s;
        viewLength = l;
    }
    void ShowPlayerState(uint16_t s) override { playerState = s; }
    void ShowLevels(const int8_t*, int32_t count) override { levels = count; }
    void ShowButtonHeld(int control, bool on) override { held[control] = on; }
    void Close() override { closed = true; }

    bool On(int id) const {
        auto it = enabled.find(id);
        return it != enabled.end() && it->second;
    }

    std::string title, rate, status;
    std::map<int, bool> enabled, checked, held;
    std::map<int, std::string> texts, commandTexts;
    std::map<int, int32_t> timers;
    int32_t scroll = -1;
    std::vector<LMenuEntry> recent, windows;
    int checkedWindow = 0;
    LSoundSourcePtr overview, main;
    bool wavesShown = false;
    const LLoadWatch* loading = nullptr;
    std::vector<bool> loadingShown;  // each ShowLoading: true for a start, false for an end
    int waveStarts = 0;
    int32_t cursor = -1, cursorSpan = 0, markStart = 0, markEnd = -1, viewStart = -1, viewLength = -1;
    uint16_t playerState = 0;
    int32_t levels = -1;
    bool closed = false;
};

// Reports as the sound player does: Start reports the state and the start
// position, Seek the new position, Stop the closed state.
class FakeMainPlayer : public LPlayer {
public:
    bool Start(const LSoundSourcePtr& source) override {
        if (refuse) return false;
        played = source;
        ++starts;
        state = kPlayerOpen;
        Report();
        Position(source->GetPosition());
        return true;
    }
    void Stop() override {
        if (!state) return;
        state = 0;
        ++stops;
        Report();
    }
    void Play() override {
        state &= uint16_t(~kPlayerCueing);
        ++plays;
        Report();
    }
    void Cue() override {
        if (!(state & kPlayerOpen)) return;
        state |= kPlayerCueing;
        ++cues;
        Report();
    }
    void Seek(int32_t frame) override {
        seeks.push_back(frame);
        Position(frame);
    }
    uint16_t State() override { return state; }
    void SetDevice(int8_t) override {}
    void SetListener(LPlayerListener* l) override { ctl = l; }

    // The played source reaches its end: the last position, then closed.
    void PlayToEnd() {
        Position(played->GetLength());
        state = 0;
        Report();
    }
    void Position(int32_t frame) {
        if (ctl) ctl->PlayerPosition(LSoundTime::FromSamples(frame, played->nSampleRate).ms);
    }
    void Report() {
        if (ctl) ctl->PlayerState(state);
    }

    LPlayerListener* ctl = nullptr;
    uint16_t state = 0;
    LSoundSourcePtr played;
    int starts = 0, stops = 0, plays = 0, cues = 0;
    std::vector<int32_t> seeks;
    bool refuse = false;
};

class FakeMainServices : public LMainServices {
public:
    bool EffectDialog(const LEffectDesc& fx, LEffectValues& values, const LSDFile*) override {
        dialogs.push_back(fx.nCommand);
        if (whileDialog) whileDialog();
        if (!acceptEffect) return false;
        for (auto [i, v] : effectValues) values.v[i] = v;
        return true;
    }
    int RecordDialog(int32_t rate, uint8_t chans, const std::string& name, LCutListAudio& recorded) override {
        recordAsked = name + " " + std::to_string(rate) + "/" + std::to_string(chans);
        if (take) recorded = *take;
        if (recordResults.empty()) return recordResult;
        int r = recordResults.front();
        recordResults.pop_front();
        return r;
    }
    void LoadCDTracks(LDocuments&) override { calls.push_back("cd"); }
    void Settings() override { calls.push_back("settings"); }
    void Send(LDocuments&) override { calls.push_back("send"); }
    void Help() override { calls.push_back("help"); }
    void OpenManualPage(const char* page) override { calls.push_back(std::string("page ") + page); }
    void About() override { calls.push_back("about"); }

    std::vector<int> dialogs;
    std::function<void()> whileDialog;  // runs while an effect's dialog is open
    bool acceptEffect = true;
    std::map<int, int32_t> effectValues;
    std::string recordAsked;
    const LCutListAudio* take = nullptr;
    int recordResult = 1;
    std::deque<int> recordResults;  // answered first, then recordResult
    std::vector<std::string> calls;
};

// The scripted host with answers for the open-file dialog too.
class MainDialogsHost : public ScriptedHost {
public:
    bool AskOpenPath(std::string& path) override {
        if (openPaths.empty()) return false;
        path = openPaths.front();
        openPaths.pop_front();
        return true;
    }
    Answer Ask(const std::string& text, bool questionIcon) override {
        if (onAsk) onAsk();
        return ScriptedHost::Ask(text, questionIcon);
    }
    std::deque<std::string> openPaths;
    std::function<void()> onAsk;  // runs while a question is shown
};

class MainFixture : public DocumentFixture {
protected:
    void SetUp() override {
        DocumentFixture::SetUp();
        ctl = std::make_unique<LMainController>(dialogs, view, services, player);
        ctl->SetClock([this] { return now; });
        WriteBool("Settings", "AutoPlaybackAfterEffects", false);
    }
    void TearDown() override {
        player.played.SetNull();
        view.overview.SetNull();
        view.main.SetNull();
        ctl.reset();
        DocumentFixture::TearDown();
    }

    // A new current document of frames frames (a ramp) at rate.
    LSDFile& Open(int32_t frames, int32_t rate = 1000, uint32_t chans = 1) {
        std::vector<int32_t> s(size_t(frames) * chans);
        for (size_t i = 0; i < s.size(); ++i) s[i] = int32_t(i % 1000) * 16;
        LSDFile& d = ctl->Documents().AddUntitled(List(s, chans, rate));
        ctl->Refresh();
        return d;
    }
    LSDFile& Doc() { return *ctl->Current(); }
    void Select(int32_t a, int32_t b) {
        Doc().stSelStart.ms = a;
        Doc().stSelEnd.ms = b;
        ctl->Refresh();
    }
    void Position(int32_t ms) {
        Doc().stPosition.ms = ms;
        ctl->Refresh();
    }
    // A click in the main view (frames are milliseconds at 1000 Hz).
    void Click(int32_t ms) { ctl->WaveNotify(IDC_WAVE, 2, ms, -1, ms); }

    MainDialogsHost dialogs;
    FakeMainView view;
    FakeMainServices services;
    FakeMainPlayer player;
    std::unique_ptr<LMainController> ctl;
    int64_t now = 1000;
};

}  // namespace sondrel::test
