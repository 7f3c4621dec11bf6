// Randomized check of cut lists against a plain model: every list is also
// kept as an array of frames (segment sample and gain per frame), and after
// every edit the list must read back exactly what the model says, from the
// start and after seeks, while the tank's counts equal the references that
// lists, readers and writers hold.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "DocTestUtil.h"
#include "document/LAudioCutTank.h"
#include "document/LCutListAudio.h"
#include "support/LFile.h"
#include "support/TestUtil.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {

#ifdef _WIN32
constexpr int kSequences = 500;  // file operations under Wine are much slower (about 15 s)
#else
constexpr int kSequences = 3000;
#endif
constexpr int kStepsPerSequence = 24;
constexpr int32_t kMaxModelFrames = 24000;

// ------------------------------------------------------------------ model

struct Model {
    uint32_t chans = 1;
    std::vector<int32_t> v;  // segment samples, interleaved
    std::vector<int32_t> g;  // gain of each frame

    int32_t Length() const { return int32_t(g.size()); }
    std::vector<int32_t> Sound() const {
        std::vector<int32_t> out(v.size());
        for (size_t i = 0; i < v.size(); ++i) out[i] = MulGain(v[i], g[i / chans]);
        return out;
    }
    // Frames [s, e) clipped to the model.
    Model Range(int32_t s, int32_t e) const {
        Model m;
        m.chans = chans;
        s = std::clamp(s, 0, Length());
        e = std::clamp(e, s, Length());
        m.v.assign(v.begin() + size_t(s) * chans, v.begin() + size_t(e) * chans);
        m.g.assign(g.begin() + s, g.begin() + e);
        return m;
    }
    static Model Silence(uint32_t chans, int32_t frames) {
        Model m;
        m.chans = chans;
        m.v.assign(size_t(frames) * chans, 0);
        m.g.assign(size_t(frames), kUnityGain);
        return m;
    }
    void Append(const Model& o) {
        v.insert(v.end(), o.v.begin(), o.v.end());
        g.insert(g.end(), o.g.begin(), o.g.end());
    }
    void InsertAt(int32_t pos, const Model& o) {
        v.insert(v.begin() + size_t(pos) * chans, o.v.begin(), o.v.end());
        g.insert(g.begin() + pos, o.g.begin(), o.g.end());
    }

    // The edits, as what they do to the frames.
    void Delete(int32_t s, int32_t e) {
        if (e < s || e < 0) return;
        s = std::max(s, 0);
        if (s >= Length()) return;
        e = std::min(e, Length());
        v.erase(v.begin() + size_t(s) * chans, v.begin() + size_t(e) * chans);
        g.erase(g.begin() + s, g.begin() + e);
    }
    Model Copy(int32_t s, int32_t e) const {
        Model m = Silence(chans, e - s);
        for (int32_t f = std::max(s, 0); f < std::min(e, Length()); ++f) {
            for (uint32_t c = 0; c < chans; ++c) m.v[size_t(f - s) * chans + c] = v[size_t(f) * chans + c];
            m.g[size_t(f - s)] = g[size_t(f)];
        }
        return m;
    }
    void InsertSilence(int32_t pos, int32_t len) {
        if (len < 0) return;
        if (pos < 0) {
            if (-pos > len) return;
            len += pos;
            pos = 0;
        }
        if (pos > Length()) Append(Silence(chans, pos - Length()));
        InsertAt(pos, Silence(chans, len));
    }
    void Insert(int32_t pos, const Model& o) {
        if (pos < 0) {
            Model r = o;
            if (Length() > 0) {
                r.Append(Silence(chans, -pos));
                r.Append(*this);
            }
            *this = r;
            return;
        }
        if (pos > Length()) Append(Silence(chans, pos - Length()));
        InsertAt(pos, o);
    }
    void Amplify(int32_t s, int32_t e, int32_t percent) {
        if (percent == 100) return;
        int64_t mag = percent < 0 ? -int64_t(percent) : percent;
        int64_t limit = mag >= 101 ? (0x7FFFFFFF / mag) * 100 : 0x7FFFFFFF;
        for (int32_t f = std::max(s, 0); f < std::min(e, Length()); ++f) {
            int64_t x = g[size_t(f)];
            if ((x < 0 ? -x : x) < limit)
                g[size_t(f)] = int32_t((x / 100) * percent);
            else
                g[size_t(f)] = ((x < 0) != (percent < 0)) ? -0x7FFFFFFF : 0x7FFFFFFF;
        }
    }
};

