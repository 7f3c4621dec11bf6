#include "document/LNeeds.h"

#include "document/LDocuments.h"

namespace sondrel {

uint8_t NeedsMet(const LDocuments& docs) {
    uint8_t met = docs.clipboard.GetLength() > 0 ? kNeedsClipboard : kNeedsNothing;
    if (const LSDFile* d = docs.Current()) {
        met |= kNeedsDocument;
        if (d->HasValidSelection()) met |= kNeedsSelection;
        if (d->bDirty) met |= kNeedsModified;
        if (!d->UndoLabel().empty()) met |= kNeedsUndo;
        if (!d->RedoLabel().empty()) met |= kNeedsRedo;
    }
    return met;
}

}  // namespace sondrel
