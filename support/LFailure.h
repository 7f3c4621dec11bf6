// Why an operation failed, in words a user can act on. The layer that meets
// a failure (a file call, a reader, a writer, the cut tank) notes its kind
// and the file it concerns; the command that started the operation turns
// the first note into its message ("Cannot save "x.wav": the disk is
// full."). Notes are kept per thread, so a player or recorder thread never
// disturbs the note of an operation on the user-interface thread.
#pragma once
#include <cstdint>
#include <string>

namespace sondrel {

enum class LFailure : uint8_t {
    kNone,
    kDiskFull,      // no space left (or over a quota)
    kAccessDenied,  // permissions, read-only medium
    kInUse,         // another program holds the file
    kNotFound,      // no such file or folder
    kPathTooLong,   // beyond the path length the program or system allows
    kExists,        // a file of that name is already there
    kFileTooLarge,  // beyond what the file system allows for one file
    kIOError,       // anything else the system reported
    kNotAudio,      // not a file of its type, or damaged beyond reading
    kTooLong,       // more frames than positions can count
    kChannels,      // a channel count the editor does not convert
    kNotEncodable,  // a format that cannot hold audio of this rate and channel count
};

struct LFailureNote {
    LFailure eKind = LFailure::kNone;
    std::string szPath;  // the file or folder concerned ("" when none)
    int32_t nValue = 0;  // a number the text needs (kChannels: the count)
};

// Keeps the first note until ClearFailure: the first failure is the cause,
// what fails after it is a consequence.
void NoteFailure(LFailure kind, const std::string& path, int32_t value = 0);
const LFailureNote& LastFailure();
void ClearFailure();

// The reason in a few lower-case words ("the disk is full").
std::string FailureText(const LFailureNote& note);
// "<FailureText>", followed by the file in quotes when it is not subject:
// "the disk is full (\"C:\\Sondrel\\Current\\3.aud\")".
std::string FailureReason(const LFailureNote& note, const std::string& subject);

}  // namespace sondrel
