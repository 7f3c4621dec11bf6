// The transport's player: the sound player, its reports passed on to the
// transport controller; and the playback volume through the mixer.
#include <memory>

#include "devices/win32/LMixer.h"
#include "devices/win32/LSoundPlayer.h"
#include "ui/win32/LPlayerBaseDlg.h"

namespace sondrel {

namespace {

class LSoundPlayerPort : public LTransportPlayer, private LSoundPlayerNotify {
public:
    ~LSoundPlayerPort() override {
        player.SetListener(nullptr);
        player.Stop();
    }
    bool Start(const LSoundSourcePtr& source, uint32_t flags) override { return player.Start(source, flags); }
    void Stop() override { player.Stop(); }
    void Play() override { player.Play(); }
    void Cue() override { player.Cue(); }
    void Seek(int32_t sample) override { player.Seek(sample); }
    uint16_t State() override { return player.GetState(); }
    void SetDevice(int8_t device) override { player.SetDevice(device); }
    void SetListener(LTransportController* listener) override {
        pListener = listener;
        player.SetListener(listener ? this : nullptr);
    }

private:
    void NotifyPlay(uint32_t) override { Changed(); }
    void NotifyStop(uint32_t) override { Changed(); }
    void NotifyCue(uint32_t) override { Changed(); }
    void NotifyPause(uint32_t) override { Changed(); }
    void NotifyPosition(uint32_t, int32_t ms) override {
        if (pListener) pListener->NotifyPosition(ms);
    }
    void NotifyLevels(uint32_t, const LChannelLevels& levels) override {
        if (pListener) pListener->NotifyLevels(levels.iLevels, levels.nCount);
    }
    void Changed() {
        if (pListener) pListener->NotifyState();
    }

    LSoundPlayer player;
    LTransportController* pListener = nullptr;
};

}  // namespace

std::unique_ptr<LTransportPlayer> CreateSoundPlayerPort() { return std::make_unique<LSoundPlayerPort>(); }

void ApplyPlaybackVolume(int8_t device, int8_t dB) { LMixer::SetOutputVolume(device, 0, dB); }

}  // namespace sondrel
