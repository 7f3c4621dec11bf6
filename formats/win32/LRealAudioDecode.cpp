#include "formats/win32/LRealAudioDecode.h"

#include <objbase.h>

namespace sondrel {

using namespace rma;

const char* const kRealCoreFolderKey = "Software\\RealNetworks\\Preferences\\DT_Common";
const char* const kRealCoreLibrary = "pnen3260.dll";

namespace {

const char kNoCoreMessage[] =
    "Unable to load Real Audio Core DLL.\r\n\r\nThis software required that the Real Audio Player be installed on your "
    "computer to load these files. Please download and install an uptodate version of Real Player.";
const char kNoBeginMessage[] =
    "Unable to open file with Real Player.\r\n\r\nThis might mean you do not have the codec installed.\r\n\r\nTo "
    "resolve this, attempt to load the file using Real Player manually.";

thread_local const char* tDiagnostic = "";

// Loaded on first use and kept for the rest of the run.
HMODULE hCoreLibrary = nullptr;

// The folder RealPlayer registered for its shared libraries (at most 228
// characters), or "" when it registered none.
std::string RealCoreFolder() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, kRealCoreFolderKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return std::string();
    char folder[229] = {};
    DWORD type = 0, size = sizeof folder - 1;
    LONG r = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(folder), &size);
    RegCloseKey(key);
    if (r != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::string();
    return folder;
}

bool LoadCoreLibrary() {
    // RealPlayer's core library exists only as 32-bit code, which a 64-bit
    // process cannot load: there RealAudio import is never available, even
    // if something of that name is registered.
    if constexpr (sizeof(void*) == 8) return false;
    if (hCoreLibrary) return true;
    std::string path = RealCoreFolder();
    // The registered folder normally ends in a separator; one is added when not.
    if (!path.empty() && path.back() != '\\' && path.back() != '/') path += '\\';
    path += kRealCoreLibrary;
    hCoreLibrary = LoadLibraryA(path.c_str());
    return hCoreLibrary != nullptr;
}

// Every waiting message of the thread, the library's own included. A quit
// request is put back for the main loop and ends the decoding.
bool DispatchWaitingMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(int(msg.wParam));
            return false;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return true;
}

IRMAAudioDeviceManager* DeviceManager(IRMAClientEngine* engine) {
    void* mgr = nullptr;
    if (FAILED(engine->QueryInterface(IID_IRMAAudioDeviceManager, &mgr))) return nullptr;
    return static_cast<IRMAAudioDeviceManager*>(mgr);
}

// Steps 5 to 10 with a created player: plays the file into the sink.
LProcessResult PlayIntoSink(LProgress* progress, IRMAClientEngine* engine, IRMAPlayer* player, const LReadAudioDecode& rec) {
    RMAAudioSink sink(rec.szWavePath.c_str());
    if (IRMAAudioDeviceManager* mgr = DeviceManager(engine)) {
        if (FAILED(mgr->Replace(&sink))) tDiagnostic = "Process(LReadAudioDecode) pAudDevMgr->Replace FAILED!";
        mgr->Release();
    }

    progress->SetProgress(0.1);
    LProcessResult result = kProcessCancelled;
    std::string url = "file:" + rec.szRealPath;
    if (FAILED(player->OpenURL(url.c_str()))) {
        tDiagnostic = "Process(LReadAudioDecode) Player->OpenURL Failed";
    } else if (FAILED(player->Begin())) {
        tDiagnostic = "Process(LReadAudioDecode) Player->Begin Failed";
        progress->ShowError(kNoBeginMessage);
    } else {
        result = kProcessDone;
        double remainder = 0.9;
        while (!player->IsDone()) {
            if (!DispatchWaitingMessages() || !progress->WaitTime(10)) {
                tDiagnostic = "Process(LReadAudioDecode) STOPPED";
                result = kProcessCancelled;
                break;
            }
            remainder *= 0.999;
            progress->SetProgress(1.0 - remainder);
        }
        player->Stop();
    }

    engine->ClosePlayer(player);
    player->Release();
    if (IRMAAudioDeviceManager* mgr = DeviceManager(engine)) {
        mgr->Remove(&sink);
        mgr->Release();
    }
    sink.Finish();  // a cancelled decoding leaves a complete file too
    return result;
}

// An exported function of the core library, as a plain function pointer to
// be cast to its real type.
using LAnyFunction = void (*)();
LAnyFunction Entry(const char* name) { return reinterpret_cast<LAnyFunction>(GetProcAddress(hCoreLibrary, name)); }

