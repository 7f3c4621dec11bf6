// Crash test of the document journals. A child process runs random edit
// sequences on several documents (new audio, delete, silence, amplify,
// paste between documents, effects that write new segments, undo, close)
// with journals kept after every step, and is killed with SIGKILL at a
// random moment: by the parent after a random delay, by itself between two
// steps of a journal write, or by itself in the middle of writing a
// segment. Then recovery, in this process, which never saw the edits, must
// give every document exactly the audio of the last journal that was
// completed (compared sample by sample with a plain model replayed from the
// same seed), never a mix of two states, and lose no journal the child saw
// completed. Every journal left must be whole and trusted.
//
// CI runs a few rounds; SONDREL_CRASH_ROUNDS=500 runs many (the base seed
// is printed; SONDREL_SEED replays a run).
#ifndef _WIN32

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "document/LDocumentJournal.h"
#include "document/LDocuments.h"
#include "document/LJournalKeeper.h"
#include "document/LSessionRecovery.h"
#include "support/LFile.h"
#include "support/ScriptedHost.h"
#include "support/TestUtil.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {

constexpr int kMaxSteps = 400;
constexpr int kMaxDocs = 4;
constexpr int32_t kRate = 8000;

// ------------------------------------------------------------------ model

// A document as its frames: the segment sample and the cut gain of each.
struct Frames {
    uint32_t chans = 1;
    std::vector<int32_t> v;
    std::vector<int32_t> g;
    int32_t Length() const { return int32_t(g.size()); }
    std::vector<int32_t> Sound() const {
        std::vector<int32_t> out(v.size());
        for (size_t i = 0; i < v.size(); ++i) out[i] = MulGain(v[i], g[i / chans]);
        return out;
    }
    Frames Range(int32_t s, int32_t e) const {
        Frames f;
        f.chans = chans;
        f.v.assign(v.begin() + size_t(s) * chans, v.begin() + size_t(e) * chans);
        f.g.assign(g.begin() + s, g.begin() + e);
        return f;
    }
    void Erase(int32_t s, int32_t e) {
        v.erase(v.begin() + size_t(s) * chans, v.begin() + size_t(e) * chans);
        g.erase(g.begin() + s, g.begin() + e);
    }
    void Insert(int32_t at, const Frames& o) {
        v.insert(v.begin() + size_t(at) * chans, o.v.begin(), o.v.end());
        g.insert(g.begin() + at, o.g.begin(), o.g.end());
    }
    // A cut's gain times percent, as an amplify does it (8.24, dividing first,
    // held at the largest gain).
    void Amplify(int32_t s, int32_t e, int32_t percent) {
        if (percent == 100) return;
        int64_t limit = percent >= 101 ? (0x7FFFFFFF / int64_t(percent)) * 100 : 0x7FFFFFFF;
        for (int32_t f = s; f < e; ++f) {
            int64_t x = g[size_t(f)];
            g[size_t(f)] = (x < 0 ? -x : x) < limit ? int32_t((x / 100) * percent) : (x < 0 ? -0x7FFFFFFF : 0x7FFFFFFF);
        }
    }
};

// The child's documents keep eight steps, as the model does.
constexpr int kUndoSlots = 8;

struct ModelDoc {
    std::string path;
    Frames now;
    Frames undo[kUndoSlots];
    bool valid[kUndoSlots] = {};
    int undoIdx = 0;
    void Snapshot() {
        undoIdx = (undoIdx + 1) % kUndoSlots;
        undo[undoIdx] = now;
        valid[undoIdx] = true;
    }
    void Undo() {
        if (!valid[undoIdx]) return;
        now = undo[undoIdx];
        valid[undoIdx] = false;
        undoIdx = (undoIdx + kUndoSlots - 1) % kUndoSlots;
    }
};

// ------------------------------------------------------------- the workload

// How the child ends itself (the parent's delay is the third way).
struct KillPlan {
    int stageCalls = -1;     // at this call of the journal writer's stage hook
    int segmentWrites = -1;  // halfway through this new segment
};

// The random edits; the same seed makes the same steps whether they run on
// the model alone (the parent's replay) or on real documents too (the child).
class Workload {
public:
    Workload(uint32_t seed, uint32_t chans) : rng(seed), nChans(chans) {}

