// A test double of RealPlayer's core library ("pnen3260.dll"), written from
// the published client interfaces: CreateEngine and CloseEngine, a client
// engine with an audio device manager, and a player that plays the small
// file format of RealAudioDoubleFile.h into whatever audio device replaced
// the default one, in blocks on a timer of the calling thread (so it
// advances only while that thread dispatches its messages, as the real
// library does). Along the way it probes the audio device through every
// slot of its interface and records what it found; RADoubleReport returns
// that record. Built without CloseEngine (RADOUBLE_NO_CLOSE_ENGINE) it
// stands for a library that lacks an entry point.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "formats/win32/RealAudioInterfaces.h"
#include "tools/realaudio-double/RealAudioDoubleFile.h"

using namespace sondrel::rma;
using namespace sondrel::radouble;

namespace {

std::string gReport;

void Note(const std::string& line) { gReport += line + "\n"; }
void Check(bool ok, const char* what) {
    if (!ok) Note(std::string("FAIL ") + what);
}

class Buffer final : public IRMABuffer {
public:
    Buffer(const UCHAR* data, ULONG32 size) : bytes(data, data + size) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IRMABuffer) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG r = --refs;
        if (r == 0) delete this;
        return r;
    }
    HRESULT STDMETHODCALLTYPE Get(UCHAR*& pData, ULONG32& ulLength) override {
        pData = bytes.data();
        ulLength = ULONG32(bytes.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Set(const UCHAR* pData, ULONG32 ulLength) override {
        bytes.assign(pData, pData + ulLength);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSize(ULONG32 ulLength) override {
        bytes.resize(ulLength);
        return S_OK;
    }
    ULONG32 STDMETHODCALLTYPE GetSize() override { return ULONG32(bytes.size()); }
    UCHAR* STDMETHODCALLTYPE GetBuffer() override { return bytes.data(); }

private:
    std::vector<UCHAR> bytes;
    ULONG refs = 1;
};

class Response;
std::vector<Response*> gResponses;

// Counts its references and the time syncs it receives. It is never
// deleted, so that a device that releases it too often is reported rather
// than crashing the test (the device may hold it past the player's end).
class Response final : public IRMAAudioDeviceResponse {
public:
    Response() { gResponses.push_back(this); }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IRMAAudioDeviceResponse) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return ULONG(--refs); }
    HRESULT STDMETHODCALLTYPE OnTimeSync(ULONG32 t) override {
        ++syncs;
        last = t;
        return S_OK;
    }
    long refs = 1;  // the player's
    int syncs = 0;
    ULONG32 last = 0xFFFFFFFF;
};

class Manager final : public IRMAAudioDeviceManager {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IRMAAudioDeviceManager) {
            *ppv = this;
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE Replace(IRMAAudioDevice* p) override {
        if (!p) return E_INVALIDARG;
        device = p;
        Note("device replaced");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Remove(IRMAAudioDevice* p) override {
        if (p != device) return E_FAIL;
        device = nullptr;
        Note("device removed");
        return S_OK;
    }
    IRMAAudioDevice* device = nullptr;
    ULONG refs = 1;
};

class Engine;

LRESULT CALLBACK TimerWindowProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l);

