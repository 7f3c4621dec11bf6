// The pull model: sources deliver frames, sinks accept them. Both are shared
// through an intrusive 16-bit reference count; the last release destroys the
// object through its virtual destructor (which is where sinks finish output).
#pragma once
#include <cstdint>
#include <utility>

#include "core/LSample.h"

namespace sondrel {

constexpr uint8_t kErrorFlag = 0x01;

class LSoundSourceBase {
public:
    LSoundSourceBase(int32_t rate, uint32_t chans, int32_t peakBound);
    virtual ~LSoundSourceBase();
    LSoundSourceBase(const LSoundSourceBase&) = delete;
    LSoundSourceBase& operator=(const LSoundSourceBase&) = delete;

    // Fills exactly n * nChans samples (n <= 8192). Frames before 0 or past
    // the end are zeros; the position advances by n on every call.
    virtual void Read(int32_t* buffer, int32_t n) = 0;
    virtual int32_t GetPosition() = 0;
    virtual int32_t GetLength() = 0;
    virtual void Seek(int32_t position);

    bool HasError() const { return (nFlags & kErrorFlag) != 0; }
    void SetError() { nFlags |= kErrorFlag; }
    void SetSampleRate(int32_t rate);
    void SetChannels(uint32_t chans);

    void AddRef() { ++nRefs; }
    void Release() {
        if (--nRefs == 0) delete this;
    }
    uint16_t RefCount() const { return nRefs; }

    int32_t nSampleRate;
    int32_t iPeakBound;
    uint8_t nChans;
    uint8_t nFlags = 0;

private:
    uint16_t nRefs = 0;
};

class LSoundSinkBase {
public:
    LSoundSinkBase(int32_t rate, uint32_t chans, int32_t position = 0);
    virtual ~LSoundSinkBase();
    LSoundSinkBase(const LSoundSinkBase&) = delete;
    LSoundSinkBase& operator=(const LSoundSinkBase&) = delete;

    // Consumes n * nChans samples (n <= 8192); nPosition advances by n.
    virtual void Write(const int32_t* buffer, int32_t n) = 0;
    virtual void Seek(int32_t position);
    // Completes the output now (a file header, a last partial frame, the
    // data flushed to the disk and the file closed) and reports whether all
    // of it got there: false, with the error flag set, when anything failed.
    // Writes after it are discarded. The last release finishes a sink that
    // was not finished, but only a caller of Finish learns how it went.
    virtual bool Finish();

    bool HasError() const { return (nFlags & kErrorFlag) != 0; }
    void SetError() { nFlags |= kErrorFlag; }

    void AddRef() { ++nRefs; }
    void Release() {
        if (--nRefs == 0) delete this;
    }
    uint16_t RefCount() const { return nRefs; }

    int32_t nPosition;
    int32_t nSampleRate;
    uint8_t nChans;
    uint8_t nFlags = 0;

private:
    uint16_t nRefs = 0;
};

// Counted reference. Assignment takes the new object before releasing the old.
template <class T>
class LCountedPtr {
public:
    LCountedPtr() = default;
    explicit LCountedPtr(T* p) : p_(p) {
        if (p_) p_->AddRef();
    }
    LCountedPtr(const LCountedPtr& o) : LCountedPtr(o.p_) {}
    LCountedPtr(LCountedPtr&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
    ~LCountedPtr() {
        if (p_) p_->Release();
    }
    LCountedPtr& operator=(const LCountedPtr& o) {
        Reset(o.p_);
        return *this;
    }
    LCountedPtr& operator=(LCountedPtr&& o) noexcept {
        if (this != &o) {
            T* old = p_;
            p_ = o.p_;
            o.p_ = nullptr;
            if (old) old->Release();
        }
        return *this;
    }
    void Reset(T* p = nullptr) {
        if (p) p->AddRef();
        T* old = p_;
        p_ = p;
        if (old) old->Release();
    }
    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    T& operator*() const { return *p_; }
    explicit operator bool() const { return p_ != nullptr; }

protected:
    T* p_ = nullptr;
};

// A source reference is never empty: it defaults to a fresh silent source.
class LSoundSourcePtr : public LCountedPtr<LSoundSourceBase> {
public:
    LSoundSourcePtr();
    explicit LSoundSourcePtr(LSoundSourceBase* p);
    LSoundSourcePtr(const LSoundSourcePtr&) = default;
    LSoundSourcePtr& operator=(const LSoundSourcePtr&) = default;
    LSoundSourcePtr(LSoundSourcePtr&& o) noexcept;
    LSoundSourcePtr& operator=(LSoundSourcePtr&& o) noexcept;
    // Makes the reference hold a fresh silent source again.
    void SetNull();
};

// A sink reference may be empty; callers test for that.
using LSoundSinkPtr = LCountedPtr<LSoundSinkBase>;

// Convenience for factories: new object wrapped in its counted reference.
template <class T, class... A>
LSoundSourcePtr MakeSource(A&&... args) {
    return LSoundSourcePtr(new T(std::forward<A>(args)...));
}
template <class T, class... A>
LSoundSinkPtr MakeSink(A&&... args) {
    return LSoundSinkPtr(new T(std::forward<A>(args)...));
}

// The silent default source: 11025 Hz mono, peak bound 0x200000, error flag set.
class LSRCNull : public LSoundSourceBase {
public:
    LSRCNull();
    void Read(int32_t* buffer, int32_t n) override;
    int32_t GetPosition() override { return 0; }
    int32_t GetLength() override { return 0; }
};

// Base of every source that wraps another: copies the input's format, peak
// bound and error flag; forwards position, length and seek by default.
class LSRCFilter : public LSoundSourceBase {
public:
    explicit LSRCFilter(const LSoundSourcePtr& input);
    int32_t GetPosition() override { return pInput->GetPosition(); }
    int32_t GetLength() override { return pInput->GetLength(); }
    void Seek(int32_t position) override { pInput->Seek(position); }

protected:
    LSoundSourcePtr pInput;
};

// A small value object that adapts or transforms a source. OpenSource returns
// a new source wrapping the input, or the input itself when nothing is needed.
class LSoundProcessor {
public:
    virtual ~LSoundProcessor();
    virtual void OpenSource(LSoundSourcePtr& result, const LSoundSourcePtr& input) = 0;
    LSoundSourcePtr OpenSource(const LSoundSourcePtr& input) {
        LSoundSourcePtr r;
        OpenSource(r, input);
        return r;
    }
};

class LSPConvChannels : public LSoundProcessor {
public:
    explicit LSPConvChannels(uint16_t chans) : nChans(chans) {}
    using LSoundProcessor::OpenSource;
    void OpenSource(LSoundSourcePtr& result, const LSoundSourcePtr& input) override;
    uint16_t nChans;
};

class LSPConvRate : public LSoundProcessor {
public:
    explicit LSPConvRate(int32_t rate) : nSampleRate(rate) {}
    using LSoundProcessor::OpenSource;
    void OpenSource(LSoundSourcePtr& result, const LSoundSourcePtr& input) override;
    int32_t nSampleRate;
};

class LSPPeakLimit : public LSoundProcessor {
public:
    explicit LSPPeakLimit(int32_t level) : iLevel(level) {}
    using LSoundProcessor::OpenSource;
    void OpenSource(LSoundSourcePtr& result, const LSoundSourcePtr& input) override;
    int32_t iLevel;
};

}  // namespace sondrel