    // Real documents to drive besides the model.
    void Drive(LDocuments* docs, KillPlan plan) {
        pDocs = docs;
        kill = plan;
    }
    // One step; the documents' journals are the caller's.
    void Step();
    const std::vector<ModelDoc>& Docs() const { return vDocs; }
    const ModelDoc* Find(const std::string& path) const {
        for (const ModelDoc& d : vDocs)
            if (d.path == path) return &d;
        return nullptr;
    }

private:
    int32_t Rand(int32_t lo, int32_t hi) { return std::uniform_int_distribution<int32_t>(lo, hi)(rng); }
    Frames NewAudio(int32_t frames) {
        Frames f;
        f.chans = nChans;
        for (int32_t i = 0; i < frames * int32_t(nChans); ++i) f.v.push_back(Rand(-0x7FFF0, 0x7FFF0));
        f.g.assign(size_t(frames), kUnityGain);
        return f;
    }
    LCutListAudio Write(const Frames& f);
    LSDFile* Real(size_t i) { return pDocs ? pDocs->At(int(i)) : nullptr; }
    void Begin(size_t i, const char* what) {
        vDocs[i].Snapshot();
        if (pDocs) {
            pDocs->MakeCurrent(Real(i));
            pDocs->StartModifyCurrentFile(what);
        }
    }

    std::mt19937 rng;
    uint32_t nChans;
    std::vector<ModelDoc> vDocs;  // in the order of the real document list
    int nCreated = 0;
    LDocuments* pDocs = nullptr;
    KillPlan kill;
    int nSegments = 0;
};

LCutListAudio Workload::Write(const Frames& f) {
    LCutListAudio list(kRate, uint8_t(nChans));
    const bool die = ++nSegments == kill.segmentWrites;
    {
        LSoundSinkPtr sink = CreateSink(list, kRate, nChans);
        const int32_t n = f.Length();
        for (int32_t at = 0; at < n; at += 64) {
            if (die && at >= n / 2) raise(SIGKILL);  // the segment file is half written
            sink->Write(f.v.data() + size_t(at) * nChans, std::min(64, n - at));
        }
    }
    return list;
}

void Workload::Step() {
    const int open = int(vDocs.size());
    int op = open == 0 ? 0 : Rand(0, 99);
    if (op < 10 && open >= kMaxDocs) op = 10;
    if (op >= 95 && open < 2) op = 10;
    const size_t i = open ? size_t(Rand(0, open - 1)) : 0;
    auto range = [&](int32_t& s, int32_t& e) {
        const int32_t len = vDocs[i].now.Length();
        s = Rand(0, len);
        e = Rand(s, std::min(len, s + 2000));
    };
    int32_t s = 0, e = 0;
    if (op < 10) {  // new audio in a new document (open, record, import)
        Frames f = NewAudio(Rand(1, 3000));
        ModelDoc d;
        d.path = "doc" + std::to_string(++nCreated) + ".wav";
        d.now = f;
        vDocs.push_back(d);
        if (pDocs) {
            LSDFile& real = pDocs->AddUntitled(Write(f));
            real.szFilePath = d.path;
            real.nUntitledIdx = 0;
        }
    } else if (op < 25) {
        range(s, e);
        Begin(i, "Delete");
        vDocs[i].now.Erase(s, e);
        if (pDocs) Real(i)->audio.EfDelete(s, e);
    } else if (op < 35) {
        range(s, e);
        Begin(i, "Silence");
        Frames& n = vDocs[i].now;
        for (int32_t f = s; f < e; ++f) {
            n.g[size_t(f)] = kUnityGain;
            for (uint32_t c = 0; c < nChans; ++c) n.v[size_t(f) * nChans + c] = 0;
        }
        if (pDocs) Real(i)->audio.EfSilence(s, e);
    } else if (op < 45) {
        range(s, e);
        const int32_t percent = Rand(1, 300);
        Begin(i, "Amplify");
        vDocs[i].now.Amplify(s, e, percent);
        if (pDocs) Real(i)->audio.EfAmplify(s, e, percent);
    } else if (op < 60) {  // copy from one document, paste into another
        const size_t from = size_t(Rand(0, open - 1));
        const int32_t flen = vDocs[from].now.Length();
        const int32_t fs = Rand(0, flen), fe = Rand(fs, std::min(flen, fs + 1500));
        const int32_t at = Rand(0, vDocs[i].now.Length());
        Frames clip = vDocs[from].now.Range(fs, fe);
        LCutListAudio realClip;
        if (pDocs) Real(from)->audio.EfCopy(fs, fe, realClip);
        Begin(i, "Paste");
        vDocs[i].now.Insert(at, clip);
        if (pDocs) Real(i)->audio.EfInsert(at, realClip);
    } else if (op < 75) {  // an effect: new audio for a range, in a new segment
        range(s, e);
        Frames fresh = NewAudio(Rand(1, 2500));
        Begin(i, "Echo");
        vDocs[i].now.Erase(s, e);
        vDocs[i].now.Insert(s, fresh);
        if (pDocs) {
            LCutListAudio list = Write(fresh);
            Real(i)->audio.EfPasteOver(s, e, list);
        }
    } else if (op < 95) {
        vDocs[i].Undo();
        if (pDocs) {
            pDocs->MakeCurrent(Real(i));
            pDocs->CmUndo();
        }
    } else {  // close without saving
        vDocs.erase(vDocs.begin() + ptrdiff_t(i));
        if (pDocs) {
            pDocs->MakeCurrent(Real(i));
            static_cast<ScriptedHost&>(pDocs->Host()).answers.push_back(LDocumentHost::kNo);
            pDocs->CmClose();
        }
    }
}

