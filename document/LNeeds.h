// What a command needs of the open documents before it can run, and before
// its menu item, toolbar button and keys are enabled: any combination of
// these bits. The effect table and the main window's command table both say
// it so; NeedsMet tells which bits the documents meet now.
#pragma once
#include <cstdint>

namespace sondrel {

class LDocuments;

enum LNeeds : uint8_t {
    kNeedsNothing = 0,
    kNeedsDocument = 1,   // a current document
    kNeedsSelection = 2,  // a current document with a valid selection
    kNeedsClipboard = 4,  // a clipboard that is not empty
    kNeedsModified = 8,   // a current document with changes to save
    kNeedsUndo = 16,      // a current document with a step to undo
    kNeedsRedo = 32,      // a current document with a step to redo
};

// The needs the documents meet now.
uint8_t NeedsMet(const LDocuments& docs);

inline bool Meets(uint8_t met, uint8_t needs) { return (needs & ~met) == 0; }

}  // namespace sondrel
