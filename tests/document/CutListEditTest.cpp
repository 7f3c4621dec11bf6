#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "DocTestUtil.h"
#include "document/LCutListAudio.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {

// A cut as the tables write it: segment 'A' or 'B', or 'S' for silence.
struct CutPlan {
    char seg;
    int32_t start;
    int32_t length;
    int32_t gain = kUnityGain;
};

class CutListEdit : public TankTest {
protected:
    void SetUp() override {
        TankTest::SetUp();
        segA = MakeSegment(Ramp(400, 1, 1));       // sample k of A = 1 + k
        segB = MakeSegment(Ramp(100, 1, 10001));   // sample k of B = 10001 + k
        a = segA.lstCuts.GetHead()->data.nIndex;
        b = segB.lstCuts.GetHead()->data.nIndex;
    }
    uint16_t Index(char seg) const { return seg == 'A' ? a : seg == 'B' ? b : kSilentIndex; }
    LCutListAudio Build(const std::vector<CutPlan>& plan) {
        LCutListAudio l;
        for (const CutPlan& c : plan) l.lstCuts.AddTail(LAudioCut(Index(c.seg), c.length, c.gain, c.start));
        return l;
    }
    std::vector<CutPlan> Layout(const LCutListAudio& l) const {
        std::vector<CutPlan> out;
        for (auto it = l.lstCuts.Begin(); it.IsValid(); it.Next()) {
            char seg = it->nIndex == a ? 'A' : it->nIndex == b ? 'B' : it->nIndex == kSilentIndex ? 'S' : '?';
            out.push_back({seg, it->nStart, it->nLength, it->nGain});
        }
        return out;
    }
    // What a plan of cuts sounds like, computed from the plan alone.
    static std::vector<int32_t> Sound(const std::vector<CutPlan>& plan) {
        std::vector<int32_t> v;
        for (const CutPlan& c : plan)
            for (int32_t i = 0; i < c.length; ++i) {
                int32_t s = c.seg == 'A' ? 1 + c.start + i : c.seg == 'B' ? 10001 + c.start + i : 0;
                v.push_back(MulGain(s, c.gain));
            }
        return v;
    }
    LCutListAudio segA, segB;
    uint16_t a = 0, b = 0;
};

bool operator==(const CutPlan& x, const CutPlan& y) {
    return x.seg == y.seg && x.start == y.start && x.length == y.length && x.gain == y.gain;
}
void PrintTo(const CutPlan& c, std::ostream* os) {
    *os << "[" << c.seg << " " << c.start << "+" << c.length;
    if (c.gain != kUnityGain) *os << " g" << c.gain;
    *os << "]";
}

using Op = std::function<void(LCutListAudio&, LCutListAudio& other)>;
struct Case {
    const char* name;
    std::vector<CutPlan> before;
    Op op;
    std::vector<CutPlan> after;
};

const std::vector<CutPlan> kOne = {{'A', 0, 100}};
const std::vector<CutPlan> kThree = {{'A', 0, 50}, {'S', 0, 20}, {'A', 200, 30}};  // 100 frames

// Every case checks the exact cuts, the sound they make, and that the tank
// counts equal the cuts the lists hold.
class CutListEditCases : public CutListEdit {
public:
    void Run(const std::vector<Case>& cases) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            LCutListAudio list = Build(c.before);
            LCutListAudio other = Build({{'B', 10, 5}});
            c.op(list, other);
            EXPECT_EQ(Layout(list), c.after);
            EXPECT_EQ(ReadList(list), Sound(c.after));
            EXPECT_EQ(list.GetLength(), int32_t(Sound(c.after).size()));
            // The fixture's lists hold one reference each; the rest are this list's and other's.
            uint32_t refsA = 1, refsB = 1;
            for (const LCutListAudio* l : {&list, &other})
                for (const CutPlan& s : Layout(*l)) refsA += s.seg == 'A', refsB += s.seg == 'B';
            EXPECT_EQ(Tank().GetRefCount(a), refsA);
            EXPECT_EQ(Tank().GetRefCount(b), refsB);
        }
    }
};