// ------------------------------------------------------------ the child

void Log(int fd, const std::string& line) {
    std::string l = line + "\n";
    if (::write(fd, l.data(), l.size()) != ssize_t(l.size())) _exit(4);
}

[[noreturn]] void RunChild(const std::string& folder, const std::string& logPath, uint32_t seed, uint32_t chans,
                           KillPlan plan) {
    int fd = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) _exit(3);
    LCutTankScope tank(folder);
    ScriptedHost host;
    LDocuments docs(host);
    docs.SetHistoryLimits({kUndoSlots, uint64_t(1) << 50});
    int step = 0;
    std::atomic<int> stageCalls{0};
    {
        LJournalKeeper keeper(folder);
        keeper.SetClock([&] { return int64_t(step); });
        keeper.SetListener([fd](const LJournalEvent& e) {
            if (e.eKind == LJournalEvent::kWritten) Log(fd, "W " + e.szFilePath + " " + std::to_string(e.nChangedTime));
            if (e.eKind == LJournalEvent::kRemoved) Log(fd, "R " + e.szFilePath);
        });
        keeper.SetStageHook([&](LJournalStage) {
            if (++stageCalls == plan.stageCalls) raise(SIGKILL);
        });
        Workload w(seed, chans);
        w.Drive(&docs, plan);
        // Now and then the edits wait for the writer, as a user's pauses
        // would let it catch up: so journals are written all through the run.
        std::mt19937 pause(seed ^ 0xFA57u);
        for (step = 1; step <= kMaxSteps; ++step) {
            Log(fd, "S " + std::to_string(step));
            w.Step();
            keeper.Update(docs);
            if (pause() % 100 < 15) keeper.WaitIdle();
        }
        keeper.WaitIdle();
        raise(SIGKILL);  // never a clean end
    }
    _exit(5);
}

// --------------------------------------------------------------- a round

struct ChildLog {
    int lastStep = 0;
    std::map<std::string, int64_t> lastWritten;  // path -> step of its last completed journal
    std::map<std::string, bool> removed;         // its journal was deleted after that
};

ChildLog ReadLog(const std::string& path) {
    ChildLog log;
    std::vector<uint8_t> bytes = ReadBytes(path);
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    std::string kind;
    while (in >> kind) {
        if (kind == "S") {
            in >> log.lastStep;
        } else if (kind == "W") {
            std::string p;
            int64_t t;
            in >> p >> t;
            log.lastWritten[p] = t;
            log.removed[p] = false;
        } else if (kind == "R") {
            std::string p;
            in >> p;
            log.removed[p] = true;
        }
    }
    return log;
}