// ------------------------------------------------------------- the world

struct Entry {
    std::unique_ptr<LCutListAudio> list;
    Model model;
    int openWriters = 0;
};

struct OpenReader {
    LSoundSourcePtr src;
    std::vector<int32_t> sound;   // what it must deliver, fixed when it was made
    std::vector<uint16_t> refs;   // the indices its copy of the list holds
    int32_t pos = 0;
};

struct OpenWriter {
    LSoundSinkPtr sink;
    uint16_t index;
    size_t entry;            // target
    std::vector<int32_t> data;  // what the file holds so far (unwritten frames are 0)
    int32_t pos = 0;
};

class World {
public:
    World(uint32_t seed, uint32_t chans, LAudioCutTank& tank, const std::string& dir)
        : rng_(seed), chans_(chans), tank_(tank), dir_(dir) {}

    bool Run(int steps);
    bool ReleaseAllAndCheckEmpty();
    const std::string& Trail() const { return trail_; }

private:
    int32_t Rand(int32_t lo, int32_t hi) { return std::uniform_int_distribution<int32_t>(lo, hi)(rng_); }
    bool Chance(int percent) { return Rand(0, 99) < percent; }
    size_t PickEntry() { return size_t(Rand(0, int32_t(pool_.size()) - 1)); }
    int32_t Position(const Entry& e);
    int32_t Sample();
    void Touch(size_t i) {
        if (touched_.size() <= i) touched_.resize(i + 1);
        touched_[i] = true;
    }
    void Note(const std::string& s) {
        trail_ += s;
        trail_ += "\n";
    }

    void NewSegment();
    void Edit();
    void OpenAReader();
    void UseAReader();
    void StartAWriter();
    void FeedAWriter(OpenWriter& w);
    void FinishAWriter(size_t i);

    bool CheckList(const Entry& e, const char* what);
    bool CheckCounts();
    bool Fail(const std::string& msg) {
        ADD_FAILURE() << msg << "\nsteps so far:\n" << trail_;
        return false;
    }

    std::mt19937 rng_;
    uint32_t chans_;
    LAudioCutTank& tank_;
    std::string dir_;
    std::vector<Entry> pool_;
    std::vector<OpenReader> readers_;
    std::vector<OpenWriter> writers_;
    std::map<uint16_t, int32_t> segLength_;  // claimed length of each delivered segment
    std::vector<bool> touched_;                // lists the current step changed
    std::string trail_;
};

int32_t World::Sample() {
    switch (Rand(0, 9)) {
        case 0: return int32_t(rng_());  // any 32-bit value: gains may wrap, the model wraps alike
        case 1: return 0;
        default: return Rand(-0x7FFF0, 0x7FFF0);
    }
}

// Inside, at cut edges, at 0 and the end, before 0 and beyond the end.
int32_t World::Position(const Entry& e) {
    int32_t len = e.model.Length();
    switch (Rand(0, 9)) {
        case 0: return 0;
        case 1: return len;
        case 2: return Rand(-60, -1);
        case 3: return len + Rand(1, 60);
        case 4:
        case 5: {
            // an edge between cuts (or one frame either side of it)
            std::vector<int32_t> edges{0};
            int32_t p = 0;
            for (auto it = e.list->lstCuts.Begin(); it.IsValid(); it.Next()) edges.push_back(p += it->nLength);
            return edges[size_t(Rand(0, int32_t(edges.size()) - 1))] + Rand(-1, 1);
        }
        default: return Rand(0, std::max(len, 1));
    }
}