TEST_F(CutListEditCases, Delete) {
    Run({
        {"inside one cut splits it", kOne, [](auto& l, auto&) { l.EfDelete(20, 30); }, {{'A', 0, 20}, {'A', 30, 70}}},
        {"empty range splits at its position", kOne, [](auto& l, auto&) { l.EfDelete(20, 20); },
         {{'A', 0, 20}, {'A', 20, 80}}},
        {"empty range at a cut edge changes nothing", kThree, [](auto& l, auto&) { l.EfDelete(50, 50); }, kThree},
        {"reversed range changes nothing", kOne, [](auto& l, auto&) { l.EfDelete(30, 20); }, kOne},
        {"negative start counts as 0", kOne, [](auto& l, auto&) { l.EfDelete(-5, 10); }, {{'A', 10, 90}}},
        {"range before 0 changes nothing", kOne, [](auto& l, auto&) { l.EfDelete(-20, -5); }, kOne},
        {"end beyond the list deletes to the end", kOne, [](auto& l, auto&) { l.EfDelete(60, 1000); }, {{'A', 0, 60}}},
        {"everything", kThree, [](auto& l, auto&) { l.EfDelete(0, 100); }, {}},
        {"across cuts", kThree, [](auto& l, auto&) { l.EfDelete(40, 80); }, {{'A', 0, 40}, {'A', 210, 20}}},
        {"whole middle cut", kThree, [](auto& l, auto&) { l.EfDelete(50, 70); }, {{'A', 0, 50}, {'A', 200, 30}}},
        {"head of a later cut", kThree, [](auto& l, auto&) { l.EfDelete(70, 75); },
         {{'A', 0, 50}, {'S', 0, 20}, {'A', 205, 25}}},
        {"tail of the first cut", kThree, [](auto& l, auto&) { l.EfDelete(45, 50); },
         {{'A', 0, 45}, {'S', 0, 20}, {'A', 200, 30}}},
        {"inside silence keeps its start at 0", kThree, [](auto& l, auto&) { l.EfDelete(55, 60); },
         {{'A', 0, 50}, {'S', 0, 5}, {'S', 0, 10}, {'A', 200, 30}}},
    });
}

TEST_F(CutListEditCases, CopyCutAndPasteOver) {
    auto copyTo = [](int32_t s, int32_t e) { return [=](LCutListAudio& l, LCutListAudio& o) { l.EfCopy(s, e, o); l = o; }; };
    Run({
        {"copy inside", kOne, copyTo(20, 30), {{'A', 20, 10}}},
        {"copy from before 0 pads with silence", kOne, copyTo(-10, 20), {{'S', 0, 10}, {'A', 0, 20}}},
        {"copy past the end pads with silence", kOne, copyTo(90, 110), {{'A', 90, 10}, {'S', 0, 10}}},
        {"copy across cuts", kThree, copyTo(45, 75), {{'A', 45, 5}, {'S', 0, 20}, {'A', 200, 5}}},
        {"copy of an empty range", kOne, copyTo(40, 40), {}},
        {"copy wholly outside", kOne, copyTo(150, 160), {{'S', 0, 10}}},
        {"reversed copy leaves the destination", kOne, copyTo(30, 20), {{'B', 10, 5}}},
        {"cut", kThree,
         [](auto& l, auto& o) {
             l.EfCut(45, 75, o);
             l.lstCuts.SpliceAfter(l.lstCuts.Last(), LCutList(o.lstCuts));  // doc then clipboard
         },
         {{'A', 0, 45}, {'A', 205, 25}, {'A', 45, 5}, {'S', 0, 20}, {'A', 200, 5}}},
        {"paste over inside a cut", kOne, [](auto& l, auto& o) { l.EfPasteOver(20, 30, o); },
         {{'A', 0, 20}, {'B', 10, 5}, {'A', 30, 70}}},
        {"paste over an empty selection inserts", kOne, [](auto& l, auto& o) { l.EfPasteOver(40, 40, o); },
         {{'A', 0, 40}, {'B', 10, 5}, {'A', 40, 60}}},
        {"paste over the whole list", kThree, [](auto& l, auto& o) { l.EfPasteOver(0, 100, o); }, {{'B', 10, 5}}},
        {"paste over the list itself", kOne, [](auto& l, auto&) { l.EfPasteOver(10, 90, l); },
         {{'A', 0, 10}, {'A', 0, 100}, {'A', 90, 10}}},
        {"cut into the list itself", kOne, [](auto& l, auto&) { l.EfCut(10, 30, l); }, {{'A', 10, 20}}},
        {"copy into the list itself", kThree, [](auto& l, auto&) { l.EfCopy(90, 110, l); },
         {{'A', 220, 10}, {'S', 0, 10}}},
    });
}

