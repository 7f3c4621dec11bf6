// What opening and reading a file found beyond its audio: the format it is
// stored in (so that saving over it can say what would be lost), its tags,
// and what the user is told once it has opened (channels mixed down,
// floating-point samples clipped, damage where decoding stopped). Readers
// add to the report of their thread as they open and read; the document's
// loader starts a fresh report before it opens a file and takes it after
// the audio is in.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace sondrel {

// Title, artist, album and comment: the tags every format with tags carries.
struct LAudioTags {
    std::string szTitle, szArtist, szAlbum, szComment;
    bool Empty() const { return szTitle.empty() && szArtist.empty() && szAlbum.empty() && szComment.empty(); }
    bool operator==(const LAudioTags&) const = default;
};

// Vorbis comments ("TITLE=..."), as FLAC, Vorbis and Opus files carry tags:
// takes an entry whose field is one of ours. A COMMENT entry replaces what
// was taken before (a DESCRIPTION counts as the comment until one comes);
// the other fields keep their first entry.
void ReadVorbisComment(LAudioTags& tags, const char* entry, size_t length);
// The entries that carry tags, "FIELD=value" each, empty fields left out.
std::vector<std::string> VorbisComments(const LAudioTags& tags);

// How a file stores its samples; a document holds 16 bits, at most 2 channels.
struct LStoredFormat {
    uint32_t nBits = 16;      // bits per sample
    bool bFloat = false;      // floating-point samples
    uint32_t nChans = 0;      // channels in the file (0: not known)
    // True when a 16-bit, at most stereo copy keeps less than the file holds.
    bool HoldsMore() const { return nBits > 16 || bFloat || nChans > 2; }
};

struct LOpenReport {
    std::string szPath;
    LStoredFormat format;
    LAudioTags tags;
    uint32_t nMixedFrom = 0;  // channels mixed down to stereo (0: none)
    int64_t nClipped = 0;     // samples past full scale, clipped
    bool bDamaged = false;    // decoding stopped early at damage or truncation
};

// The report of this thread's latest open.
LOpenReport& OpenReport();
// Starts a fresh report for the file at path.
void ResetOpenReport(const std::string& path);

// What the user is told about a file that opened, one sentence a line
// ("" when there is nothing to tell). name is the file's name as shown.
std::string OpenReportText(const LOpenReport& report, const std::string& name);

// What saving a document over the file it came from loses, as a question
// ("" when nothing is lost): "<name>" holds 24-bit, 6-channel audio ...
std::string LossQuestion(const LStoredFormat& stored, const std::string& name);

}  // namespace sondrel
