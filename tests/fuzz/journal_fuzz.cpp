// Feeds arbitrary bytes to the document journal reader, the one file the
// editor reads back at start-up after a crash. A journal it accepts must
// describe a cut list it can hold, check against segments of any size, and
// be exactly the bytes writing that record gives (nothing read but ignored).
#include <cstdlib>
#include <vector>

#include "FuzzUtil.h"
#include "document/LDocumentJournal.h"

using namespace sondrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    LJournalRecord r;
    if (!DecodeJournal(data, size, r)) return 0;
    int64_t total = 0;
    for (const LJournalCut& c : r.vCuts) {
        if (c.nLength < 0 || (c.nIndex != kSilentIndex && c.nStart < 0)) std::abort();
        total += c.nLength;
    }
    if (total != r.LengthFrames() || total > INT32_MAX) std::abort();
    // Segments of every size from missing to huge.
    for (int64_t bytes : {int64_t(-1), int64_t(0), int64_t(17), int64_t(1) << 40})
        (void)CheckJournalSegments(r, [&](uint16_t) { return bytes; });
    std::vector<uint8_t> again;
    EncodeJournal(r, again);
    if (again.size() != size || !std::equal(again.begin(), again.end(), data)) std::abort();
    return 0;
}