TEST_F(CutListEditCases, InsertAndInsertSilence) {
    Run({
        {"insert inside a cut", kOne, [](auto& l, auto& o) { l.EfInsert(50, o); },
         {{'A', 0, 50}, {'B', 10, 5}, {'A', 50, 50}}},
        {"insert at a cut edge", kThree, [](auto& l, auto& o) { l.EfInsert(70, o); },
         {{'A', 0, 50}, {'S', 0, 20}, {'B', 10, 5}, {'A', 200, 30}}},
        {"insert at 0", kOne, [](auto& l, auto& o) { l.EfInsert(0, o); }, {{'B', 10, 5}, {'A', 0, 100}}},
        {"insert at the end", kOne, [](auto& l, auto& o) { l.EfInsert(100, o); }, {{'A', 0, 100}, {'B', 10, 5}}},
        {"insert beyond the end fills the gap", kOne, [](auto& l, auto& o) { l.EfInsert(120, o); },
         {{'A', 0, 100}, {'S', 0, 20}, {'B', 10, 5}}},
        {"insert before 0: the other, the gap, the old audio", kOne, [](auto& l, auto& o) { l.EfInsert(-10, o); },
         {{'B', 10, 5}, {'S', 0, 10}, {'A', 0, 100}}},
        {"insert before 0 into an empty list", {}, [](auto& l, auto& o) { l.EfInsert(-10, o); }, {{'B', 10, 5}}},
        {"insert the list into itself", kOne, [](auto& l, auto&) { l.EfInsert(30, l); },
         {{'A', 0, 30}, {'A', 0, 100}, {'A', 30, 70}}},
        {"silence inside a cut", kOne, [](auto& l, auto&) { l.EfInsertSilence(50, 10); },
         {{'A', 0, 50}, {'S', 0, 10}, {'A', 50, 50}}},
        {"silence at the end", kOne, [](auto& l, auto&) { l.EfInsertSilence(100, 10); }, {{'A', 0, 100}, {'S', 0, 10}}},
        {"silence beyond the end joins the gap", kOne, [](auto& l, auto&) { l.EfInsertSilence(150, 10); },
         {{'A', 0, 100}, {'S', 0, 60}}},
        {"silence wholly before 0 does nothing", kOne, [](auto& l, auto&) { l.EfInsertSilence(-5, 3); }, kOne},
        {"silence partly before 0 keeps the rest", kOne, [](auto& l, auto&) { l.EfInsertSilence(-5, 8); },
         {{'S', 0, 3}, {'A', 0, 100}}},
        {"negative length does nothing", kOne, [](auto& l, auto&) { l.EfInsertSilence(50, -10); }, kOne},
        {"silence into an empty list", {}, [](auto& l, auto&) { l.EfInsertSilence(0, 7); }, {{'S', 0, 7}}},
    });
}

