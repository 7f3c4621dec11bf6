#include "support/LFailure.h"

#include <cstdio>

namespace sondrel {

namespace {
thread_local LFailureNote tNote;

// The type named by a path's extension, upper case ("WAV"); "audio" when none.
std::string TypeName(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash) || dot + 1 == path.size())
        return "audio";
    std::string t = path.substr(dot + 1);
    for (char& c : t)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return t;
}
}  // namespace

void NoteFailure(LFailure kind, const std::string& path, int32_t value) {
    if (tNote.eKind != LFailure::kNone || kind == LFailure::kNone) return;
    tNote.eKind = kind;
    tNote.szPath = path;
    tNote.nValue = value;
}

const LFailureNote& LastFailure() { return tNote; }

void ClearFailure() { tNote = LFailureNote(); }

std::string FailureText(const LFailureNote& note) {
    switch (note.eKind) {
        case LFailure::kNone: return "the operation failed";
        case LFailure::kDiskFull: return "the disk is full";
        case LFailure::kAccessDenied: return "access is denied";
        case LFailure::kInUse: return "the file is in use by another program";
        case LFailure::kNotFound: return "no such file or folder";
        case LFailure::kPathTooLong: return "the path is too long";
        case LFailure::kExists: return "a file of that name already exists";
        case LFailure::kFileTooLarge: return "the file is too large for its disk";
        case LFailure::kIOError: return "the disk reported an error";
        case LFailure::kNotAudio: return "it is not a readable " + TypeName(note.szPath) + " file";
        case LFailure::kTooLong:
            return std::string(note.szPath.empty() ? "the audio" : "it") + " is longer than Sondrel can hold (2^31 frames)";
        case LFailure::kNotEncodable:
            return "the " + TypeName(note.szPath) + " format cannot hold audio of this sample rate and channel count";
        case LFailure::kChannels: {
            char b[96];
            std::snprintf(b, sizeof b, "it has %d channels; Sondrel edits mono and stereo audio", int(note.nValue));
            return b;
        }
    }
    return "the operation failed";
}

std::string FailureReason(const LFailureNote& note, const std::string& subject) {
    std::string r = FailureText(note);
    if (!note.szPath.empty() && note.szPath != subject) r += " (\"" + note.szPath + "\")";
    return r;
}

}  // namespace sondrel
