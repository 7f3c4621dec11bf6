// RealAudio import: loads the core library of an installed RealPlayer, lets
// one of its players play the file as fast as the library delivers it, and
// puts our own audio device, RMAAudioSink, in place of the sound card, so
// that the decoded PCM lands in a WAV file.
#pragma once
#include <string>

#include "core/LProgress.h"
#include "formats/LRealAudio.h"
#include "formats/win32/RealAudioInterfaces.h"

namespace sondrel {

// The registry key (under HKEY_CLASSES_ROOT) whose default value names the
// folder of RealPlayer's shared libraries, and the core library's name.
extern const char* const kRealCoreFolderKey;
extern const char* const kRealCoreLibrary;

// The audio device handed to the library: writes the PCM it is given into
// a WAV file. Lives for one decoding; not reference counted (AddRef and
// Release answer 1).
class RMAAudioSink : public rma::IRMAAudioDevice {
public:
    // Creates the WAV file; when it cannot be created the audio is discarded.
    explicit RMAAudioSink(const char* wavePath);
    ~RMAAudioSink();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObj) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE Open(const rma::RMAAudioFormat* pAudioFormat,
                                   rma::IRMAAudioDeviceResponse* pStreamResponse) override;
    HRESULT STDMETHODCALLTYPE Close(const BOOL bFlush) override;
    HRESULT STDMETHODCALLTYPE Resume() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Pause() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Write(const rma::RMAAudioData* pAudioData) override;
    BOOL STDMETHODCALLTYPE InitVolume(const rma::UINT16, const rma::UINT16) override { return TRUE; }
    HRESULT STDMETHODCALLTYPE SetVolume(const rma::UINT16 uVolume) override;
    rma::UINT16 STDMETHODCALLTYPE GetVolume() override { return nVolume; }
    HRESULT STDMETHODCALLTYPE Reset() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Drain() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE CheckFormat(const rma::RMAAudioFormat*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetCurrentAudioTime(rma::ULONG32& ulCurrentTime) override;

    // Writes the sizes and closes the WAV file; drops a response still held.
    void Finish();
    bool HasFile() const { return wave.IsOpen(); }

private:
    void DropResponse();

    rma::IRMAAudioDeviceResponse* pResponse = nullptr;
    rma::UINT16 nVolume = 0;
    rma::ULONG32 nCurrentTime = 0;
    LRealAudioWave wave;
};

// Decodes szRealPath into the WAV file szWavePath under the progress dialog.
// 0 done. 1 cancelled, or the library cannot play the file (an entry point
// or the engine is missing, the file does not open, or it does not begin:
// that last one with a message). 2 the library is not installed (with a
// message). A cancelled decoding still leaves a complete WAV file of what
// was decoded so far.
struct LReadAudioDecode {
    std::string szRealPath;
    std::string szWavePath;
};
LProcessResult Process(LProgress* progress, LReadAudioDecode& record);

// The trace text of the last decoding's failure point on this thread (""
// after a clean run). Never shown to the user.
const char* RealAudioDiagnostic();

// Makes the loader decode RealAudio files through Process above.
void InstallRealAudioDecoder();

}  // namespace sondrel