void World::NewSegment() {
    int32_t frames = Chance(10) ? 0 : Rand(1, 2500);
    std::vector<int32_t> data(size_t(frames) * chans_);
    for (int32_t& s : data) s = Sample();
    Entry e;
    e.list = std::make_unique<LCutListAudio>();
    e.model.chans = chans_;
    {
        LSoundSinkPtr sink = CreateSink(*e.list, 44100, chans_);
        for (int32_t done = 0; done < frames;) {
            int32_t n = std::min(Rand(1, 3000), frames - done);
            sink->Write(data.data() + size_t(done) * chans_, n);
            done += n;
        }
        segLength_[static_cast<LSNKCutListAudio*>(sink.Get())->GetIndex()] = frames;
    }
    e.model.v = data;
    e.model.g.assign(size_t(frames), kUnityGain);
    if (pool_.size() < 6) {
        pool_.push_back(std::move(e));
        Touch(pool_.size() - 1);
        Note("new segment of " + std::to_string(frames) + " into a new list");
    } else {
        size_t i = PickEntry();
        *pool_[i].list = std::move(*e.list);
        pool_[i].model = e.model;
        Touch(i);
        Note("new segment of " + std::to_string(frames) + " into list " + std::to_string(i));
    }
}

void World::Edit() {
    size_t ti = PickEntry();
    Entry& t = pool_[ti];
    Touch(ti);
    LCutListAudio& l = *t.list;
    Model& m = t.model;
    int32_t s = Position(t), e = Position(t);
    if (Chance(80) && e < s) std::swap(s, e);  // mostly ordered, sometimes reversed
    if (m.Length() > kMaxModelFrames) {
        // Keep lists small enough to read back at every step.
        l.EfTrimEnd(kMaxModelFrames / 2);
        m.Delete(kMaxModelFrames / 2, m.Length());
        Note("list " + std::to_string(ti) + " trimmed to " + std::to_string(kMaxModelFrames / 2));
        return;
    }
    std::ostringstream what;
    what << "list " << ti << ": ";
    int op = Rand(0, 15);
    switch (op) {
        case 0:
            what << "EfDelete(" << s << ", " << e << ")";
            l.EfDelete(s, e);
            m.Delete(s, e);
            break;
        case 1:
        case 2: {
            size_t di = Chance(15) ? ti : PickEntry();
            bool cut = op == 2;
            what << (cut ? "EfCut(" : "EfCopy(") << s << ", " << e << ", list " << di << ")";
            if (pool_[di].openWriters) break;  // its writer will replace it anyway; keep the model simple
            Touch(di);
            if (s <= e) {
                Model copy = m.Copy(s, e);
                if (cut) m.Delete(s, e);
                pool_[di].model = copy;
            }
            if (cut)
                l.EfCut(s, e, *pool_[di].list);
            else
                l.EfCopy(s, e, *pool_[di].list);
            break;
        }
        case 3: {
            size_t oi = Chance(15) ? ti : PickEntry();
            what << "EfInsert(" << s << ", list " << oi << ")";
            Model other = pool_[oi].model;
            l.EfInsert(s, *pool_[oi].list);
            m.Insert(s, other);
            break;
        }
        case 4: {
            size_t oi = Chance(15) ? ti : PickEntry();
            what << "EfPasteOver(" << s << ", " << e << ", list " << oi << ")";
            Model other = pool_[oi].model;
            l.EfPasteOver(s, e, *pool_[oi].list);
            m.Delete(s, e);
            m.Insert(s, other);
            break;
        }
        case 5: {
            int32_t len = Rand(-20, 400);
            what << "EfInsertSilence(" << s << ", " << len << ")";
            l.EfInsertSilence(s, len);
            m.InsertSilence(s, len);
            break;
        }
        case 6:
            what << "EfSilence(" << s << ", " << e << ")";
            l.EfSilence(s, e);
            if (e >= s) {
                m.Delete(s, e);
                m.InsertSilence(s, e - s);
            }
            break;
        case 7:
            what << "EfTrim(" << s << ", " << e << ")";
            l.EfTrim(s, e);
            if (e >= s) {
                int32_t sh = 0;
                if (s >= 1) {
                    m.Delete(0, s);
                    sh = s;
                }
                m.Delete(e - sh, m.Length());
            }
            break;
        case 8:
            what << "EfTrimStart(" << s << ")";
            l.EfTrimStart(s);
            if (s > 0) m.Delete(0, s);
            break;
        case 9:
            what << "EfTrimEnd(" << s << ")";
            l.EfTrimEnd(s);
            m.Delete(s, m.Length());
            break;
        case 10: {
            int32_t count = Rand(-1, 4);
            what << "EfRepeatLoop(" << s << ", " << e << ", " << count << ")";
            l.EfRepeatLoop(s, e, count);
            if (count >= 1 && e >= s) {
                Model loop = m.Copy(s, e);
                for (int32_t i = 0; i < count; ++i) m.Insert(s, loop);
            }
            break;
        }
        case 11:
        case 12: {
            static const int32_t kPercents[] = {0, 1, 50, 99, 100, 101, 150, 200, 400, 1000, -100, -50, 12345};
            int32_t p = Chance(80) ? kPercents[Rand(0, 12)] : Rand(-300, 300);
            if (op == 11) {
                what << "EfAmplify(" << s << ", " << e << ", " << p << ")";
                l.EfAmplify(s, e, p);
                if (e >= s) m.Amplify(s, e, p);
            } else {
                what << "EfAmplifyAll(" << p << ")";
                l.EfAmplifyAll(p);
                m.Amplify(0, m.Length(), p);
            }
            break;
        }
        case 13: {
            // An undo-style snapshot: a whole copy, later restored over another list.
            size_t di = PickEntry();
            what << "list " << di << " = list " << ti;
            if (pool_[di].openWriters) break;
            Touch(di);
            *pool_[di].list = l;
            pool_[di].model = m;
            break;
        }
        case 14: {
            what << "release";
            if (t.openWriters || pool_.size() < 2) break;
            pool_.erase(pool_.begin() + ptrdiff_t(ti));
            for (OpenWriter& w : writers_)
                if (w.entry > ti) --w.entry;
            Note(what.str());
            return;
        }
        default: {
            what << "clear";
            if (t.openWriters) break;
            l.lstCuts.Clear();
            m = Model::Silence(chans_, 0);
            break;
        }
    }
    Note(what.str());
}

