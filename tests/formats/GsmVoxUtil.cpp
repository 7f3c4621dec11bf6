#include "formats/GsmVoxUtil.h"

#include <cmath>

#include "core/LSample.h"
#include "support/LFile.h"

namespace sondrel::test {

namespace {
struct Rng {
    uint32_t s;
    uint32_t Next() {
        s = s * 1664525u + 1013904223u;
        return s;
    }
    double Uniform() { return (Next() >> 8) / double(1u << 24); }  // 0..1
    double Signed() { return Uniform() * 2.0 - 1.0; }
};

double Resonance(double f, double centre, double width) {
    double d = (f - centre) / width;
    return 1.0 / (1.0 + d * d);
}
}  // namespace

std::vector<int16_t> SpeechLike(int32_t samples, uint32_t seed, double peak) {
    const double kPi = 3.14159265358979323846;
    Rng rng{seed * 2654435761u + 12345u};
    std::vector<double> out(size_t(samples), 0.0);
    double phase[40] = {};
    double f0 = 120.0, f1 = 500.0, f2 = 1500.0;
    double hp = 0.0, prevNoise = 0.0;
    int32_t i = 0;
    while (i < samples) {
        const int32_t len = 640 + int32_t(rng.Uniform() * 1760);  // 80..300 ms
        const double kind = rng.Uniform();
        const double gain = 0.3 + 0.7 * rng.Uniform();
        const double f0End = 90.0 + 130.0 * rng.Uniform();
        const double f1End = 300.0 + 500.0 * rng.Uniform();
        const double f2End = 900.0 + 1300.0 * rng.Uniform();
        for (int32_t k = 0; k < len && i < samples; ++k, ++i) {
            const double t = double(k) / len;
            const double env = gain * std::sin(kPi * t);
            const double noise = rng.Signed();
            double v = 0.0;
            if (kind < 0.7) {
                const double f = f0 + (f0End - f0) * t;
                const double a1 = f1 + (f1End - f1) * t, a2 = f2 + (f2End - f2) * t;
                double norm = 0.0;
                for (int h = 1; h < 40 && h * f < 3600.0; ++h) {
                    const double fh = h * f;
                    const double amp = Resonance(fh, a1, 90.0) + 0.6 * Resonance(fh, a2, 120.0) +
                                       0.25 * Resonance(fh, 2600.0, 200.0) + 0.02;
                    phase[h] += 2.0 * kPi * fh / 8000.0;
                    v += amp * std::sin(phase[h]);
                    norm += amp;
                }
                v = env * v / (norm > 0 ? norm * 0.35 : 1.0);
            } else if (kind < 0.9) {
                hp = 0.9 * (hp + noise - prevNoise);  // hiss: high-passed noise
                v = 0.5 * env * hp;
            }
            prevNoise = noise;
            out[size_t(i)] = v + 0.0005 * noise;
        }
        f0 = f0End;
        f1 = f1End;
        f2 = f2End;
    }
    double top = 1e-9;
    for (double v : out) top = std::max(top, std::fabs(v));
    std::vector<int16_t> r(out.size());
    for (size_t k = 0; k < out.size(); ++k) r[k] = int16_t(std::lround(out[k] * peak / top));
    return r;
}

std::vector<int32_t> ToInternal(const std::vector<int16_t>& v) {
    std::vector<int32_t> r(v.size());
    for (size_t i = 0; i < v.size(); ++i) r[i] = FromPCM16(v[i]);
    return r;
}

std::vector<int16_t> To16(const std::vector<int32_t>& v) {
    std::vector<int16_t> r(v.size());
    for (size_t i = 0; i < v.size(); ++i) {
        int32_t s = v[i];
        if (s > kMax16) s = kMax16;
        if (s < -kFullScale) s = -kFullScale;
        r[i] = ToPCM16(s);
    }
    return r;
}

bool WriteRaw16(const std::string& path, const std::vector<int16_t>& v) {
    return LFile::WriteAll(path.c_str(), v.data(), v.size() * sizeof(int16_t));
}

std::vector<int16_t> ReadRaw16(const std::string& path) {
    std::vector<uint8_t> b;
    LFile::ReadAll(path.c_str(), b);
    std::vector<int16_t> r(b.size() / 2);
    for (size_t i = 0; i < r.size(); ++i) r[i] = int16_t(uint16_t(b[2 * i] | (b[2 * i + 1] << 8)));
    return r;
}

double Rms(const std::vector<double>& v) {
    double s = 0.0;
    for (double x : v) s += x * x;
    return v.empty() ? 0.0 : std::sqrt(s / double(v.size()));
}

double SnrDb(const std::vector<double>& ref, const std::vector<double>& test) {
    const size_t n = std::min(ref.size(), test.size());
    double sig = 0.0, err = 0.0;
    for (size_t i = 0; i < n; ++i) {
        sig += ref[i] * ref[i];
        err += (test[i] - ref[i]) * (test[i] - ref[i]);
    }
    if (err == 0.0) return 200.0;
    return 10.0 * std::log10(sig / err);
}

double Correlation(const std::vector<double>& a, const std::vector<double>& b) {
    const size_t n = std::min(a.size(), b.size());
    double ab = 0.0, aa = 0.0, bb = 0.0;
    for (size_t i = 0; i < n; ++i) {
        ab += a[i] * b[i];
        aa += a[i] * a[i];
        bb += b[i] * b[i];
    }
    return (aa > 0.0 && bb > 0.0) ? ab / std::sqrt(aa * bb) : 0.0;
}

}  // namespace sondrel::test