TEST_F(CutListEditCases, SilenceTrimAndRepeat) {
    Run({
        {"silence a range", kOne, [](auto& l, auto&) { l.EfSilence(20, 30); },
         {{'A', 0, 20}, {'S', 0, 10}, {'A', 30, 70}}},
        {"silence past the end extends", kOne, [](auto& l, auto&) { l.EfSilence(90, 110); }, {{'A', 0, 90}, {'S', 0, 20}}},
        {"silence from before 0", kOne, [](auto& l, auto&) { l.EfSilence(-10, 10); }, {{'S', 0, 10}, {'A', 10, 90}}},
        {"silence of a reversed range does nothing", kOne, [](auto& l, auto&) { l.EfSilence(30, 20); }, kOne},
        {"trim", kThree, [](auto& l, auto&) { l.EfTrim(45, 75); }, {{'A', 45, 5}, {'S', 0, 20}, {'A', 200, 5}}},
        {"trim from before 0", kOne, [](auto& l, auto&) { l.EfTrim(-10, 30); }, {{'A', 0, 30}}},
        {"trim past the end adds nothing", kOne, [](auto& l, auto&) { l.EfTrim(80, 200); }, {{'A', 80, 20}}},
        {"trim of a reversed range keeps everything", kOne, [](auto& l, auto&) { l.EfTrim(30, 20); }, kOne},
        {"trim start", kThree, [](auto& l, auto&) { l.EfTrimStart(60); }, {{'S', 0, 10}, {'A', 200, 30}}},
        {"trim start at 0 or before does nothing", kOne, [](auto& l, auto&) { l.EfTrimStart(-5); }, kOne},
        {"trim end", kThree, [](auto& l, auto&) { l.EfTrimEnd(60); }, {{'A', 0, 50}, {'S', 0, 10}}},
        {"trim end beyond the end does nothing", kOne, [](auto& l, auto&) { l.EfTrimEnd(150); }, kOne},
        {"repeat twice", kOne, [](auto& l, auto&) { l.EfRepeatLoop(10, 20, 2); },
         {{'A', 0, 10}, {'A', 10, 10}, {'A', 10, 10}, {'A', 10, 90}}},
        {"repeat across cuts", kThree, [](auto& l, auto&) { l.EfRepeatLoop(45, 75, 1); },
         {{'A', 0, 45}, {'A', 45, 5}, {'S', 0, 20}, {'A', 200, 5}, {'A', 45, 5}, {'S', 0, 20}, {'A', 200, 30}}},
        {"repeat past the end pads the loop", kOne, [](auto& l, auto&) { l.EfRepeatLoop(90, 110, 1); },
         {{'A', 0, 90}, {'A', 90, 10}, {'S', 0, 10}, {'A', 90, 10}}},
        {"repeat beyond the end", kOne, [](auto& l, auto&) { l.EfRepeatLoop(110, 115, 2); },
         {{'A', 0, 100}, {'S', 0, 10}, {'S', 0, 5}, {'S', 0, 5}}},
        {"repeat from before 0", kOne, [](auto& l, auto&) { l.EfRepeatLoop(-5, 5, 2); },
         {{'S', 0, 5}, {'A', 0, 5}, {'S', 0, 5}, {'S', 0, 5}, {'A', 0, 5}, {'S', 0, 5}, {'A', 0, 100}}},
        {"count 0 does nothing", kOne, [](auto& l, auto&) { l.EfRepeatLoop(10, 20, 0); }, kOne},
        {"reversed range does nothing", kOne, [](auto& l, auto&) { l.EfRepeatLoop(20, 10, 3); }, kOne},
    });
}