void World::OpenAReader() {
    size_t i = PickEntry();
    OpenReader r;
    r.src = CreateSource(*pool_[i].list);
    r.sound = pool_[i].model.Sound();
    for (auto it = pool_[i].list->lstCuts.Begin(); it.IsValid(); it.Next()) r.refs.push_back(it->nIndex);
    readers_.push_back(std::move(r));
    Note("reader over list " + std::to_string(i));
}

bool ReadMatches(LSoundSourceBase& src, const std::vector<int32_t>& sound, uint32_t chans, int32_t pos, int32_t n,
                 std::string& why) {
    std::vector<int32_t> got(size_t(n) * chans, 0x5A5A5A5A);
    src.Read(got.data(), n);
    int32_t len = int32_t(sound.size() / chans);
    for (int32_t f = 0; f < n; ++f) {
        for (uint32_t c = 0; c < chans; ++c) {
            int32_t at = pos + f;
            int32_t want = at >= 0 && at < len ? sound[size_t(at) * chans + c] : 0;
            if (got[size_t(f) * chans + c] != want) {
                why = "frame " + std::to_string(at) + " channel " + std::to_string(c) + ": got " +
                      std::to_string(got[size_t(f) * chans + c]) + ", want " + std::to_string(want);
                return false;
            }
        }
    }
    if (src.GetPosition() != pos + n) {
        why = "position " + std::to_string(src.GetPosition()) + ", want " + std::to_string(pos + n);
        return false;
    }
    return true;
}

void World::StartAWriter() {
    size_t i = PickEntry();
    OpenWriter w;
    w.sink = CreateSink(*pool_[i].list, 22050, chans_);
    w.index = static_cast<LSNKCutListAudio*>(w.sink.Get())->GetIndex();
    w.entry = i;
    ++pool_[i].openWriters;
    FeedAWriter(w);
    writers_.push_back(std::move(w));
    Note("writer into list " + std::to_string(i));
}

