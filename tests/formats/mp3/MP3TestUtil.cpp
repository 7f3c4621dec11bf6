#include "formats/mp3/MP3TestUtil.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

#include "formats/mp3/LMP3Source.h"
#include "support/TestUtil.h"

namespace sondrel::test {

namespace {
constexpr double kPi = 3.14159265358979323846;
}

std::vector<int16_t> MakeSignal(Signal kind, int32_t rate, int32_t chans, double seconds, uint32_t seed) {
    const int32_t frames = int32_t(rate * seconds);
    std::vector<int16_t> out(size_t(frames) * chans);
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    const double top = rate * 0.45;
    double phase = 0.0;
    for (int32_t i = 0; i < frames; ++i) {
        const double t = double(i) / rate;
        double l = 0.0, r = 0.0;
        switch (kind) {
            case Signal::kTone:
                l = 0.5 * std::sin(2 * kPi * 440.0 * t) + 0.2 * std::sin(2 * kPi * 3000.0 * t);
                r = 0.4 * std::sin(2 * kPi * 660.0 * t);
                break;
            case Signal::kSweep: {
                // Exponential sweep from 50 Hz to 0.45 of the rate.
                double f = 50.0 * std::pow(top / 50.0, t / seconds);
                phase += 2 * kPi * f / rate;
                l = 0.6 * std::sin(phase);
                r = 0.6 * std::sin(phase + 0.5);
                break;
            }
            case Signal::kNoise:
                l = 0.3 * noise(rng);
                r = 0.5 * l + 0.15 * noise(rng);
                break;
            case Signal::kTransients: {
                // Quiet tone with sharp bursts every quarter second: short blocks.
                double ph = std::fmod(t, 0.25);
                double burst = ph < 0.012 ? std::exp(-ph * 300.0) : 0.0;
                l = 0.03 * std::sin(2 * kPi * 220.0 * t) + burst * (0.5 * std::sin(2 * kPi * 2500.0 * t) + 0.3 * noise(rng));
                r = -0.6 * l + 0.02 * std::sin(2 * kPi * 330.0 * t);
                break;
            }
            case Signal::kMix:
                l = 0.3 * std::sin(2 * kPi * 300.0 * t) + 0.1 * noise(rng);
                r = 0.3 * std::sin(2 * kPi * 300.0 * t) + 0.1 * noise(rng) + 0.1 * std::sin(2 * kPi * 5000.0 * t);
                break;
        }
        auto s16 = [](double v) { return int16_t(std::lround(std::clamp(v, -1.0, 1.0) * 32767.0)); };
        if (chans == 1) {
            out[size_t(i)] = s16(l);
        } else {
            out[size_t(i) * 2] = s16(l);
            out[size_t(i) * 2 + 1] = s16(r);
        }
    }
    return out;
}

bool LameEncode(const std::string& wav, const std::string& mp3, const std::string& options) {
    return RunCommand("lame --quiet " + options + " '" + wav + "' '" + mp3 + "'") == 0;
}

std::vector<int16_t> Mpg123Decode(const std::string& mp3) {
    std::string raw = mp3 + ".mpg123.raw";
    std::vector<int16_t> out;
    if (RunCommand("mpg123 -q --no-gapless -s '" + mp3 + "' > '" + raw + "' 2>/dev/null") != 0) return out;
    std::vector<uint8_t> bytes = ReadBytes(raw);
    out.resize(bytes.size() / 2);
    for (size_t i = 0; i < out.size(); ++i) out[i] = int16_t(uint16_t(bytes[2 * i] | bytes[2 * i + 1] << 8));
    return out;
}

std::vector<int32_t> DecodeSource(LSoundSourceBase& src, int32_t block) {
    std::vector<int32_t> out;
    std::vector<int32_t> buf(size_t(block) * src.nChans);
    for (;;) {
        src.Read(buf.data(), block);
        int32_t pos = src.GetPosition(), len = src.GetLength();
        int32_t n = pos >= len ? block - (pos - len) : block;
        n = std::clamp(n, 0, block);
        out.insert(out.end(), buf.begin(), buf.begin() + size_t(n) * src.nChans);
        if (pos >= len) break;
    }
    return out;
}

std::vector<int32_t> DecodeFile(const std::string& mp3, int32_t* chans, int32_t* rate) {
    LSoundSourcePtr src = OpenMP3Source(mp3.c_str());
    if (chans) *chans = src->nChans;
    if (rate) *rate = src->nSampleRate;
    if (src->HasError()) return {};
    return DecodeSource(*src);
}

std::vector<int16_t> Rounded16(const std::vector<int32_t>& v) {
    std::vector<int16_t> out(v.size());
    for (size_t i = 0; i < v.size(); ++i) out[i] = int16_t(std::clamp((v[i] + 8) >> 4, -32768, 32767));
    return out;
}

Agreement Compare(const std::vector<int16_t>& ours, const std::vector<int16_t>& ref, size_t skip) {
    Agreement a;
    double signal = 0.0, error = 0.0;
    size_t n = ours.size() > skip ? std::min(ours.size() - skip, ref.size()) : 0;
    for (size_t i = 0; i < n; ++i) {
        int32_t d = int32_t(ours[i + skip]) - ref[i];
        a.maxDiff = std::max(a.maxDiff, std::abs(d));
        error += double(d) * d;
        signal += double(ref[i]) * ref[i];
    }
    a.compared = n;
    a.snrDb = error > 0.0 ? 10.0 * std::log10(signal / error) : 999.0;
    return a;
}

void BitWriter::Put(uint32_t value, int32_t bits) {
    for (int32_t i = bits - 1; i >= 0; --i) {
        if (nBits % 8 == 0) bytes_.push_back(0);
        if ((value >> i) & 1) bytes_.back() |= uint8_t(0x80 >> (nBits % 8));
        ++nBits;
    }
}

void BitWriter::PadTo(size_t bytes) {
    while (bytes_.size() < bytes) bytes_.push_back(0);
    nBits = bytes_.size() * 8;
}

}  // namespace sondrel::test
