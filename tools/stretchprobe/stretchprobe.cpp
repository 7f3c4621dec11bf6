// Measures what the speed changes that keep the pitch, and the pitch changes
// that keep the speed, do to their input:
//   stretchprobe tones
//       steady tones through both commands at several percentages: the
//       strongest frequency of the output against the expected one, and the
//       output length against the input length divided by the factor
//   stretchprobe flux file.raw rate channels
//       spectral flux of a raw 16-bit little-endian recording: how much the
//       short-time spectrum changes from one 5.8 ms step to the next,
//       relative to its level, averaged over the steps that are not silent.
//       Splices that jump in phase smear the spectrum at every splice and
//       raise it; a recording slowed down smoothly lowers it.
//   stretchprobe periodicity file.raw rate channels
//       how closely the recording repeats itself one voice period later,
//       averaged over the steps that are not silent (1 for a steady tone):
//       voiced speech keeps it high, splices that jump in phase lower it.
#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/LPump.h"
#include "effects/LSpeedPitch.h"
#include "support/ToneMeasure.h"

using namespace sondrel;

namespace {

constexpr int32_t kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

class ToneSource : public LSoundSourceBase {
public:
    ToneSource(double hz, int32_t frames) : LSoundSourceBase(kRate, 2, kMax16), hz_(hz), len_(frames) {}
    void Read(int32_t* buffer, int32_t n) override {
        for (int32_t i = 0; i < n; ++i, ++pos_) {
            int32_t s = pos_ >= 0 && pos_ < len_ ? int32_t(std::lround(200000 * std::sin(2 * kPi * hz_ * pos_ / kRate)))
                                                 : 0;
            buffer[2 * i] = buffer[2 * i + 1] = s;
        }
    }
    int32_t GetPosition() override { return pos_; }
    int32_t GetLength() override { return len_; }
    void Seek(int32_t p) override { pos_ = p; }

private:
    double hz_;
    int32_t len_;
    int32_t pos_ = 0;
};

class CollectSink : public LSoundSinkBase {
public:
    explicit CollectSink(std::vector<double>* left) : LSoundSinkBase(kRate, 2), left_(left) {}
    void Write(const int32_t* buffer, int32_t n) override {
        for (int32_t i = 0; i < n; ++i) left_->push_back(double(buffer[2 * i]));
        nPosition += n;
    }

private:
    std::vector<double>* left_;
};

int Tones() {
    const int32_t n = 2 * kRate;
    const double tones[] = {30, 45, 60, 100, 131, 440, 1000, 4000};
    struct Run {
        int32_t mode, percent;
    } runs[] = {{1, 50}, {1, 75}, {1, 150}, {1, 200}, {2, 50}, {2, 200}, {2, 70}};
    std::printf("%-8s %-14s %8s %10s %10s %8s %9s %9s\n", "tone Hz", "command", "percent", "expect Hz", "got Hz",
                "error %", "frames", "expected");
    double worst = 0;
    for (const Run& r : runs) {
        for (double hz : tones) {
            std::vector<double> out;
            LPRSourceToSink pump;
            pump.szCaption = "probe";
            pump.pSource = OpenSpeedPitchChain(LSoundSourcePtr(new ToneSource(hz, n)), r.percent, r.mode);
            pump.pSink = LSoundSinkPtr(new CollectSink(&out));
            LNullProgress progress;
            if (Process(&progress, pump) != kProcessDone) {
                std::fprintf(stderr, "pump failed\n");
                return 1;
            }
            const double f = SpeedPitchFactor(r.percent);
            const double expectHz = r.mode == kSpeedPitchConstantSpeed ? hz * f : hz;
            const double expectFrames = r.mode == kSpeedPitchConstantSpeed ? n : n / f;
            // The middle of the output, away from both ends.
            size_t from = out.size() / 8, to = out.size() - out.size() / 8;
            std::vector<double> mid(out.begin() + ptrdiff_t(from), out.begin() + ptrdiff_t(to));
            const double got = test::StrongestFrequency(mid, kRate);
            const double err = 100.0 * (got - expectHz) / expectHz;
            // A tone whose period exceeds the splice search's reach (a third
            // of the segment rate, 30 Hz) cannot always be matched in phase.
            if (expectHz >= 30) worst = std::max(worst, std::fabs(err));
            std::printf("%-8g %-14s %8d %10.2f %10.2f %8.3f %9zu %9.0f\n", hz,
                        r.mode == kSpeedPitchConstantSpeed ? "pitch" : "speed", r.percent, expectHz, got, err,
                        out.size(), expectFrames);
        }
    }
    std::printf("worst frequency error, expected 30 Hz and above: %.3f %%\n", worst);
    return 0;
}

std::vector<double> ReadMono(const char* path, int chans) {
    std::vector<double> x;
    FILE* f = std::fopen(path, "rb");
    if (!f) return x;
    std::vector<int16_t> frame(static_cast<size_t>(chans));
    while (std::fread(frame.data(), 2, size_t(chans), f) == size_t(chans)) {
        double s = 0;
        for (int16_t v : frame) s += v;
        x.push_back(s / chans);
    }
    std::fclose(f);
    return x;
}

int Flux(const char* path, int rate, int chans) {
    const std::vector<double> x = ReadMono(path, chans);
    const size_t frame = 1024, step = size_t(rate) * 58 / 10000;
    if (x.size() < frame * 4) {
        std::fprintf(stderr, "%s: too short or unreadable\n", path);
        return 1;
    }
    std::vector<std::vector<double>> mags;
    std::vector<double> energy;
    for (size_t at = 0; at + frame <= x.size(); at += step) {
        std::vector<std::complex<double>> a(frame);
        for (size_t i = 0; i < frame; ++i)
            a[i] = x[at + i] * (0.5 - 0.5 * std::cos(2 * kPi * (double(i) + 0.5) / double(frame)));
        test::Fft(a);
        std::vector<double> m(frame / 2);
        double e = 0;
        for (size_t k = 0; k < frame / 2; ++k) {
            m[k] = std::abs(a[k]);
            e += m[k] * m[k];
        }
        mags.push_back(std::move(m));
        energy.push_back(e);
    }
    const double top = *std::max_element(energy.begin(), energy.end());
    double sum = 0;
    int counted = 0;
    for (size_t t = 1; t < mags.size(); ++t) {
        // Steps within 40 dB of the loudest, both sides of the step.
        if (energy[t] < top * 1e-4 || energy[t - 1] < top * 1e-4) continue;
        double d = 0;
        for (size_t k = 0; k < frame / 2; ++k) {
            double v = mags[t][k] - mags[t - 1][k];
            d += v * v;
        }
        sum += d / std::sqrt(energy[t] * energy[t - 1]);
        ++counted;
    }
    std::printf("%.4f %d\n", counted ? sum / counted : 0.0, counted);
    return 0;
}

// Mean over the frames that are not silent (40 ms, 10 ms apart) of the
// highest normalised autocorrelation at a lag of one voice period (2.5 to
// 12.5 ms). Voiced speech repeats itself period after period; a splice that
// jumps in phase breaks that, and lowers the mean.
int Periodicity(const char* path, int rate, int chans) {
    const std::vector<double> x = ReadMono(path, chans);
    const size_t frame = size_t(rate) * 40 / 1000, step = size_t(rate) / 100;
    const size_t minLag = size_t(rate) * 25 / 10000, maxLag = size_t(rate) * 125 / 10000;
    if (x.size() < frame + maxLag) {
        std::fprintf(stderr, "%s: too short or unreadable\n", path);
        return 1;
    }
    std::vector<double> energy;
    for (size_t at = 0; at + frame + maxLag <= x.size(); at += step) {
        double e = 0;
        for (size_t i = 0; i < frame; ++i) e += x[at + i] * x[at + i];
        energy.push_back(e);
    }
    const double top = *std::max_element(energy.begin(), energy.end());
    double sum = 0;
    int counted = 0;
    for (size_t f = 0; f < energy.size(); ++f) {
        if (energy[f] < top * 1e-3) continue;  // within 30 dB of the loudest
        const double* a = x.data() + f * step;
        double best = -1;
        for (size_t lag = minLag; lag <= maxLag; ++lag) {
            double dot = 0, eb = 0;
            for (size_t i = 0; i < frame; ++i) {
                dot += a[i] * a[i + lag];
                eb += a[i + lag] * a[i + lag];
            }
            if (eb > 0) best = std::max(best, dot / std::sqrt(energy[f] * eb));
        }
        sum += best;
        ++counted;
    }
    std::printf("%.4f %d\n", counted ? sum / counted : 0.0, counted);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "tones") == 0) return Tones();
    if (argc >= 5 && std::strcmp(argv[1], "flux") == 0) return Flux(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
    if (argc >= 5 && std::strcmp(argv[1], "periodicity") == 0)
        return Periodicity(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
    std::fprintf(stderr, "usage: %s tones | flux|periodicity file.raw rate channels\n", argv[0]);
    return 2;
}