class Player final : public IRMAPlayer {
public:
    explicit Player(Engine* e) : engine(e) {}
    ~Player() {
        StopTimer();
        response->Release();
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IRMAPlayer) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG r = --refs;
        if (r == 0) {
            Note("player released");
            delete this;
        }
        return r;
    }
    HRESULT STDMETHODCALLTYPE GetClientEngine(IRMAClientEngine*& e) override;
    BOOL STDMETHODCALLTYPE IsDone() override { return done; }
    BOOL STDMETHODCALLTYPE IsLive() override { return FALSE; }
    ULONG32 STDMETHODCALLTYPE GetCurrentPlayTime() override { return TimeAt(pos); }
    HRESULT STDMETHODCALLTYPE OpenURL(const char* url) override;
    HRESULT STDMETHODCALLTYPE Begin() override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Seek(ULONG32) override { return E_NOTIMPL; }
    UINT16 STDMETHODCALLTYPE GetSourceCount() override { return opened ? 1 : 0; }
    HRESULT STDMETHODCALLTYPE GetSource(UINT16, IUnknown*& u) override {
        u = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetClientContext(IUnknown*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetClientContext(IUnknown*& u) override {
        u = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE AddAdviseSink(IUnknown*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RemoveAdviseSink(IUnknown*) override { return S_OK; }

    void Tick();

private:
    ULONG32 TimeAt(size_t byte) const {
        unsigned long long perSecond = (unsigned long long)(format.uBitsPerSample <= 8 ? 1 : 2) *
                                       format.uChannels * format.ulSamplesPerSec;
        return perSecond ? ULONG32(byte * 1000ull / perSecond) : 0;
    }
    void ProbeBeforeOpen(IRMAAudioDevice* d);
    void Finish();
    void StopTimer() {
        if (window) {
            KillTimer(window, 1);
            DestroyWindow(window);
            window = nullptr;
        }
    }

    Engine* engine;
    ULONG refs = 1;
    bool opened = false, begun = false, done = false;
    RMAAudioFormat format = {};
    uint32_t flags = 0, blockBytes = 0;
    std::vector<UCHAR> pcm;
    size_t pos = 0;
    IRMAAudioDevice* device = nullptr;
    Response* response = new Response;
    HWND window = nullptr;
};

class Engine final : public IRMAClientEngine {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IRMAClientEngine) {
            *ppv = this;
            return S_OK;
        }
        if (riid == IID_IRMAAudioDeviceManager && !noManager) {
            *ppv = &manager;
            manager.AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreatePlayer(IRMAPlayer*& p) override {
        if (noPlayer) {
            p = nullptr;
            return E_FAIL;
        }
        p = new Player(this);
        ++players;
        Note("player created");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ClosePlayer(IRMAPlayer*) override {
        --players;
        Note("player closed");
        return S_OK;
    }
    UINT16 STDMETHODCALLTYPE GetPlayerCount() override { return UINT16(players); }
    HRESULT STDMETHODCALLTYPE GetPlayer(UINT16, IUnknown*& u) override {
        u = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE EventOccurred(void*) override { return S_OK; }

    Manager manager;
    int players = 0;
    bool noManager = false, noPlayer = false;
};

HRESULT Player::GetClientEngine(IRMAClientEngine*& e) {
    e = engine;
    return S_OK;
}

HRESULT Player::OpenURL(const char* url) {
    if (!url || std::strncmp(url, "file:", 5) != 0) return E_INVALIDARG;
    HANDLE h = CreateFileA(url + 5, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        Note("OpenURL: no such file");
        return E_FAIL;
    }
    std::vector<UCHAR> file(GetFileSize(h, nullptr));
    DWORD got = 0;
    bool read = file.empty() || ReadFile(h, file.data(), DWORD(file.size()), &got, nullptr);
    CloseHandle(h);
    if (!read || got < kRadHeaderBytes || std::memcmp(file.data(), "SRAD", 4) != 0) {
        Note("OpenURL: not a file of ours");
        return E_FAIL;
    }
    auto get = [&](size_t at, int bytes) {
        uint32_t v = 0;
        for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | file[at + i];
        return v;
    };
    format.uChannels = UINT16(get(4, 2));
    format.uBitsPerSample = UINT16(get(6, 2));
    format.ulSamplesPerSec = get(8, 4);
    flags = get(12, 4);
    blockBytes = get(16, 4);
    uint32_t perTenth = (format.uBitsPerSample <= 8 ? 1 : 2) * format.uChannels * (format.ulSamplesPerSec / 10);
    if (blockBytes == 0) blockBytes = perTenth ? perTenth : 4096;
    format.uMaxBlockSize = UINT16(blockBytes > 0xFFFF ? 0xFFFF : blockBytes);
    pcm.assign(file.begin() + kRadHeaderBytes, file.begin() + got);
    opened = true;
    char line[96];
    std::snprintf(line, sizeof line, "opened %u channels, %u bits, %u Hz, %u bytes", unsigned(format.uChannels),
                  unsigned(format.uBitsPerSample), unsigned(format.ulSamplesPerSec), unsigned(pcm.size()));
    Note(line);
    return S_OK;
}

// Every slot that the device offers, before the real Open.
void Player::ProbeBeforeOpen(IRMAAudioDevice* d) {
    void* p = nullptr;
    Check(d->QueryInterface(IID_IRMAAudioDevice, &p) == S_OK && p == d, "QueryInterface(IRMAAudioDevice)");
    Check(d->QueryInterface(IID_IUnknown, &p) == S_OK && p == d, "QueryInterface(IUnknown)");
    p = d;
    Check(d->QueryInterface(IID_IRMABuffer, &p) == E_NOINTERFACE && p == nullptr, "QueryInterface(other)");
    Check(d->AddRef() == 1 && d->Release() == 1, "AddRef/Release answer 1");
    Check(d->InitVolume(0, 100) == TRUE, "InitVolume");
    Check(d->SetVolume(37) == S_OK && d->GetVolume() == 37, "SetVolume/GetVolume");
    Check(d->CheckFormat(&format) == S_OK, "CheckFormat");
    Check(d->Open(nullptr, response) == E_INVALIDARG, "Open without a format");
    Check(d->Open(&format, nullptr) == E_INVALIDARG, "Open without a response");
}

HRESULT Player::Begin() {
    if (!opened) return E_FAIL;
    if (flags & kRadBeginFails) {
        Note("Begin: refused");
        return E_FAIL;
    }
    device = engine->manager.device;
    begun = true;
    if (!device) {  // nothing replaced the sound card: nothing is recorded
        done = true;
        return S_OK;
    }
    ProbeBeforeOpen(device);
    Check(device->Open(&format, response) == S_OK, "Open");
    Check(response->refs == 2, "Open keeps a reference to the response");
    ULONG32 t = 1;
    Check(device->GetCurrentAudioTime(t) == S_OK && t == 0, "time 0 after Open");
    Check(device->Resume() == S_OK, "Resume");

    static const char* kClass = "SondrelRealAudioDoubleTimer";
    WNDCLASSA wc = {};
    wc.lpfnWndProc = TimerWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kClass;
    RegisterClassA(&wc);  // fails harmlessly when already registered
    window = CreateWindowExA(0, kClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    if (!window) return E_FAIL;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetTimer(window, 1, (flags & kRadSlow) ? 50 : USER_TIMER_MINIMUM, nullptr);
    return S_OK;
}

LRESULT CALLBACK TimerWindowProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_TIMER) {
        if (auto* self = reinterpret_cast<Player*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA))) self->Tick();
        return 0;
    }
    return DefWindowProcA(hwnd, msg, w, l);
}

void Player::Tick() {
    if (done || !device) return;
    int blocks = (flags & kRadSlow) ? 1 : 64;
    while (blocks-- > 0 && pos < pcm.size()) {
        size_t n = std::min<size_t>(blockBytes, pcm.size() - pos);
        auto* buffer = new Buffer(pcm.data() + pos, ULONG32(n));
        RMAAudioData data = {buffer, TimeAt(pos), STREAMING_AUDIO};
        Check(device->Write(&data) == S_OK, "Write");
        Check(response->last == data.ulAudioTime, "OnTimeSync with the block's time");
        ULONG32 t = 0;
        Check(device->GetCurrentAudioTime(t) == S_OK && t == data.ulAudioTime, "GetCurrentAudioTime");
        buffer->Release();
        pos += n;
    }
    if (pos >= pcm.size()) Finish();
}

void Player::Finish() {
    StopTimer();
    Check(device->Write(nullptr) == E_INVALIDARG, "Write without data");
    Check(device->Pause() == S_OK && device->Reset() == S_OK && device->Drain() == S_OK, "Pause/Reset/Drain");
    Check(device->Close(FALSE) == S_OK, "Close");
    Check(response->refs == 1, "Close gives the response back");
    char line[64];
    std::snprintf(line, sizeof line, "played %d blocks", response->syncs);
    Note(line);
    done = true;
}

HRESULT Player::Stop() {
    if (begun && !done) {
        StopTimer();
        char line[64];
        std::snprintf(line, sizeof line, "stopped after %d blocks", response->syncs);
        Note(line);
        done = true;
    }
    return S_OK;
}

bool Switch(const char* name) {
    char value[128] = {};
    GetEnvironmentVariableA("SONDREL_RA_DOUBLE", value, sizeof value);
    return std::strstr(value, name) != nullptr;
}

}  // namespace

extern "C" __declspec(dllexport) HRESULT STDMETHODCALLTYPE CreateEngine(IRMAClientEngine** ppEngine) {
    if (!ppEngine) return E_POINTER;
    gReport.clear();
    if (Switch("no-engine")) {
        *ppEngine = nullptr;
        Note("no engine");
        return E_FAIL;
    }
    auto* e = new Engine;
    e->noManager = Switch("no-manager");
    e->noPlayer = Switch("no-player");
    *ppEngine = e;
    Note("engine created");
    return S_OK;
}

#ifndef RADOUBLE_NO_CLOSE_ENGINE
extern "C" __declspec(dllexport) HRESULT STDMETHODCALLTYPE CloseEngine(IRMAClientEngine* pEngine) {
    auto* e = static_cast<Engine*>(pEngine);
    if (!e) return E_POINTER;
    Check(e->players == 0, "every player closed before the engine");
    Check(e->manager.device == nullptr, "the device removed before the engine closes");
    Check(e->manager.refs == 1, "every device manager reference released");
    for (Response* r : gResponses) Check(r->refs == 0, "the device gave back every reference to the response");
    gResponses.clear();
    delete e;
    Note("engine closed");
    return S_OK;
}
#endif

// What happened during the last decoding, one line an event; lines that
// begin with "FAIL" name a slot of the audio device that misbehaved.
extern "C" __declspec(dllexport) const char* STDMETHODCALLTYPE RADoubleReport() { return gReport.c_str(); }
