// The parts of RealNetworks' published RealAudio client interfaces that the
// import uses: COM-style interfaces (methods __stdcall, slots in the order
// published with the client SDK), their interface ids, the two structures
// handed to an audio device, and the core library's two exported
// functions. The import and its test double both build on these.
#pragma once
#include <windows.h>
#include <unknwn.h>

namespace sondrel::rma {

using UINT16 = unsigned short;
using ULONG32 = unsigned int;

// {000007xx-0901-11d1-8B06-00A024406D59} and the like.
constexpr GUID MakeRmaGuid(unsigned long first) {
    return GUID{first, 0x0901, 0x11d1, {0x8b, 0x06, 0x00, 0xa0, 0x24, 0x40, 0x6d, 0x59}};
}
constexpr GUID IID_IRMAPlayer = MakeRmaGuid(0x00000402);
constexpr GUID IID_IRMAClientEngine = MakeRmaGuid(0x00000403);
constexpr GUID IID_IRMAAudioDevice = MakeRmaGuid(0x00000703);
constexpr GUID IID_IRMAAudioDeviceResponse = MakeRmaGuid(0x00000704);
constexpr GUID IID_IRMAAudioDeviceManager = MakeRmaGuid(0x0000070A);
constexpr GUID IID_IRMABuffer = MakeRmaGuid(0x00001300);

struct RMAAudioFormat {
    UINT16 uChannels;
    UINT16 uBitsPerSample;
    ULONG32 ulSamplesPerSec;
    UINT16 uMaxBlockSize;
};

enum AudioStreamType { STREAMING_AUDIO = 0, INSTANTANEOUS_AUDIO = 1, TIMED_AUDIO = 2 };

struct IRMABuffer;

struct RMAAudioData {
    IRMABuffer* pData;
    ULONG32 ulAudioTime;  // start time of the block, in milliseconds
    AudioStreamType uAudioStreamType;
};

struct IRMABuffer : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Get(UCHAR*& pData, ULONG32& ulLength) = 0;
    virtual HRESULT STDMETHODCALLTYPE Set(const UCHAR* pData, ULONG32 ulLength) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetSize(ULONG32 ulLength) = 0;
    virtual ULONG32 STDMETHODCALLTYPE GetSize() = 0;
    virtual UCHAR* STDMETHODCALLTYPE GetBuffer() = 0;
};

struct IRMAAudioDeviceResponse : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE OnTimeSync(ULONG32 ulTimeEnd) = 0;
};

struct IRMAAudioDevice : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Open(const RMAAudioFormat* pAudioFormat,
                                           IRMAAudioDeviceResponse* pStreamResponse) = 0;
    virtual HRESULT STDMETHODCALLTYPE Close(const BOOL bFlush) = 0;
    virtual HRESULT STDMETHODCALLTYPE Resume() = 0;
    virtual HRESULT STDMETHODCALLTYPE Pause() = 0;
    virtual HRESULT STDMETHODCALLTYPE Write(const RMAAudioData* pAudioData) = 0;
    virtual BOOL STDMETHODCALLTYPE InitVolume(const UINT16 uMinVolume, const UINT16 uMaxVolume) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetVolume(const UINT16 uVolume) = 0;
    virtual UINT16 STDMETHODCALLTYPE GetVolume() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Drain() = 0;
    virtual HRESULT STDMETHODCALLTYPE CheckFormat(const RMAAudioFormat* pAudioFormat) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurrentAudioTime(ULONG32& ulCurrentTime) = 0;
};

// Only the first two methods are used; the published interface has more
// slots after them (final hooks, the audio format).
struct IRMAAudioDeviceManager : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Replace(IRMAAudioDevice* pAudioDevice) = 0;
    virtual HRESULT STDMETHODCALLTYPE Remove(IRMAAudioDevice* pAudioDevice) = 0;
};

struct IRMAClientEngine;

struct IRMAPlayer : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetClientEngine(IRMAClientEngine*& pEngine) = 0;
    virtual BOOL STDMETHODCALLTYPE IsDone() = 0;
    virtual BOOL STDMETHODCALLTYPE IsLive() = 0;
    virtual ULONG32 STDMETHODCALLTYPE GetCurrentPlayTime() = 0;
    virtual HRESULT STDMETHODCALLTYPE OpenURL(const char* pURL) = 0;
    virtual HRESULT STDMETHODCALLTYPE Begin() = 0;
    virtual HRESULT STDMETHODCALLTYPE Stop() = 0;
    virtual HRESULT STDMETHODCALLTYPE Pause() = 0;
    virtual HRESULT STDMETHODCALLTYPE Seek(ULONG32 ulTime) = 0;
    virtual UINT16 STDMETHODCALLTYPE GetSourceCount() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSource(UINT16 nIndex, IUnknown*& pUnknown) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetClientContext(IUnknown* pUnknown) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClientContext(IUnknown*& pUnknown) = 0;
    virtual HRESULT STDMETHODCALLTYPE AddAdviseSink(IUnknown* pAdviseSink) = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveAdviseSink(IUnknown* pAdviseSink) = 0;
};

struct IRMAClientEngine : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CreatePlayer(IRMAPlayer*& pPlayer) = 0;
    virtual HRESULT STDMETHODCALLTYPE ClosePlayer(IRMAPlayer* pPlayer) = 0;
    virtual UINT16 STDMETHODCALLTYPE GetPlayerCount() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPlayer(UINT16 nPlayerNumber, IUnknown*& pUnknown) = 0;
    virtual HRESULT STDMETHODCALLTYPE EventOccurred(void* pEvent) = 0;
};

// Exported by the core library as "CreateEngine" and "CloseEngine".
using FPRMCREATEENGINE = HRESULT(STDMETHODCALLTYPE*)(IRMAClientEngine** ppEngine);
using FPRMCLOSEENGINE = HRESULT(STDMETHODCALLTYPE*)(IRMAClientEngine* pEngine);

}  // namespace sondrel::rma