void World::FeedAWriter(OpenWriter& w) {
    if (Chance(20)) {
        // Back over what was written, or forward past it (a hole reads as silence).
        int32_t to = std::max(0, w.pos + Rand(-300, 100));
        w.sink->Seek(to);
        w.pos = to;
    }
    int32_t n = Chance(15) ? 0 : Rand(1, 1500);
    std::vector<int32_t> data(size_t(n) * chans_);
    for (int32_t& s : data) s = Sample();
    if (n) w.sink->Write(data.data(), n);
    size_t end = size_t(w.pos + n) * chans_;
    if (w.data.size() < end) w.data.resize(end, 0);
    std::copy(data.begin(), data.end(), w.data.begin() + size_t(w.pos) * chans_);
    w.pos += n;
}

void World::FinishAWriter(size_t i) {
    OpenWriter& w = writers_[i];
    Entry& e = pool_[w.entry];
    Touch(w.entry);
    segLength_[w.index] = w.pos;
    e.model.v.assign(w.data.begin(), w.data.begin() + std::min(w.data.size(), size_t(w.pos) * chans_));
    e.model.v.resize(size_t(w.pos) * chans_, 0);
    e.model.g.assign(size_t(w.pos), kUnityGain);
    --e.openWriters;
    Note("writer into list " + std::to_string(w.entry) + " finished at " + std::to_string(w.pos));
    writers_.erase(writers_.begin() + ptrdiff_t(i));  // releases the sink: the list becomes its cut
}

bool World::CheckList(const Entry& e, const char* what) {
    const LCutListAudio& l = *e.list;
    // Well-formed cuts that stay inside their segments.
    for (auto it = l.lstCuts.Begin(); it.IsValid(); it.Next()) {
        if (it->nLength < 0) return Fail(std::string(what) + ": negative cut length");
        if (it->IsSilent()) {
            if (it->nStart != 0) return Fail(std::string(what) + ": silence with a file offset");
        } else if (it->nStart < 0 || it->nStart + it->nLength > segLength_[it->nIndex]) {
            return Fail(std::string(what) + ": cut reaches outside segment " + std::to_string(it->nIndex));
        }
    }
    if (l.GetLength() != e.model.Length())
        return Fail(std::string(what) + ": length " + std::to_string(l.GetLength()) + ", model " +
                    std::to_string(e.model.Length()));
    std::vector<int32_t> sound = e.model.Sound();
    LSoundSourcePtr src = CreateSource(l);
    std::string why;
    // From the start, in blocks of random sizes, up to the end.
    for (int32_t pos = 0; pos < e.model.Length();) {
        int32_t n = std::min(Rand(1, 5000), e.model.Length() - pos);
        if (!ReadMatches(*src, sound, chans_, pos, n, why)) return Fail(std::string(what) + ": read: " + why);
        pos += n;
    }
    // After seeks anywhere, also before 0 and past the end.
    for (int k = 0; k < 3; ++k) {
        int32_t pos = Rand(-50, e.model.Length() + 50);
        int32_t n = Chance(10) ? kMaxBlockFrames : Rand(1, 300);
        src->Seek(pos);
        if (!ReadMatches(*src, sound, chans_, pos, n, why))
            return Fail(std::string(what) + ": after Seek(" + std::to_string(pos) + "): " + why);
    }
    return true;
}

bool World::CheckCounts() {
    std::map<uint16_t, uint32_t> want;
    for (const Entry& e : pool_)
        for (auto it = e.list->lstCuts.Begin(); it.IsValid(); it.Next()) ++want[it->nIndex];
    for (const OpenReader& r : readers_)
        for (uint16_t i : r.refs) ++want[i];
    for (const OpenWriter& w : writers_) ++want[w.index];
    want.erase(kSilentIndex);
    uint16_t top = want.empty() ? 0 : want.rbegin()->first;
    for (uint16_t i = 0; i <= top + 2; ++i) {
        uint32_t have = tank_.GetRefCount(i);
        uint32_t should = want.count(i) ? want[i] : 0;
        if (have != should)
            return Fail("tank count of " + std::to_string(i) + " is " + std::to_string(have) + ", references " +
                        std::to_string(should));
    }
    return true;
}

