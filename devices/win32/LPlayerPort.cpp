#include "devices/win32/LPlayerPort.h"

#include "devices/win32/LSoundPlayer.h"

namespace sondrel {

namespace {

class LPlayerPort : public LPlayer, private LSoundPlayerNotify {
public:
    ~LPlayerPort() override {
        player.SetListener(nullptr);
        player.Stop();
    }
    bool Start(const LSoundSourcePtr& source) override { return player.Start(source, 0); }
    void Stop() override { player.Stop(); }
    void Play() override { player.Play(); }
    void Cue() override { player.Cue(); }
    void Seek(int32_t frame) override { player.Seek(frame); }
    uint16_t State() override { return player.GetState(); }
    void SetDevice(int8_t device) override { player.SetDevice(device); }
    void SetListener(LPlayerListener* listener) override {
        pListener = listener;
        player.SetListener(listener ? this : nullptr);
    }

private:
    void NotifyPlay(uint32_t) override { Changed(); }
    void NotifyStop(uint32_t) override { Changed(); }
    void NotifyCue(uint32_t) override { Changed(); }
    void NotifyPause(uint32_t) override { Changed(); }
    void NotifyPosition(uint32_t, int32_t ms) override {
        if (pListener) pListener->PlayerPosition(ms);
    }
    void NotifyLevels(uint32_t, const LChannelLevels& levels) override {
        if (pListener) pListener->PlayerLevels(levels.iLevels, levels.nCount);
    }
    void Changed() {
        if (pListener) pListener->PlayerState(player.GetState());
    }

    LSoundPlayer player;
    LPlayerListener* pListener = nullptr;
};

}  // namespace

std::unique_ptr<LPlayer> CreatePlayer() { return std::make_unique<LPlayerPort>(); }

}  // namespace sondrel
