// Signals, raw files and measures shared by the GSM and VOX tests.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "support/TestUtil.h"

namespace sondrel::test {

// Deterministic speech-like 16-bit signal at 8000 Hz: voiced stretches
// (harmonics of a drifting pitch shaped by moving formants), hissy unvoiced
// stretches and pauses, with syllable envelopes; peaks near 'peak'.
std::vector<int16_t> SpeechLike(int32_t samples, uint32_t seed, double peak = 16000.0);

std::vector<int32_t> ToInternal(const std::vector<int16_t>& v);
std::vector<int16_t> To16(const std::vector<int32_t>& v);

bool WriteRaw16(const std::string& path, const std::vector<int16_t>& v);
std::vector<int16_t> ReadRaw16(const std::string& path);

double Rms(const std::vector<double>& v);
// Signal-to-noise ratio of 'test' against 'ref' in dB over their common length.
double SnrDb(const std::vector<double>& ref, const std::vector<double>& test);
// Correlation coefficient over the common length.
double Correlation(const std::vector<double>& a, const std::vector<double>& b);
template <class T>
std::vector<double> AsDouble(const std::vector<T>& v, double scale = 1.0) {
    std::vector<double> d(v.size());
    for (size_t i = 0; i < v.size(); ++i) d[i] = double(v[i]) * scale;
    return d;
}

}  // namespace sondrel::test
