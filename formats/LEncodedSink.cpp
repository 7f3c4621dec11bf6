#include "formats/LEncodedSink.h"

#include "support/LFailure.h"

namespace sondrel {

LSNKEncodedFile::LSNKEncodedFile(const char* path, int32_t rate, uint32_t chans, uint32_t maxChans)
    : LSoundSinkBase(rate, chans), szPath(path ? path : "") {
    if (HasError() || rate < 1 || nChans > maxChans) {
        SetError();
        return;
    }
    if (!path || !file.Open(path, LFile::kCreate)) {
        NoteFailure(file.Error(), szPath);
        SetError();
    }
}

bool LSNKEncodedFile::Put(const void* bytes, uint32_t count) {
    if (HasError()) return false;
    if (file.Write(bytes, count) == count) return true;
    FileFailed();
    return false;
}

bool LSNKEncodedFile::CloseFile() {
    if (file.IsOpen()) {
        bool ok = !HasError() && file.Flush();
        if (!file.Close() || !ok) FileFailed();
    }
    return !HasError();
}

void LSNKEncodedFile::FileFailed() {
    if (!HasError()) NoteFailure(file.Error() == LFailure::kNone ? LFailure::kIOError : file.Error(), szPath);
    SetError();
}

}  // namespace sondrel
