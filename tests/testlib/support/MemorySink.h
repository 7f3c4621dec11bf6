// A mono sink over memory that can go back and overwrite, as the cut-list
// writer does: what it leaves is what lies before its final position. The
// recording tests compute their expected takes through it.
#pragma once
#include <cstdint>
#include <vector>

#include "core/LSoundStream.h"

namespace sondrel::test {

class MemorySink : public LSoundSinkBase {
public:
    MemorySink(int32_t rate, std::vector<int32_t>* out) : LSoundSinkBase(rate, 1), out_(out) {}
    ~MemorySink() override { out_->resize(size_t(nPosition)); }
    void Write(const int32_t* b, int32_t n) override {
        out_->resize(size_t(nPosition));
        out_->insert(out_->end(), b, b + n);
        nPosition += n;
    }
    void Seek(int32_t p) override { nPosition = p; }

private:
    std::vector<int32_t>* out_;
};

}  // namespace sondrel::test
