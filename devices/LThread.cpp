#include "devices/LThread.h"

namespace sondrel {

void LThread::ThreadEntry(LThread* thread) {
    if (thread == nullptr) return;
    thread->ThreadFunction();
}

}  // namespace sondrel