bool World::Run(int steps) {
    NewSegment();
    for (int step = 0; step < steps; ++step) {
        int what = Rand(0, 99);
        touched_.assign(pool_.size(), false);
        if (what < 10) {
            NewSegment();
        } else if (what < 75) {
            Edit();
        } else if (what < 82) {
            OpenAReader();
        } else if (what < 88 && !readers_.empty()) {
            // Read on from where it is, or after a seek; then maybe release it.
            size_t i = size_t(Rand(0, int32_t(readers_.size()) - 1));
            OpenReader& r = readers_[i];
            if (Chance(40)) {
                r.pos = Rand(-30, int32_t(r.sound.size() / chans_) + 30);
                r.src->Seek(r.pos);
            }
            int32_t n = Rand(1, 2000);
            std::string why;
            if (!ReadMatches(*r.src, r.sound, chans_, r.pos, n, why)) return Fail("held reader: " + why);
            r.pos += n;
            if (Chance(50)) {
                readers_.erase(readers_.begin() + ptrdiff_t(i));
                Note("reader released");
            }
        } else if (what < 93) {
            if (writers_.size() < 2) StartAWriter();
        } else if (!writers_.empty()) {
            size_t i = size_t(Rand(0, int32_t(writers_.size()) - 1));
            if (Chance(50)) {
                FeedAWriter(writers_[i]);
                Note("writer fed");
            } else {
                FinishAWriter(i);
            }
        }
        // The lists this step changed, and now and then the others, read back in full.
        for (size_t i = 0; i < pool_.size(); ++i) {
            if (!(i < touched_.size() && touched_[i]) && !Chance(15)) continue;
            if (!CheckList(pool_[i], ("list " + std::to_string(i)).c_str())) return false;
        }
        if (!CheckCounts()) return false;
    }
    return true;
}

bool World::ReleaseAllAndCheckEmpty() {
    // In random order: readers, writers (each delivers into its list), lists.
    while (!readers_.empty() || !writers_.empty() || !pool_.empty()) {
        int k = Rand(0, 2);
        if (k == 0 && !readers_.empty())
            readers_.erase(readers_.begin() + Rand(0, int32_t(readers_.size()) - 1));
        else if (k == 1 && !writers_.empty())
            FinishAWriter(size_t(Rand(0, int32_t(writers_.size()) - 1)));
        else if (k == 2 && !pool_.empty()) {
            size_t i = PickEntry();
            if (pool_[i].openWriters) continue;
            pool_.erase(pool_.begin() + ptrdiff_t(i));
            for (OpenWriter& w : writers_)
                if (w.entry > i) --w.entry;
        }
    }
    if (!CheckCounts()) return false;
    size_t left = AudFileCount(dir_);
    if (left != 0) return Fail(std::to_string(left) + " segment files left after every reference went");
    return true;
}

TEST(CutListModel, RandomEditsReadBackExactlyAndCountEveryReference) {
    const uint32_t seed = Seed();
    std::string dir = ScratchDir("model");
    std::mt19937 top(seed);
    for (int seq = 0; seq < kSequences; ++seq) {
        uint32_t s = top();
        SCOPED_TRACE(testing::Message() << "seed " << seed << ", sequence " << seq);
        bool ok;
        {
            LCutTankScope scope(dir);
            World world(s, seq % 3 == 2 ? 2 : 1, scope.Tank(), dir);
            ok = world.Run(kStepsPerSequence) && world.ReleaseAllAndCheckEmpty();
            if (ok && seq % 10 == 0) {
                // References nobody releases and files of an earlier run: the
                // tank's end must remove them all the same.
                LCutListAudio kept = MakeSegment(Ramp(10, 1, 1));
                scope.Tank().IncRef(kept.lstCuts.GetHead()->data.nIndex);
                LFile::WriteAll(JoinPath(dir, "4321.aud").c_str(), "old", 3);
            }
        }
        if (ok && AudFileCount(dir) != 0) {
            ADD_FAILURE() << "the tank's end left segment files";
            ok = false;
        }
        if (!ok) break;  // the first failure tells enough; its trail is above
    }
}

}  // namespace
