#include "formats/LOpenReport.h"

#include <cstdio>

namespace sondrel {

namespace {
thread_local LOpenReport tReport;

std::string Describe(const LStoredFormat& f) {
    char b[64];
    if (f.bFloat)
        std::snprintf(b, sizeof b, "%u-bit floating-point", unsigned(f.nBits));
    else
        std::snprintf(b, sizeof b, "%u-bit", unsigned(f.nBits));
    std::string r = b;
    if (f.nChans > 2) {
        std::snprintf(b, sizeof b, ", %u-channel", unsigned(f.nChans));
        r += b;
    }
    return r;
}
}  // namespace

void ReadVorbisComment(LAudioTags& tags, const char* entry, size_t length) {
    if (!entry) return;
    std::string e(entry, length);
    size_t eq = e.find('=');
    if (eq == std::string::npos) return;
    std::string field = e.substr(0, eq);
    for (char& c : field)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    std::string value = e.substr(eq + 1);
    std::string* to = field == "TITLE" ? &tags.szTitle
                      : field == "ARTIST" ? &tags.szArtist
                      : field == "ALBUM" ? &tags.szAlbum
                      : field == "COMMENT" || field == "DESCRIPTION" ? &tags.szComment
                                                                       : nullptr;
    if (!to) return;
    if (field == "COMMENT" || to->empty()) *to = value;
}

std::vector<std::string> VorbisComments(const LAudioTags& tags) {
    std::vector<std::string> r;
    if (!tags.szTitle.empty()) r.push_back("TITLE=" + tags.szTitle);
    if (!tags.szArtist.empty()) r.push_back("ARTIST=" + tags.szArtist);
    if (!tags.szAlbum.empty()) r.push_back("ALBUM=" + tags.szAlbum);
    if (!tags.szComment.empty()) r.push_back("COMMENT=" + tags.szComment);
    return r;
}

LOpenReport& OpenReport() { return tReport; }

void ResetOpenReport(const std::string& path) {
    tReport = LOpenReport();
    tReport.szPath = path;
}

std::string OpenReportText(const LOpenReport& r, const std::string& name) {
    std::string text;
    char b[160];
    if (r.nMixedFrom > 2) {
        std::snprintf(b, sizeof b, "\"%s\" has %u channels; they were mixed down to stereo.", name.c_str(),
                      unsigned(r.nMixedFrom));
        text += b;
    }
    if (r.nClipped > 0) {
        if (!text.empty()) text += "\n";
        std::snprintf(b, sizeof b, "%lld %s of \"%s\" lay past full scale and %s clipped.", (long long)r.nClipped,
                      r.nClipped == 1 ? "sample" : "samples", name.c_str(), r.nClipped == 1 ? "was" : "were");
        text += b;
    }
    if (r.bDamaged) {
        if (!text.empty()) text += "\n";
        text += "\"" + name + "\" is damaged or incomplete; it was opened as far as it could be read.";
    }
    return text;
}

std::string LossQuestion(const LStoredFormat& stored, const std::string& name) {
    if (!stored.HoldsMore()) return std::string();
    std::string keeps = stored.nChans > 2 ? "16-bit stereo" : "16-bit";
    return "\"" + name + "\" holds " + Describe(stored) + " audio; saving over it keeps only " + keeps +
           " audio and the rest is lost. Save anyway?";
}

}  // namespace sondrel
