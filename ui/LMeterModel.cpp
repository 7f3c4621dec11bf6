#include "ui/LMeterModel.h"

#include <algorithm>
#include <cstdio>

namespace sondrel {

LMeterRect LMeterModel::Stripe(int32_t bar, int32_t oldDB, int32_t newDB, int32_t w, int32_t h) const {
    LMeterRect r;
    int32_t x1 = LevelX(oldDB, w), x2 = LevelX(newDB, w);
    r.left = std::min(x1, x2);
    r.right = std::max(x1, x2) + 1;
    r.top = BarTop(bar, nBars, h);
    r.bottom = BarTop(bar + 1, nBars, h);
    return r;
}

LMeterModel::Repaint LMeterModel::SetLevel(int32_t dB, int32_t width, int32_t height) {
    Repaint rp;
    int32_t v = Clamp(dB);
    if (nBars == 1) {
        if (iLevels[0] != v) {
            rp.stripes[rp.nStripes++] = Stripe(0, iLevels[0], v, width, height);
        }
    } else {
        rp.bAll = true;
    }
    nBars = 1;
    iLevels[0] = int8_t(v);
    return rp;
}

LMeterModel::Repaint LMeterModel::SetLevels(const int8_t* levels, int32_t count, int32_t width, int32_t height) {
    Repaint rp;
    int32_t n = std::clamp(count, 0, kMeterMaxBars);
    if (n != nBars) {
        rp.bAll = true;
        nBars = n;
        for (int32_t i = 0; i < n; ++i) iLevels[i] = int8_t(Clamp(levels[i]));
        return rp;
    }
    for (int32_t i = 0; i < n; ++i) {
        int32_t v = Clamp(levels[i]);
        if (v != iLevels[i]) {
            rp.stripes[rp.nStripes++] = Stripe(i, iLevels[i], v, width, height);
            iLevels[i] = int8_t(v);
        }
    }
    return rp;
}

LMeterModel::BarPaint LMeterModel::PaintBar(int32_t dB, int32_t w) {
    BarPaint p;
    int32_t x = LevelX(Clamp(dB), w), zero = LevelX(0, w);
    p.greenEnd = std::min(x, zero);
    p.redEnd = dB > 0 ? x : p.greenEnd;
    return p;
}

bool LDBEditModel::SetValue(int32_t dB) {
    int32_t v = std::clamp<int32_t>(dB, std::min(iMin, iMax), iMax);
    bool changed = v != iValue;
    iValue = int8_t(v);
    return changed;
}

bool LDBEditModel::ValueAt(int32_t x, int32_t w, int32_t& dB) const {
    if (x < nTrackStart) return false;
    // A slider no wider than its edit still answers (with its minimum or
    // maximum) instead of dividing by zero.
    int32_t track = std::max(w - nTrackStart, 1);
    int32_t v = iMin + (x - nTrackStart) * (iMax - iMin) / track;
    dB = std::clamp<int32_t>(v, std::min(iMin, iMax), iMax);
    return true;
}

int32_t LDBEditModel::ValueX(int32_t dB, int32_t w) const {
    int32_t span = iMax - iMin;
    if (span <= 0) return nTrackStart;
    return nTrackStart + (dB - iMin) * (w - nTrackStart) / span;
}

std::string LDBEditModel::Text(int32_t dB) {
    if (dB <= -127) return "--dB";
    char t[16];
    std::snprintf(t, sizeof t, "%ddB", int(dB));
    return t;
}

}  // namespace sondrel