// One round; returns a description of how the child died.
std::string Round(uint32_t seed, const std::string& folder) {
    const std::string logPath = JoinPath(folder, "child.log");
    std::mt19937 pick(seed ^ 0x5EEDu);
    const uint32_t chans = 1 + pick() % 2;
    KillPlan ends;
    int mode = int(pick() % 3);
    int killStep = 0, killDelayUs = 0;
    if (mode == 0) {
        killStep = 1 + int(pick() % kMaxSteps);
        killDelayUs = int(pick() % 3000);
    }
    if (mode == 1) ends.stageCalls = 1 + int(pick() % 300);
    if (mode == 2) ends.segmentWrites = 1 + int(pick() % 40);
    std::ostringstream how;
    how << "seed " << seed << ", " << chans << " channel(s), ";
    if (mode == 0) how << "killed by the parent " << killDelayUs << " us into step " << killStep;
    if (mode == 1) how << "killed at journal writer step " << ends.stageCalls;
    if (mode == 2) how << "killed halfway through new segment " << ends.segmentWrites;

    fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) RunChild(folder, logPath, seed, chans, ends);
    if (pid < 0) {
        ADD_FAILURE() << "fork failed";
        return how.str();
    }
    // The parent kills the child once it has begun step killStep, a moment
    // later; otherwise the child ends itself. A child that hangs is killed
    // after a while either way.
    int status = 0;
    bool ended = false;
    for (int i = 0; i < 20000 && !ended; ++i) {
        if (waitpid(pid, &status, WNOHANG) == pid) ended = true;
        else if (mode == 0 && ReadLog(logPath).lastStep >= killStep) break;
        else std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (!ended) {
        if (mode == 0) std::this_thread::sleep_for(std::chrono::microseconds(killDelayUs));
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    if (!WIFSIGNALED(status) || WTERMSIG(status) != SIGKILL) {
        ADD_FAILURE() << how.str() << ": the child ended otherwise (status " << status << ")";
        return how.str();
    }
    SCOPED_TRACE(how.str());
    const ChildLog log = ReadLog(logPath);
    how << ", at step " << log.lastStep;

    // Start-up as the editor does it, in a process that never saw the edits.
    LCutTankScope tank(folder);
    LSessionRecovery rec(folder);
    std::map<std::string, const LRecoveryItem*> found;
    for (const LRecoveryItem& item : rec.Items()) {
        EXPECT_TRUE(item.bUsable) << item.szJournal << ": " << item.szProblem;
        if (!item.bDecoded) continue;
        EXPECT_TRUE(found.emplace(item.record.szFilePath, &item).second) << "two journals of " << item.record.szFilePath;
        EXPECT_LE(item.record.nChangedTime, log.lastStep) << item.record.szFilePath;
    }
    // Every journal the child saw completed, or a newer one, is there.
    std::vector<std::string> missing;
    for (const auto& [path, step] : log.lastWritten) {
        auto it = found.find(path);
        if (log.removed.at(path)) {
            EXPECT_TRUE(it == found.end()) << path << ": its journal was deleted, yet it came back";
        } else if (it == found.end()) {
            missing.push_back(path);  // lost, unless the document was being closed
        } else {
            EXPECT_GE(it->second->record.nChangedTime, step) << path << ": an older journal than the last completed";
        }
    }

    // The model of each recovered document at the step of its journal.
    std::map<std::string, std::vector<int32_t>> want;
    Workload replay(seed, chans);
    for (int step = 1; step <= log.lastStep; ++step) {
        replay.Step();
        for (const auto& [path, item] : found) {
            if (item->record.nChangedTime != step) continue;
            const ModelDoc* d = replay.Find(path);
            if (d) want[path] = d->now.Sound();
            else ADD_FAILURE() << path << ": a journal of step " << step << " for a document closed then";
        }
    }

    // The child closed the document in a step whose journal removal it did
    // not live to report; a document still open then has lost its journal.
    for (const std::string& path : missing)
        if (replay.Find(path)) ADD_FAILURE() << path << ": its journal of step " << log.lastWritten.at(path) << " is lost";

    ScriptedHost host;
    LDocuments docs(host);
    LJournalKeeper keeper(folder);
    rec.Recover(docs, keeper);
    for (int i = 0; i < docs.GetNoFiles(); ++i) {
        const LSDFile& d = *docs.At(i);
        SCOPED_TRACE(d.szFilePath);
        EXPECT_EQ(d.audio.nChans, chans);
        EXPECT_EQ(d.audio.nSampleRate, kRate);
        auto it = want.find(d.szFilePath);
        if (it == want.end()) continue;  // reported above
        std::vector<int32_t> got;
        {
            LSoundSourcePtr src = CreateSource(d.audio);
            got = ReadAll(*src);
        }
        if (got != it->second) {
            size_t at = 0;
            while (at < got.size() && at < it->second.size() && got[at] == it->second[at]) ++at;
            ADD_FAILURE() << "recovered audio differs from the model at sample " << at << " (" << got.size() << " vs "
                          << it->second.size() << " samples)";
        }
    }
    keeper.Close();
    docs.ReleaseAll();
    return how.str();
}

// A round in a scratch folder of its own, removed when the round passed.
std::string RoundInFolder(uint32_t seed) {
    const std::string folder = ScratchDir("crash");
    std::string how = Round(seed, folder);
    if (!::testing::Test::HasFailure()) std::filesystem::remove_all(folder);
    return how;
}

int Rounds() {
    const char* e = std::getenv("SONDREL_CRASH_ROUNDS");
    int n = e ? std::atoi(e) : 0;
    return n > 0 ? n : 6;
}

}  // namespace

TEST(JournalCrash, RecoveryGivesTheLastCompletedJournalAfterAKillAtAnyMoment) {
    const uint32_t base = Seed();
    const int rounds = Rounds();
    std::printf("journal crash test: %d rounds from seed %u\n", rounds, base);
    for (int r = 0; r < rounds; ++r) {
        std::string how = RoundInFolder(base + uint32_t(r));
        if (::testing::Test::HasFailure()) {
            std::printf("failed round: %s\n", how.c_str());
            break;
        }
        if (std::getenv("SONDREL_CRASH_VERBOSE")) std::printf("  %s\n", how.c_str());
    }
}

#endif  // _WIN32
