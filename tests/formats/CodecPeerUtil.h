// Helpers of the tests that check our readers and writers against the peer
// programs (sox, flac, oggenc/oggdec, opusenc/opusdec): running a peer,
// reading its raw 16-bit output in the engine's scale, and the fixtures the
// build makes with the peers for the Windows tests, which cannot run them.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/LSoundStream.h"
#include "support/TestUtil.h"

namespace sondrel::test {

inline std::string Q(const std::string& path) { return "'" + path + "'"; }

// Signed 16-bit little-endian samples of a raw file, × 16 (named apart from
// GsmVoxUtil's ReadRaw16: two functions of one name and arguments are one
// symbol to the linker, whatever they return).
inline std::vector<int32_t> ReadRaw16AsSamples(const std::string& raw) {
    std::vector<uint8_t> b = ReadBytes(raw);
    std::vector<int32_t> s;
    for (size_t k = 0; k + 1 < b.size(); k += 2) s.push_back(int32_t(int16_t(uint16_t(b[k] | (b[k + 1] << 8)))) * 16);
    return s;
}

// The peer-made fixture (SONDREL_FIXTURES_DIR), or "" when the build made none.
inline std::string Fixture(const std::string& name) {
    std::string p = std::string(SONDREL_FIXTURES_DIR) + "/" + name;
    return std::vector<uint8_t>(ReadBytes(p)).empty() ? std::string() : p;
}

// Reads a source whole, from 0 to its length (the length may settle while reading).
inline std::vector<int32_t> Drain(LSoundSourceBase& src) {
    std::vector<int32_t> all, block(size_t(8192) * src.nChans);
    src.Seek(0);
    for (;;) {
        src.Read(block.data(), 8192);
        int32_t pos = src.GetPosition(), len = src.GetLength();
        int32_t n = pos >= len ? 8192 - (pos - len) : 8192;
        if (n > 0) all.insert(all.end(), block.begin(), block.begin() + ptrdiff_t(n) * src.nChans);
        if (pos >= len) return all;
    }
}

// The largest difference between two sample runs in 16-bit steps, or -1
// when their lengths differ.
inline int32_t MaxStep(const std::vector<int32_t>& a, const std::vector<int32_t>& b) {
    if (a.size() != b.size()) return -1;
    int32_t worst = 0;
    for (size_t i = 0; i < a.size(); ++i) worst = std::max(worst, std::abs(a[i] - b[i]) / 16);
    return worst;
}

// Signed 32-bit little-endian samples of a raw file, in 16-bit steps.
inline std::vector<double> ReadRaw32(const std::string& raw) {
    std::vector<uint8_t> b = ReadBytes(raw);
    std::vector<double> s;
    for (size_t k = 0; k + 3 < b.size(); k += 4)
        s.push_back(double(int32_t(uint32_t(b[k]) | uint32_t(b[k + 1]) << 8 | uint32_t(b[k + 2]) << 16 |
                                   uint32_t(b[k + 3]) << 24)) /
                    65536.0);
    return s;
}

// sox's 32-bit decode of a file (after the effects given), in 16-bit steps:
// exact for anything up to 32 bits.
inline std::vector<double> SoxExact(const std::string& file, const std::string& effects = "") {
    std::string raw = file + ".s32";
    if (RunCommand("sox " + Q(file) + " -t raw -e signed -b 32 " + Q(raw) + " " + effects + " 2>/dev/null") != 0)
        return {};
    return ReadRaw32(raw);
}

// The largest distance of our samples from exact ones, in 16-bit steps
// (infinity when the lengths differ).
inline double MaxDistance(const std::vector<int32_t>& ours, const std::vector<double>& exact) {
    if (ours.size() != exact.size()) return 1e30;
    double worst = 0;
    for (size_t i = 0; i < ours.size(); ++i) worst = std::max(worst, std::fabs(ours[i] / 16.0 - exact[i]));
    return worst;
}

// Writes samples through a sink in 8192-frame blocks and finishes it.
inline bool WriteAllTo(LSoundSinkPtr sink, const std::vector<int32_t>& samples) {
    if (!sink || sink->HasError()) return false;
    size_t chans = sink->nChans;
    for (size_t at = 0; at < samples.size(); at += 8192 * chans) {
        size_t n = std::min(samples.size() - at, 8192 * chans) / chans;
        sink->Write(samples.data() + at, int32_t(n));
    }
    return sink->Finish();
}

// A test signal in the engine's 16-bit steps: two tones and a little noise.
inline std::vector<int32_t> TestSignal(int32_t frames, uint32_t chans, int32_t rate) {
    const double kPi = 3.14159265358979323846;
    std::vector<int32_t> s(size_t(frames) * chans);
    uint32_t noise = 12345;
    for (int32_t i = 0; i < frames; ++i)
        for (uint32_t c = 0; c < chans; ++c) {
            noise = noise * 1664525u + 1013904223u;
            double t = double(i) / rate;
            double v = 9000 * std::sin(2 * kPi * (440 + 110 * c) * t) + 5000 * std::sin(2 * kPi * 1250 * t) +
                       double(int32_t(noise >> 20) - 2048);
            s[size_t(i) * chans + c] = int32_t(std::lround(v)) * 16;
        }
    return s;
}

}  // namespace sondrel::test