LProcessResult DecodeWithEngine(LProgress* progress, const LReadAudioDecode& rec) {
    auto create = reinterpret_cast<FPRMCREATEENGINE>(Entry("CreateEngine"));
    auto close = reinterpret_cast<FPRMCLOSEENGINE>(Entry("CloseEngine"));
    if (!create || !close) {
        tDiagnostic = "Process(LReadAudioDecode) CreateEngine or CloseEngine not found";
        return kProcessCancelled;
    }
    IRMAClientEngine* engine = nullptr;
    if (FAILED(create(&engine)) || !engine) {
        tDiagnostic = "Process(LReadAudioDecode) CreateEngine FAILED";
        return kProcessCancelled;
    }
    IRMAPlayer* player = nullptr;
    LProcessResult result = kProcessCancelled;
    if (FAILED(engine->CreatePlayer(player)) || !player)
        tDiagnostic = "Process(LReadAudioDecode) CreatePlayer FAILED";
    else
        result = PlayIntoSink(progress, engine, player, rec);
    close(engine);
    return result;
}

}  // namespace

RMAAudioSink::RMAAudioSink(const char* wavePath) { wave.Create(wavePath); }

RMAAudioSink::~RMAAudioSink() { Finish(); }

HRESULT RMAAudioSink::QueryInterface(REFIID riid, void** ppvObj) {
    if (!ppvObj) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IRMAAudioDevice) {
        *ppvObj = static_cast<IRMAAudioDevice*>(this);
        return S_OK;
    }
    *ppvObj = nullptr;
    return E_NOINTERFACE;
}

void RMAAudioSink::DropResponse() {
    if (pResponse) pResponse->Release();
    pResponse = nullptr;
}

HRESULT RMAAudioSink::Open(const RMAAudioFormat* pAudioFormat, IRMAAudioDeviceResponse* pStreamResponse) {
    if (!pAudioFormat || !pStreamResponse) return E_INVALIDARG;
    DropResponse();
    pResponse = pStreamResponse;
    pResponse->AddRef();
    wave.Begin(pAudioFormat->uChannels, pAudioFormat->uBitsPerSample, pAudioFormat->ulSamplesPerSec);
    nCurrentTime = 0;
    return S_OK;
}

HRESULT RMAAudioSink::Close(const BOOL) {
    DropResponse();
    return S_OK;
}

HRESULT RMAAudioSink::Write(const RMAAudioData* pAudioData) {
    if (!pAudioData || !pAudioData->pData) {
        tDiagnostic = "RMAAudioSink::Write pAudioData is NULL!";
        return E_INVALIDARG;
    }
    wave.Append(pAudioData->pData->GetBuffer(), pAudioData->pData->GetSize());
    nCurrentTime = pAudioData->ulAudioTime;
    if (pResponse) pResponse->OnTimeSync(nCurrentTime);
    return S_OK;
}

HRESULT RMAAudioSink::SetVolume(const UINT16 uVolume) {
    nVolume = uVolume;
    return S_OK;
}

HRESULT RMAAudioSink::GetCurrentAudioTime(ULONG32& ulCurrentTime) {
    ulCurrentTime = nCurrentTime;
    return S_OK;
}

void RMAAudioSink::Finish() {
    wave.Finish();
    DropResponse();
}

LProcessResult Process(LProgress* progress, LReadAudioDecode& record) {
    tDiagnostic = "";
    progress->SetText("Decoding Real Audio", 0);
    progress->SetText(record.szRealPath.c_str(), 1);
    progress->SetProgress(0.0);

    if (!LoadCoreLibrary()) {
        tDiagnostic = "Process(LReadAudioDecode) LoadLibrary FAILED";
        progress->ShowError(kNoCoreMessage);
        return kProcessFailed;
    }
    HRESULT com = CoInitialize(nullptr);
    LProcessResult result = DecodeWithEngine(progress, record);
    if (SUCCEEDED(com)) CoUninitialize();
    return result;
}

const char* RealAudioDiagnostic() { return tDiagnostic; }

namespace {
LProcessResult DecodeRealAudio(LProgress* progress, const std::string& realPath, const std::string& wavePath) {
    LReadAudioDecode rec{realPath, wavePath};
    return Process(progress, rec);
}
}  // namespace

void InstallRealAudioDecoder() { pDecodeRealAudio = DecodeRealAudio; }

}  // namespace sondrel
