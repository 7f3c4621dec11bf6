// What the main window calls so that a crash, a killed process or a power
// cut loses no edit that reached a document: two hooks and a clean end.
//
// 1. Start-up, once: AskToRecover. In WinMain, after the data folder is
//    known and this instance holds it, before anything clears leftovers
//    there and before the cut tank exists:
//        LRecoveredDocuments recovered = AskToRecover(dataFolder, ask);
//        RemoveLeftovers(dataFolder, recovered.KeepSet());
//        LCutTankScope tank(dataFolder);
//        LCrashRecovery journals(dataFolder);  // after the tank: ends before it
//        ... the main controller is made; before it opens the command
//        line's file (or anything else allocates a segment):
//        recovered.AddTo(controller.Documents(), journals);
//    AskToRecover reads the journals a killed run left, shows the prompt
//    through ask, deletes what the user discarded and returns the
//    documents to recover; AddTo puts them in the list as modified
//    documents, with their segments counted by the tank so that no new
//    audio overwrites them, and continues their journals.
// 2. Document changed: journals.DocumentChanged(controller.Documents())
//    after every change that reaches the documents (the controller's change
//    listener: edit, effect, undo, load, record, save, close). Cheap: only
//    documents that changed are encoded, and a writer thread writes them.
// End: journals.Close() on a clean exit, once the window has closed its
// documents (its destructor does it too). A document closed cleanly loses
// its journal at the next DocumentChanged.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "document/LJournalKeeper.h"
#include "document/LSessionRecovery.h"
#include "ui/LRecoveryPrompt.h"

namespace sondrel {

class LDocuments;

// The journals of this run's open documents. The journals' segments are
// counted by the tank current when it is made, so it must end before that
// tank does.
class LCrashRecovery {
public:
    // folder: the data folder. Empty for an instance that does not hold it
    // (it must not write journals where another run keeps its own).
    explicit LCrashRecovery(std::string folder) : keeper(std::move(folder)) {}
    ~LCrashRecovery() { Close(); }
    LCrashRecovery(const LCrashRecovery&) = delete;
    LCrashRecovery& operator=(const LCrashRecovery&) = delete;

    // Hook 2.
    void DocumentChanged(const LDocuments& docs) { keeper.Update(docs); }

    // A clean exit: waits for the writer and deletes every journal; later
    // calls do nothing.
    void Close() { keeper.Close(); }

    LJournalKeeper& Keeper() { return keeper; }

private:
    LJournalKeeper keeper;
};

// The documents a start-up is to recover, until they are in the list.
class LRecoveredDocuments {
public:
    LRecoveredDocuments() = default;
    explicit LRecoveredDocuments(std::unique_ptr<LSessionRecovery> recovery) : pRecovery(std::move(recovery)) {}

    // How many documents are to come back (0: nothing was left, none of it
    // could be used, or the user discarded it).
    int Count() const { return pRecovery ? pRecovery->UsableCount() : 0; }
    // The segment indices they use: clearing leftovers must keep these.
    std::set<uint16_t> KeepSet() const { return pRecovery ? pRecovery->KeepSet() : std::set<uint16_t>(); }
    // With the tank over the data folder current and before it allocates
    // anything: adds the documents to docs (the last one current), continues
    // their journals in journals and deletes those that could not be used.
    // Returns how many came back; a second call adds nothing.
    int AddTo(LDocuments& docs, LCrashRecovery& journals);

private:
    std::unique_ptr<LSessionRecovery> pRecovery;
};

// Hook 1. Asks only when a journal was left in folder (an empty folder: an
// instance that does not hold it, which asks nothing); formatTime turns
// seconds since 1970 into the user's local date and time.
LRecoveredDocuments AskToRecover(const std::string& folder,
                                 const std::function<LRecoveryChoice(const LRecoveryPrompt&)>& ask,
                                 const std::function<std::string(int64_t)>& formatTime = FormatLocalTime);

}  // namespace sondrel
