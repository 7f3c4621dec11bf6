#include "formats/LRealAudio.h"

#include <cstring>

namespace sondrel {

LDecodeRealAudio pDecodeRealAudio = nullptr;

bool IsRealAudioType(const std::string& ext) {
    std::string e;
    for (char c : ext) e += char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return e == ".ra" || e == ".ram" || e == ".rm";
}

namespace {
void Put16(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
    Put16(p, v & 0xFFFF);
    Put16(p + 2, v >> 16);
}
}  // namespace

bool LRealAudioWave::Create(const char* path) {
    Finish();
    nBytes = 0;
    bBegun = false;
    return hFile.Open(path, LFile::kCreate);
}

void LRealAudioWave::WriteHeader(uint32_t riffSize, uint32_t dataSize) {
    uint8_t h[kHeaderBytes] = {};
    std::memcpy(h, "RIFF", 4);
    Put32(h + 4, riffSize);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    Put32(h + 16, 18);
    Put16(h + 20, 1);  // PCM
    Put16(h + 22, nChannels);
    Put32(h + 24, nRate);
    uint32_t blockAlign = (nBits <= 8 ? 1u : 2u) * nChannels;
    Put32(h + 28, blockAlign * nRate);
    Put16(h + 32, blockAlign);
    Put16(h + 34, nBits);
    Put16(h + 36, 0);  // no extra format bytes
    std::memcpy(h + 38, "data", 4);
    Put32(h + 42, dataSize);
    hFile.Seek(0);
    hFile.Write(h, kHeaderBytes);
}

void LRealAudioWave::Begin(uint16_t channels, uint16_t bitsPerSample, uint32_t sampleRate) {
    nChannels = channels;
    nBits = bitsPerSample;
    nRate = sampleRate;
    nBytes = 0;
    if (!hFile.IsOpen()) return;
    bBegun = true;
    WriteHeader(0xFFFFFFFFu, 0xFFFFFFFFu);
    hFile.Truncate();  // audio of an earlier start is not part of this one
}

void LRealAudioWave::Append(const void* data, uint32_t bytes) {
    if (!hFile.IsOpen() || !bBegun || !data || bytes == 0) return;
    nBytes += hFile.Write(data, bytes);
}

void LRealAudioWave::Finish() {
    if (!hFile.IsOpen()) return;
    // A file the library never opened stays empty: there is no format to
    // describe, and the loader finds no usable WAV in it.
    if (bBegun) WriteHeader(nBytes + 38, nBytes);
    hFile.Close();
    bBegun = false;
}

}  // namespace sondrel
