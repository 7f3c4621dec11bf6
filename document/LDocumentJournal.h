// The journal of an open document: a small file in the data folder, beside
// the segment files, that says which cuts of which segments make the
// document, with its format, path, untitled number, dirty flag, cursor,
// selection and view. Segment files are written once and never changed, so
// after a crash or a power cut a journal and the segments it names bring the
// document back exactly as it was when the journal was written.
//
// File layout ("<slot>.jnl"), all numbers little-endian:
//   0  "SNDJ"                      magic
//   4  u32 version (1)
//   8  u32 size of the whole file, checksum included
//  12  u32 order                   the document's place among the open ones
//  16  u64 sequence                counts the writes of this journal
//  24  i64 changed                 seconds since 1970 (UTC) of the change
//  32  i32 position, selection start, selection end, view start, view end (ms)
//  52  i32 sample rate             -- from here on: the document itself
//  56  u8  channels
//  57  u8  dirty
//  58  u16 path length in bytes
//  60  u32 untitled number
//  64  path bytes (no terminator)
//      u32 cut count
//      cuts, 14 bytes each: u16 segment index, i32 start, i32 length, i32 gain
//      u32 CRC-32 (ISO 3309 / ITU-T V.42) of every byte before it
// A journal is refused whole when any of it does not hold: size, checksum,
// version, and values a cut list can have.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "document/LCutListAudio.h"

namespace sondrel {

class LSDFile;

constexpr char kJournalSuffix[] = ".jnl";
// A journal being written; it becomes "<slot>.jnl" only when it is whole.
constexpr char kJournalTempSuffix[] = ".jnl.new";
// Larger files are not journals of ours.
constexpr uint32_t kJournalMaxBytes = 64u << 20;
// Where the document's own fields begin (what decides whether it changed).
constexpr size_t kJournalContentOffset = 52;

// A cut as the journal holds it: plain numbers, no tank reference.
struct LJournalCut {
    uint16_t nIndex = kSilentIndex;
    int32_t nStart = 0;
    int32_t nLength = 0;
    int32_t nGain = kUnityGain;
    bool operator==(const LJournalCut&) const = default;
};

struct LJournalRecord {
    uint32_t nOrder = 0;
    uint64_t nSequence = 0;
    int64_t nChangedTime = 0;
    int32_t stPosition = 0, stSelStart = 0, stSelEnd = 0, stViewStart = 0, stViewEnd = 0;
    int32_t nSampleRate = 44100;
    uint8_t nChans = 1;
    uint8_t bDirty = 0;
    uint32_t nUntitledIdx = 0;
    std::string szFilePath;
    std::vector<LJournalCut> vCuts;

    // Frames of all cuts.
    int64_t LengthFrames() const;
    // The file name part of the path, or "Untitled %d".
    std::string DisplayName() const;
    bool operator==(const LJournalRecord&) const = default;
};

// The journal of a record (its cuts from vCuts).
void EncodeJournal(const LJournalRecord& record, std::vector<uint8_t>& out);
// The journal of a document as it is now; the record gives the fields that
// are not the document's own (order, sequence, changed) and its cuts are
// ignored.
void EncodeJournal(const LJournalRecord& head, const LSDFile& doc, std::vector<uint8_t>& out);

// Reads a journal; false (record unspecified) when the bytes are not one
// whole journal. why, when given, receives the reason (for tracing).
bool DecodeJournal(const uint8_t* data, size_t size, LJournalRecord& record, std::string* why = nullptr);

// Why a decoded journal cannot be trusted against the segment files it
// names: "" when every segment is there and holds every frame its cuts
// use. segmentBytes gives a segment file's size, -1 when it is missing.
std::string CheckJournalSegments(const LJournalRecord& record,
                                 const std::function<int64_t(uint16_t index)>& segmentBytes);

// The cut list a record describes (its cuts take tank references).
LCutListAudio JournalCutList(const LJournalRecord& record);

// CRC-32 with the polynomial 0x04C11DB7, reflected, starting from and
// finished with all ones (ISO 3309, ITU-T V.42; the check value of
// "123456789" is 0xCBF43926).
uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0);

// "<folder>/<slot>.jnl".
std::string JournalPath(const std::string& folder, uint32_t slot);
// The slot a journal's file name stands for ("12.jnl" -> 12), or -1.
int64_t JournalSlotOf(const std::string& name);

}  // namespace sondrel