TEST_F(CutListEditCases, Amplify) {
    constexpr int32_t kDouble = 33554400;  // (0x1000000 / 100) * 200
    Run({
        {"whole cut", kOne, [](auto& l, auto&) { l.EfAmplify(0, 100, 200); }, {{'A', 0, 100, kDouble}}},
        {"part of a cut splits it", kOne, [](auto& l, auto&) { l.EfAmplify(20, 50, 200); },
         {{'A', 0, 20}, {'A', 20, 30, kDouble}, {'A', 50, 50}}},
        {"across cuts", kThree, [](auto& l, auto&) { l.EfAmplify(40, 80, 50); },
         {{'A', 0, 40}, {'A', 40, 10, 8388600}, {'S', 0, 20, 8388600}, {'A', 200, 10, 8388600}, {'A', 210, 20}}},
        {"range reaching outside changes only the audio inside", kOne, [](auto& l, auto&) { l.EfAmplify(-10, 20, 200); },
         {{'A', 0, 20, kDouble}, {'A', 20, 80}}},
        {"range past the end", kOne, [](auto& l, auto&) { l.EfAmplify(90, 120, 200); },
         {{'A', 0, 90}, {'A', 90, 10, kDouble}}},
        {"100 percent does nothing", kOne, [](auto& l, auto&) { l.EfAmplify(20, 50, 100); }, kOne},
        {"reversed range does nothing", kOne, [](auto& l, auto&) { l.EfAmplify(50, 20, 200); }, kOne},
        {"all to 0 keeps the cuts", kThree, [](auto& l, auto&) { l.EfAmplifyAll(0); },
         {{'A', 0, 50, 0}, {'S', 0, 20, 0}, {'A', 200, 30, 0}}},
        {"all to 50 divides first", kOne, [](auto& l, auto&) { l.EfAmplifyAll(50); }, {{'A', 0, 100, 8388600}}},
        {"saturates at the largest gain", {{'A', 0, 10, 0x40000000}}, [](auto& l, auto&) { l.EfAmplifyAll(300); },
         {{'A', 0, 10, 0x7FFFFFFF}}},
        {"just under the limit still multiplies", {{'A', 0, 10, 1073741799}}, [](auto& l, auto&) { l.EfAmplifyAll(200); },
         {{'A', 0, 10, 2147483400}}},
        {"at the limit saturates", {{'A', 0, 10, 1073741800}}, [](auto& l, auto&) { l.EfAmplifyAll(200); },
         {{'A', 0, 10, 0x7FFFFFFF}}},
        {"negative percent inverts", kOne, [](auto& l, auto&) { l.EfAmplifyAll(-100); }, {{'A', 0, 100, -16777200}}},
        {"inverted gains saturate without wrapping", {{'A', 0, 10, -0x40000000}},
         [](auto& l, auto&) { l.EfAmplifyAll(400); }, {{'A', 0, 10, -0x7FFFFFFF}}},
        {"large negative percent saturates", kOne, [](auto& l, auto&) { l.EfAmplifyAll(-1000000); },
         {{'A', 0, 100, -0x7FFFFFFF}}},
    });
}

// Lists cannot grow past 2^31 - 1 frames: an edit that would is left out
// rather than wrapping the length negative.
TEST_F(CutListEditCases, EditsNeverWrapTheLength) {
    // A list stays within what a reader's positions can count (one block
    // below 2^31), so that reading it to its end cannot wrap either.
    constexpr int32_t kMax = kMaxStreamFrames;
    Run({
        {"silence that would overflow", kOne, [](auto& l, auto&) { l.EfInsertSilence(kMax - 50, 100); }, kOne},
        {"insert that would overflow", kOne, [](auto& l, auto& o) { l.EfInsert(kMax - 3, o); }, kOne},
        {"copy width too large", kOne, [](auto& l, auto& o) { l.EfCopy(-kMax, kMax, o); l = o; }, {{'B', 10, 5}}},
    });
    // The largest list (checked by its cuts; reading it would take 8 GB).
    LCutListAudio l = Build(kOne);
    l.EfInsertSilence(kMax - 100, 100);
    EXPECT_EQ(Layout(l), (std::vector<CutPlan>{{'A', 0, 100}, {'S', 0, kMax - 100}}));
    EXPECT_EQ(l.GetLength(), kMax);
    // A huge repeat count stops where the list is full.
    l = Build(kOne);
    l.EfInsertSilence(100, kMax - 1000 - 100);
    l.EfRepeatLoop(0, 100, 1000000);
    EXPECT_EQ(l.GetLength(), kMax);
    EXPECT_EQ(l.lstCuts.Count(), 12u);
    l = Build(kOne);
    l.EfInsertSilence(100, kMax - 1000 - 100);
    l.EfRepeatLoop(-100, 100, 1000000);  // before 0: each repeat also adds the gap
    EXPECT_EQ(l.GetLength(), kMax - 1000 + 3 * 300);
}

}  // namespace
